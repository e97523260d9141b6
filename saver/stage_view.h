// Which part of the stage a window shows, where, and at which scale: the
// stage in the middle of the window, halves to even, cut equally where the
// window is smaller; and the scale of a monitor.
#pragma once

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

// The largest scale not over `scale` at which the classic stage fits a
// monitor of `width` x `height` screen pixels (1024 x scale by 768 x
// scale), and never below 1: a 150 % laptop of 1920 x 1080 gets 1.
int FitScale(int scale, int width, int height);

// The scale of a monitor of `width` x `height` screen pixels at `dpi`:
// ScaleForDpi, then fitted. The hosts take this for every monitor.
int ScaleForMonitor(int dpi, int width, int height);

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

}  // namespace saver
