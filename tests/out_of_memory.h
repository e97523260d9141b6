// Out of memory on demand, for the test programs that link saver_test.cpp
// (which replaces operator new): while an OutOfMemory lives, every
// allocation of 100,000 bytes or more fails, as the figure's half-megabyte
// surfaces would on a machine without the memory; the small ones (texts,
// the settings) still succeed.
#pragma once

#include <cstddef>

namespace saver {

extern std::size_t allocationLimit;

struct OutOfMemory {
    OutOfMemory() { allocationLimit = 100000; }
    ~OutOfMemory() { allocationLimit = std::size_t(-1); }
    OutOfMemory(const OutOfMemory&) = delete;
    OutOfMemory& operator=(const OutOfMemory&) = delete;
};

}  // namespace saver
