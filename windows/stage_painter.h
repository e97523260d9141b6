// A form's frame (saver/frame.h) on a window's DC: the black rest filled,
// and the covered rows handed to GDI as one-bit rows, which it widens to
// the screen's pixels itself; at scales above 1 they are enlarged here
// first, a bit to s bits. (Rows widened here to 32-bit pixels in a DIB
// section and copied with one blit were measured too: through Wine they cost
// the saver half as much again at 1920 x 1080, and the section 8 MB per
// such monitor.)
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "saver/frame.h"
#include "saver/widen.h"

namespace windows {

class StagePainter {
public:
    // Paints `frame` on `dc`; where the memory for the enlarged rows cannot
    // be had, the covered rectangle black.
    void Paint(HDC dc, const saver::WindowFrame& frame);

private:
    void PaintRows(HDC dc, const saver::WindowFrame& frame);

    saver::RowEnlarger enlarger_;
    std::vector<std::uint8_t> enlarged_;
};

}  // namespace windows
