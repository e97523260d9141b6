#include "figure/redraw.h"

#include <algorithm>
#include <cstring>

#include "figure/rounding.h"

namespace figure {
namespace {

// The window of `width` x `height` pixels whose top-left lies at (-left, -top).
bool Inside(std::int64_t left, std::int64_t top, int width, int height, const Surface& surface)
{
    std::int64_t x0 = -left, y0 = -top;
    return x0 >= 0 && y0 >= 0 && x0 + width <= surface.Width() && y0 + height <= surface.Height();
}

// Rebuilds the pattern's shifted copies when the pattern has changed since.
void UpdateShifts(PatternSurfaces& surfaces)
{
    if (surfaces.ShiftsVersion == surfaces.PatternVersion) return;
    const Surface& pattern = surfaces.PatternBitmap;
    const std::uint8_t* bits = pattern.Bits();
    const std::size_t size = pattern.SizeBytes();
    for (int k = 1; k <= 7; ++k) {
        Surface& shifted = surfaces.PatternShifts[std::size_t(k - 1)];
        if (shifted.Width() != pattern.Width() || shifted.Height() != pattern.Height())
            shifted = Surface(pattern.Width(), pattern.Height());
        // The surface as one run of bytes: what crosses from one row into the
        // next lands past the row's last pixel, where nothing reads it. The
        // byte before a row holds that row's first k pixels in its low bits;
        // before the first row that byte is the surface's slack.
        std::uint8_t* out = shifted.Bits();
        for (std::ptrdiff_t i = -1; i < std::ptrdiff_t(size); ++i)
            out[i] = std::uint8_t((bits[i] << k) | (bits[i + 1] >> (8 - k)));
    }
    surfaces.ShiftsVersion = surfaces.PatternVersion;
}

// Sixteen bytes at a time: one vector register where the machine has them,
// two or four words where it has not.
using Chunk = std::uint8_t __attribute__((vector_size(16)));
constexpr int kChunk = sizeof(Chunk);

void XorChunk(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b)
{
    Chunk x, y;
    std::memcpy(&x, a, kChunk);
    std::memcpy(&y, b, kChunk);
    x ^= y;
    std::memcpy(dst, &x, kChunk);
}

// dst := a XOR b, byte for byte; dst overlaps neither.
void XorBytes(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, int count)
{
    if (count < kChunk) {
        for (int i = 0; i < count; ++i) dst[i] = std::uint8_t(a[i] ^ b[i]);
        return;
    }
    for (int i = 0; i + kChunk <= count; i += kChunk) XorChunk(dst + i, a + i, b + i);
    // The last bytes as one more chunk, overlapping the ones before.
    XorChunk(dst + count - kChunk, a + count - kChunk, b + count - kChunk);
}

void MergeByte(std::uint8_t& dst, std::uint8_t value, std::uint8_t mask)
{
    dst = std::uint8_t((dst & ~mask) | (value & mask));
}

// Pixels [x0, x0 + width) of `dst` := the same pixels of `a` XOR the pixels
// from `shift` further along in the pattern, whose shifted copy `b` (moved
// left by shift mod 8) puts them `shift div 8` bytes along.
void XorRow(std::uint8_t* dst, const std::uint8_t* a, const std::uint8_t* b, int x0, int width, int shift)
{
    const int q = shift >> 3;  // floor: shift may be negative
    const int first = x0 >> 3, last = (x0 + width - 1) >> 3;
    const auto head = std::uint8_t(0xFFu >> (x0 & 7));
    const auto tail = std::uint8_t(0xFFu << (7 - ((x0 + width - 1) & 7)));
    if (first == last) {
        MergeByte(dst[first], std::uint8_t(a[first] ^ b[first + q]), std::uint8_t(head & tail));
        return;
    }
    MergeByte(dst[first], std::uint8_t(a[first] ^ b[first + q]), head);
    XorBytes(dst + first + 1, a + first + 1, b + first + 1 + q, last - first - 1);
    MergeByte(dst[last], std::uint8_t(a[last] ^ b[last + q]), tail);
}

}  // namespace

void CopyBits(std::uint8_t* dst, int dstX, const std::uint8_t* src, int srcX, int width)
{
    if (width <= 0) return;
    const int x1 = dstX + width;
    const int shift = srcX - dstX;
    const int first = dstX >> 5, last = (x1 - 1) >> 5;
    for (int w = first; w <= last; ++w) {
        std::uint32_t mask = (w == first || w == last) ? WordMask(w, dstX, x1) : 0xFFFFFFFFu;
        StoreWord32(dst, w, LoadBits32(src, 32 * w + shift), mask);
    }
}

void ReDraw(FigureState& figure, const Surface* title, const Clock& clock, Tick activatedTick)
{
    const int width = figure.Panel1.Width, height = figure.Panel1.Height;
    if (!figure.SurfacesCreated || width <= 0 || height <= 0 ||
        !Inside(figure.Image1.Left, figure.Image1.Top, width, height, figure.FrameBitmap) ||
        !Inside(figure.SecondX, figure.SecondY, width, height, figure.PatternBitmap()))
        throw PlacementError("the stage window lies outside the figure's surfaces");
    const int dx = -figure.Image1.Left, dy = -figure.Image1.Top;  // window D
    const int sx = -figure.SecondX, sy = -figure.SecondY;         // window S

    // FrameBitmap outside window D is never shown, so only D is composed: each
    // of its pixels is the pattern there XOR the pattern under the second copy.
    // The shifted copies are the pattern's, shared with every figure that
    // shares it; whichever frame comes first brings them up to date.
    PatternSurfaces& surfaces = *figure.Pattern;
    UpdateShifts(surfaces);
    const Surface& pattern = surfaces.PatternBitmap;
    const int shift = sx - dx, k = shift & 7;
    const Surface& second = k == 0 ? pattern : surfaces.PatternShifts[std::size_t(k - 1)];
    Surface& frame = figure.FrameBitmap;
    for (int row = 0; row < height; ++row)
        XorRow(frame.Row(dy + row), pattern.Row(dy + row), second.Row(sy + row), dx, width, shift);

    if (title != nullptr && WithinSpan(clock.Ticks(), activatedTick, TitleTimeMs)) {
        // Centred on the stage wherever the image lies, clipped to window D.
        int tx = Round((width - title->Width()) * 0.5L) - figure.Image1.Left;
        int ty = Round((height - title->Height()) * 0.5L) - figure.Image1.Top;
        int x0 = std::max(tx, dx), x1 = std::min(tx + title->Width(), dx + width);
        int y0 = std::max(ty, dy), y1 = std::min(ty + title->Height(), dy + height);
        for (int y = y0; y < y1; ++y)
            CopyBits(frame.Row(y), x0, title->Row(y - ty), x0 - tx, x1 - x0);
    }
    figure.Image1.Picture = &frame;
}

void CopyShownWindow(const FigureState& figure, Surface& shown)
{
    shown.Fill(false);
    const Surface* picture = figure.Image1.Picture;
    if (picture == nullptr) return;
    // The part of the stage that the picture covers.
    int x0 = std::max(0, figure.Image1.Left), y0 = std::max(0, figure.Image1.Top);
    int x1 = std::min(shown.Width(), figure.Image1.Left + picture->Width());
    int y1 = std::min(shown.Height(), figure.Image1.Top + picture->Height());
    for (int y = y0; y < y1; ++y)
        CopyBits(shown.Row(y), x0, picture->Row(y - figure.Image1.Top), x0 - figure.Image1.Left, x1 - x0);
}

}  // namespace figure
