// A form's frame (saver/frame.h) on a window's DC: the black rest filled,
// and the covered rows either widened here to 32-bit pixels in a DIB
// section and copied with one blit (a screen of 24 or 32 bits a pixel), or
// handed to GDI as one-bit rows, enlarged here at scales above 1, which it
// widens itself (palette screens, and wherever no DIB section can be made).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "saver/frame.h"
#include "saver/widen.h"

namespace windows {

class StagePainter {
public:
    enum class Way { Pixels, Bits };
    // The way asked for: VIDIDER_IMAGE=bitmap or pixels in the environment,
    // for measuring; pixels where it says nothing.
    static Way Asked();

    explicit StagePainter(Way asked = Asked()) : asked_(asked) {}
    ~StagePainter();
    StagePainter(const StagePainter&) = delete;
    StagePainter& operator=(const StagePainter&) = delete;

    // Paints `frame` on `dc`; where the memory for the rows cannot be had,
    // the covered rectangle black.
    void Paint(HDC dc, const saver::WindowFrame& frame);
    // The way the last paint took.
    Way Taken() const { return taken_; }

private:
    // False where the screen takes no 32-bit pixels or no section of the
    // frame's size can be made.
    bool PaintPixels(HDC dc, const saver::WindowFrame& frame);
    void PaintBits(HDC dc, const saver::WindowFrame& frame);
    bool FitSection(HDC dc, int width, int height);
    void ReleaseSection();

    Way asked_;
    Way taken_ = Way::Bits;
    HDC memory_ = nullptr;
    HBITMAP section_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint8_t* pixels_ = nullptr;
    int width_ = 0, height_ = 0;
    saver::PixelWidener widener_{0x00000000u, 0x00FFFFFFu, 1};  // a DIB's BGRX
    saver::RowEnlarger enlarger_;
    std::vector<std::uint8_t> enlarged_;
};

}  // namespace windows
