// A form's frame (saver/frame.h) on a window's DC: the black rest filled,
// and the covered rows handed to GDI as one-bit rows, enlarged here at
// scales above 1, which GDI widens to the screen's pixels itself.
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
