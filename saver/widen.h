// Figure rows widened to a screen's pixels, the one place every host does
// it: one bit to Scale bits (enlarge.cpp), or one bit to a 32-bit pixel,
// Scale x Scale (widen.cpp, apart, so that a program that only enlarges
// links none of it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/frame.h"

namespace saver {

// `count` pixels (1 to 64) of `row` from pixel `from` on, the leftmost in
// bit 63, zeros after them. Reads only the bytes that hold those pixels.
std::uint64_t LoadPixels64(const std::uint8_t* row, int from, int count);

// The eight bits of `byte` each made `scale` bits wide: 8 x scale bits, the
// first pixel in the highest of them.
std::uint64_t EnlargedByte(int byte, int scale);

// Makes figure rows `scale` times wider, one bit to `scale` bits, for a
// scale of 1 to kMaxScale; the table of its scale (2 KiB) is made once, by
// the constructor.
class RowEnlarger {
public:
    explicit RowEnlarger(int scale = 1);
    int Scale() const { return scale_; }

    // `count` figure pixels of `row` from pixel `x` on, each made Scale()
    // bits wide, into `out` from its first bit on; the bits after the last
    // one of the byte it ends in are left clear. `x` may lie anywhere a
    // LoadBits32 can read. `out` holds at least (count x Scale() + 7) / 8
    // bytes plus 8 bytes of room.
    void Enlarge(std::uint8_t* out, const std::uint8_t* row, int x, int count) const;

private:
    int scale_;
    // Every byte's eight bits, each made scale_ bits wide: 8 x scale_ bits,
    // the first pixel in the highest of them.
    std::array<std::uint64_t, 256> enlarged_{};
};

// The ways of widening to 32-bit pixels: the plain one, which any processor
// runs, and two on x86's vector units, 16 and 32 bytes a store. They give
// the same pixels.
enum class WideningPath { Plain, Sse2, Avx2 };

const char* NameOf(WideningPath path);

// Whether this build holds `path` and this processor has its instructions.
// AVX2 is in the x86-64 builds for systems other than Windows (where GCC
// keeps 32-byte values on a stack aligned to 16) and counts only where the
// system keeps the AVX registers; SSE2 is in every x86 build.
bool ProcessorRuns(WideningPath path);

// Whether every system this build runs on keeps the SSE registers across
// task switches: so on x86-64. On 32-bit x86 only the system could tell
// (Windows 95 and NT 4 do not keep them, and stop a program that uses
// them): a 32-bit build takes the plain path unless FastestWideningPath is
// told otherwise.
#if defined(__x86_64__)
constexpr bool kSystemKeepsSse = true;
#else
constexpr bool kSystemKeepsSse = false;
#endif

// The fastest path this processor runs; SSE2 and AVX2 only where the system
// keeps the SSE registers.
WideningPath FastestWideningPath(bool systemKeepsSse = kSystemKeepsSse);

// Figure pixels as 32-bit pixels of a given black and white, each made
// Scale pixels wide. The two values are the pixels as their four bytes lie
// in the host's memory, read as a number of this machine's own order. The
// path is chosen once, here: one the processor does not run is replaced by
// the plain one. The tables of the path are made here too (up to 10 KiB).
class PixelWidener {
public:
    explicit PixelWidener(std::uint32_t black = 0, std::uint32_t white = 0xFFFFFFFFu, int scale = 1,
                          WideningPath path = FastestWideningPath());
    int Scale() const { return scale_; }
    std::uint32_t Black() const { return black_; }
    std::uint32_t White() const { return white_; }
    WideningPath Path() const { return path_; }

    // `width` screen pixels of figure row `row` into `to`: figure pixel
    // `from` on, the first entered `phase` pixels in (0 to Scale() - 1).
    // Writes exactly `width` pixels; reads only the bytes of `row` that hold
    // their figure pixels. `to` need not be aligned.
    void Widen(std::uint8_t* to, const std::uint8_t* row, int from, int phase, int width) const
    {
        Widen(to, 0, 1, row, from, phase, width);
    }
    // The same row into `rows` rows (1 or more), `stride` bytes apart, in
    // one pass: the screen rows of one figure row.
    void Widen(std::uint8_t* to, std::ptrdiff_t stride, int rows, const std::uint8_t* row, int from, int phase,
               int width) const;

private:
    friend struct WideningPaths;
    std::uint32_t black_, white_;
    int scale_;
    WideningPath path_;
    // The plain path's: for every four figure pixels n (the first in n's
    // bit 3), their 4 x scale_ screen pixels from blocks_[4 x scale_ x n] on.
    // The vector paths': for every eight bits n (the first in n's bit 7),
    // their eight pixels, from the first 32-byte boundary of blocks_ on, at
    // [8 x n]; and, at scales over 1, every byte's eight figure pixels made
    // scale_ bits each (enlarged_, as RowEnlarger's).
    std::vector<std::uint32_t> blocks_;
    std::vector<std::uint64_t> enlarged_;
};

// WidenFrame writes a frame of more bytes than this past the caches, where a
// vector path runs and the rows' stores are aligned: the 8 MB of a 1920 x
// 1080 frame are read back faster from the cache by the copy to the screen,
// while the 33 MB of a 3840 x 2160 one only push out what any cache holds.
constexpr double kStreamedFrameBytes = 16.0 * 1024 * 1024;

// Every row of `frame`'s Covered rectangle as 32-bit pixels into `out`, the
// rectangle's top-left pixel first, `outStride` bytes from one row to the
// next, by `widener` of the frame's scale; the screen rows of one figure row
// are written in one pass, and streamed stores are fenced before it returns.
void WidenFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const PixelWidener& widener);

// Every row of `frame`'s Covered rectangle as one-bit rows at its scale into
// `out`, `outStride` bytes apart: a row's bit PhaseX (from the high bit of
// its first byte) is the rectangle's first pixel. `out`'s rows hold
// (Columns() x Scale + 7) / 8 bytes and 8 more of room; `enlarger` is of
// the frame's scale.
void EnlargeFrame(const WindowFrame& frame, std::uint8_t* out, std::ptrdiff_t outStride, const RowEnlarger& enlarger);

// The bytes a row of EnlargeFrame's output needs, room included, rounded up
// to whole 32-bit words as a DIB's rows are.
std::size_t EnlargedStride(const WindowFrame& frame);

}  // namespace saver
