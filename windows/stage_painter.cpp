#include "windows/stage_painter.h"

#include <new>

namespace windows {
namespace {

// A top-down one-bit DIB header of `width` x `rows`, 0 black and 1 white.
struct OneBitInfo {
    BITMAPINFOHEADER header{};
    RGBQUAD colours[2]{{0, 0, 0, 0}, {255, 255, 255, 0}};

    OneBitInfo(int width, int rows)
    {
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = -rows;
        header.biPlanes = 1;
        header.biBitCount = 1;
        header.biCompression = BI_RGB;
    }
    const BITMAPINFO* Info() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

void FillBlack(HDC dc, const platform::Rect& r)
{
    const RECT black{r.Left, r.Top, r.Right, r.Bottom};
    FillRect(dc, &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

}  // namespace

void StagePainter::Paint(HDC dc, const saver::WindowFrame& frame)
{
    for (int i = 0; i < frame.BlackCount; ++i) FillBlack(dc, frame.Black[std::size_t(i)]);
    if (frame.Covered.Empty()) return;
    try {
        PaintRows(dc, frame);
    } catch (const std::bad_alloc&) {
        // No memory for the enlarged rows: that monitor stays black, and a
        // key still ends the saver.
        FillBlack(dc, frame.Covered);
    }
}

void StagePainter::PaintRows(HDC dc, const saver::WindowFrame& frame)
{
    const int width = frame.Width(), height = frame.Height();
    if (frame.Scale == 1) {
        // The picture's rows as they lie: a top-down DIB over them.
        const OneBitInfo info(int(frame.Stride * 8), height);
        SetDIBitsToDevice(dc, frame.Covered.Left, frame.Covered.Top, DWORD(width), DWORD(height),
                          DWORD(frame.FirstColumn), 0, 0, UINT(height), frame.Picture, info.Info(), DIB_RGB_COLORS);
        return;
    }
    const std::size_t stride = saver::EnlargedStride(frame);
    enlarged_.resize(stride * std::size_t(height));
    if (enlarger_.Scale() != frame.Scale) enlarger_ = saver::RowEnlarger(frame.Scale);
    saver::EnlargeFrame(frame, enlarged_.data(), std::ptrdiff_t(stride), enlarger_);
    const OneBitInfo info(int(stride * 8), height);
    SetDIBitsToDevice(dc, frame.Covered.Left, frame.Covered.Top, DWORD(width), DWORD(height), DWORD(frame.PhaseX), 0,
                      0, UINT(height), enlarged_.data(), info.Info(), DIB_RGB_COLORS);
}

}  // namespace windows
