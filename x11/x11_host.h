// The X11 host under TForm1: the window it draws into (its own, the root or
// the daemon's, or a given one), the stage centred in it and painted from the
// frame through a shared-memory one-bit image in that window's own black and
// white, the frame rate in a corner, keys and the pointer routed to the
// form's handlers in its own window, and the loop, which sleeps until the
// next due tick, an X event or a signal.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/frame_rate.h"
#include "app/hack_options.h"
#include "figure/surface.h"
#include "saver/saver_window.h"
#include "saver/pointer_filter.h"
#include "x11/x11_platform.h"

namespace x11 {

// The host cannot start: no display, no such window. what() is one line.
class StartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How a run ended: with an exit status, or by a signal that asks the
// process to end by that same signal once the host is gone.
struct RunEnd {
    int ExitStatus = 0;
    int Signal = 0;  // 0: none
};

class X11Host : public HostWindow {
public:
    // Opens the display and the window the options name, and creates the
    // form in it. Throws StartError. From here on a lost connection to the
    // display ends the process with one line on stderr and status 1.
    explicit X11Host(const app::HackOptions& options);
    ~X11Host();
    X11Host(const X11Host&) = delete;
    X11Host& operator=(const X11Host&) = delete;

    // Shows the window and runs until a key, a double click or the window
    // manager ends it (own window), the window goes away (status 0), or a
    // signal arrives on `signalFd` (a signalfd).
    RunEnd Run(int signalFd);

    platform::Size WindowSize() const override { return {width_, height_}; }
    void RepaintImage(bool now) override;
    void HideForm() override;
    void Terminate() override { quit_ = true; }

private:
    void OpenWindow(const app::HackOptions& options);
    void CreateOwnWindow(const app::HackOptions& options);
    void CreateImage();
    void PaintAll();
    void Handle(XEvent& event);
    void OnPointer(int x, int y);
    void OnButton(const XButtonEvent& press);
    void PaintBorder();
    void PaintStage();
    // The frame rate's box in the bottom-left corner, which the stage's
    // paints leave out.
    void PaintFrameRate();
    void ClipStageAroundFrameRate();
    // The window's point in the image's own pixels, where the stage shows
    // the image there.
    struct ImagePoint {
        int X, Y;
    };
    std::optional<ImagePoint> OnImage(int x, int y) const;
    bool Animating() const;

    app::HackOptions options_;
    ::Display* display_ = nullptr;
    Window window_ = 0;
    bool ownWindow_ = false;
    int width_ = 0;
    int height_ = 0;
    // Black and white as pixels of the window's visual and colormap.
    unsigned long black_ = 0, white_ = 0;
    bool coloursAllocated_ = false;  // in the window's colormap, to be freed
    Colormap colormap_ = 0;
    GC stageGc_ = nullptr;  // one bits white, zero bits black
    GC blackGc_ = nullptr;
    Cursor cross_ = 0;
    bool crossShown_ = false;
    Atom deleteWindow_ = 0;

    // The stage's picture as the server takes a one-bit image.
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool shared_ = false;
    figure::Surface shown_;

    X11Platform platform_;
    figure::Surface title_;
    std::unique_ptr<saver::TForm1> form_;
    saver::PointerFilter pointer_;
    Time lastPress_ = 0;
    int pressX_ = 0, pressY_ = 0;
    bool pressed_ = false;
    bool quit_ = false;

    app::FrameRateMeter frameRate_;
    XImage* frameRateImage_ = nullptr;
    GC frameRateGc_ = nullptr;  // as the stage's, without its clip
};

}  // namespace x11
