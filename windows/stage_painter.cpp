#include "windows/stage_painter.h"

#include <cstring>
#include <new>

namespace windows {
namespace {

// A top-down DIB header of `width` x `rows` at `bits` a pixel; one-bit
// ones with 0 black and 1 white.
struct DibInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[2]{{0, 0, 0, 0}, {255, 255, 255, 0}};

    DibInfo(int width, int rows, WORD bits)
    {
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = -rows;
        header.biPlanes = 1;
        header.biBitCount = bits;
        header.biCompression = BI_RGB;
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// A screen that keeps every pixel in 24 or 32 bits, with no palette.
bool TakesPixels(HDC dc)
{
    return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) >= 24 && !(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE);
}

}  // namespace

StagePainter::Way StagePainter::Asked()
{
    char asked[16] = "";
    const DWORD length = GetEnvironmentVariableA("VIDIDER_IMAGE", asked, sizeof asked);
    return length > 0 && length < sizeof asked && std::strcmp(asked, "bitmap") == 0 ? Way::Bits : Way::Pixels;
}

StagePainter::~StagePainter() { ReleaseSection(); }

void StagePainter::Paint(HDC dc, const saver::WindowFrame& frame)
{
    for (int i = 0; i < frame.BlackCount; ++i) {
        const platform::Rect& r = frame.Black[std::size_t(i)];
        const RECT black{r.Left, r.Top, r.Right, r.Bottom};
        FillRect(dc, &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    if (frame.Covered.Empty()) return;
    if (asked_ == Way::Pixels && PaintPixels(dc, frame)) {
        taken_ = Way::Pixels;
        return;
    }
    asked_ = Way::Bits;  // a screen without 32-bit pixels, or no memory for them: for good
    taken_ = Way::Bits;
    try {
        PaintBits(dc, frame);
    } catch (const std::bad_alloc&) {
        // No memory for the enlarged rows: that monitor stays black, and a
        // key still ends the saver.
        const RECT covered{frame.Covered.Left, frame.Covered.Top, frame.Covered.Right, frame.Covered.Bottom};
        FillRect(dc, &covered, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

bool StagePainter::PaintPixels(HDC dc, const saver::WindowFrame& frame)
{
    if (!TakesPixels(dc) || !FitSection(dc, frame.Width(), frame.Height())) return false;
    if (widener_.Scale() != frame.Scale) widener_ = saver::PixelWidener(widener_.Black(), widener_.White(), frame.Scale);
    GdiFlush();  // the last blit has read the section
    saver::WidenFrame(frame, pixels_, std::ptrdiff_t(width_) * 4, widener_);
    BitBlt(dc, frame.Covered.Left, frame.Covered.Top, frame.Width(), frame.Height(), memory_, 0, 0, SRCCOPY);
    return true;
}

void StagePainter::PaintBits(HDC dc, const saver::WindowFrame& frame)
{
    const int width = frame.Width(), height = frame.Height();
    if (frame.Scale == 1) {
        // The picture's rows as they lie: a top-down DIB over them.
        const DibInfo info(int(frame.Stride * 8), height, 1);
        SetDIBitsToDevice(dc, frame.Covered.Left, frame.Covered.Top, DWORD(width), DWORD(height), DWORD(frame.FirstColumn),
                          0, 0, UINT(height), frame.Picture, info.Info(), DIB_RGB_COLORS);
        return;
    }
    const std::size_t stride = saver::EnlargedStride(frame);
    enlarged_.resize(stride * std::size_t(height));
    if (enlarger_.Scale() != frame.Scale) enlarger_ = saver::RowEnlarger(frame.Scale);
    saver::EnlargeFrame(frame, enlarged_.data(), std::ptrdiff_t(stride), enlarger_);
    const DibInfo info(int(stride * 8), height, 1);
    SetDIBitsToDevice(dc, frame.Covered.Left, frame.Covered.Top, DWORD(width), DWORD(height), DWORD(frame.PhaseX), 0, 0,
                      UINT(height), enlarged_.data(), info.Info(), DIB_RGB_COLORS);
}

// A section as large as the frame's rectangle, kept while frames fit it.
bool StagePainter::FitSection(HDC dc, int width, int height)
{
    if (section_ != nullptr && width <= width_ && height <= height_) return true;
    ReleaseSection();
    const DibInfo info(width, height, 32);
    void* bits = nullptr;
    section_ = CreateDIBSection(dc, info.Info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    memory_ = section_ != nullptr ? CreateCompatibleDC(dc) : nullptr;
    if (memory_ == nullptr || bits == nullptr) {
        ReleaseSection();
        return false;
    }
    previous_ = SelectObject(memory_, section_);
    pixels_ = static_cast<std::uint8_t*>(bits);
    width_ = width;
    height_ = height;
    return true;
}

void StagePainter::ReleaseSection()
{
    if (memory_ != nullptr) {
        if (previous_ != nullptr) SelectObject(memory_, previous_);
        DeleteDC(memory_);
    }
    if (section_ != nullptr) DeleteObject(section_);
    memory_ = nullptr;
    section_ = nullptr;
    previous_ = nullptr;
    pixels_ = nullptr;
    width_ = height_ = 0;
}

}  // namespace windows
