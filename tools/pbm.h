// Binary PBM (P4) files of one-bit surfaces. PBM's 1 bits are black, the
// surfaces' are white. A file is written whole or not at all: into a
// temporary beside it, then renamed over it.
#pragma once

#include <string>

#include "figure/surface.h"

namespace sim {

// Throws std::runtime_error naming the file when it cannot be written.
void WritePbm(const figure::Surface& surface, const std::string& path);

// The PBM bytes, header included.
std::string EncodePbm(const figure::Surface& surface);

// Reads a P4 file back (for tests and tools); throws std::runtime_error.
figure::Surface DecodePbm(const std::string& bytes);

}  // namespace sim
