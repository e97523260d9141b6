// The layer shell's generated client header, for C++: its get_layer_surface
// names an argument `namespace`, which C++ keeps for itself.
#pragma once

#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
