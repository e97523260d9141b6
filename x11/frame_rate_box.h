// The frame rate in the X11 hack's window (--fps): the meter, and its box in
// the window's bottom-left corner, which the stage's paints leave out.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "app/frame_rate.h"

namespace x11 {

class FrameRateBox {
public:
    // For `window`, its white on its black. Throws std::bad_alloc.
    FrameRateBox(::Display* display, ::Window window, unsigned long black, unsigned long white);
    ~FrameRateBox();
    FrameRateBox(const FrameRateBox&) = delete;
    FrameRateBox& operator=(const FrameRateBox&) = delete;

    // Counting starts at `nowNs` with `frames` frames so far.
    void Start(std::uint64_t nowNs, std::uint64_t frames) { meter_.Start(nowNs, frames); }
    // A new reading once a second: then the box is painted again in the
    // bottom-left corner of a window `height` pixels high.
    void Update(std::uint64_t nowNs, std::uint64_t frames, int height);
    std::uint64_t NextReadingNs() const { return meter_.NextReadingNs(); }

    void Paint(int height);
    // `gc` draws on a window of `width` x `height` everywhere but the box.
    void ClipAround(GC gc, int width, int height) const;

private:
    ::Display* display_;
    ::Window window_;
    app::FrameRateMeter meter_;
    XImage* image_ = nullptr;
    GC gc_ = nullptr;
};

}  // namespace x11
