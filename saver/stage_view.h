// Which part of the stage a window shows, where, and at which scale: a figure
// pixel is Scale x Scale screen pixels, the stage lies in the middle of the
// window (halves rounded to even), cut equally on both sides where the
// window is smaller. Both hosts paint and hit-test through this; they only
// widen the bits it hands them for their screens.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "figure/stage.h"
#include "platform/platform.h"

namespace saver {

// The classic stage keeps 1024 x 768 figure pixels whatever the window; fill
// gives the window a stage as large as it is.
enum class StageMode { Classic, Fill };

// Screen pixels per figure pixel at `dpi`: dpi / 96 rounded, halves to even,
// and at least 1 (96 and 120 DPI give 1; 144, 192 and 240 give 2; 288 gives
// 3; 336 gives 4).
int ScaleForDpi(int dpi);

// The largest scale a host takes.
constexpr int kMaxScale = 8;

// The stage of a window `width` x `height` screen pixels large at `scale`: it
// holds width / scale x height / scale figure pixels, rounded up, and gets
// the stage figure::StageFor gives that; the classic stage in Classic mode.
figure::StageSize StageForWindow(int width, int height, int scale, StageMode mode);

struct FigurePoint {
    int X = 0;
    int Y = 0;
};

// One axis of what shows: the figure pixels [First, First + Count) reach the
// screen, the first of them from `Phase` screen pixels into its block on.
struct ShownSpan {
    int First = 0;
    int Count = 0;
    int Phase = 0;
};

class StageView {
public:
    StageView() = default;
    StageView(int windowWidth, int windowHeight, figure::StageSize stage, int scale);

    int WindowWidth() const { return windowWidth_; }
    int WindowHeight() const { return windowHeight_; }
    figure::StageSize Stage() const { return stage_; }
    int Scale() const { return scale_; }
    // The stage's top-left on the window, in screen pixels:
    // Round((window - scale x stage) x 0.5) on each axis.
    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }

    // The part of the window the stage covers, in window pixels; empty when
    // it covers none.
    platform::Rect Shown() const;
    // The figure pixels that part shows, column- and row-wise.
    ShownSpan Columns() const;
    ShownSpan Rows() const;
    // The stage's pixel under the window's pixel (x, y), rounding down (also
    // left of and above the stage); none where the stage does not lie.
    std::optional<FigurePoint> ToStage(int x, int y) const;
    // The figure column or row under a window column or row, rounding down.
    int StageColumn(int x) const;
    int StageRow(int y) const;

private:
    int windowWidth_ = 0;
    int windowHeight_ = 0;
    figure::StageSize stage_;
    int scale_ = 1;
    int offsetX_ = 0;
    int offsetY_ = 0;
};

// Makes figure rows `scale` times wider, one bit to `scale` bits, for a
// scale of 1 to kMaxScale; the table of its scale (2 KiB) is made once, by
// the constructor.
class RowEnlarger {
public:
    explicit RowEnlarger(int scale = 1);
    int Scale() const { return scale_; }

    // `count` figure pixels of `row` from pixel `x` on (leftmost in the high
    // bit, as surfaces keep them), each made Scale() bits wide, into `out`
    // from its first bit on; the bits after the last one of the byte it ends
    // in are left clear. `x` may lie anywhere a LoadBits32 can read. `out`
    // holds at least (count x Scale() + 7) / 8 bytes plus 8 bytes of room.
    void Enlarge(std::uint8_t* out, const std::uint8_t* row, int x, int count) const;

private:
    int scale_;
    // Every byte's eight bits, each made scale_ bits wide: 8 x scale_ bits,
    // the first pixel in the highest of them.
    std::array<std::uint64_t, 256> enlarged_{};
};

}  // namespace saver
