// The saver's title picture as a figure surface: resources/title.bmp, built
// into the program as bytes at build time (title_data.cpp.in), for the
// programs that have no Windows resources to read it from.
#pragma once

#include "figure/surface.h"

namespace vidider {

figure::Surface LoadTitlePicture();

}  // namespace vidider
