// The X11 host under TForm1: the window it draws into (its own, the root or
// the daemon's, or a given one), the stage filling it (or the classic stage
// centred in it) at its scale, painted from the frame through the stage's
// image in that window's own black and white, the frame rate in a corner,
// keys and the pointer routed to the form's handlers in its own window, and
// the loop, which sleeps until the next due tick, the stage's rebuilding
// after a resize, an X event or a signal.
#pragma once

#include <X11/Xlib.h>

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
#include "x11/stage_image.h"
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
    // The scale: --scale, else the display's Xft.dpi, else 1.
    int ChooseScale(const app::HackOptions& options);
    int FittedScale() const;
    void CreateForm(int scale);
    // The stage the window asks for, made for the first time or again, and
    // the image for what it shows. Throws std::runtime_error, one line, when
    // there is no memory for them.
    void MakeStage(bool again);
    // The window's new size: the stage centred on it at once; the new stage
    // made once the sizes stop coming.
    void OnResize(int width, int height);
    void Restage();
    void SayStage() const;
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
    XWindowAttributes attributes_{};
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

    // The stage's picture as the server takes it; the stage, should the
    // image's picture ever not cover it.
    std::unique_ptr<StageImage> image_;
    figure::Surface shown_;
    // Where the scale came from, for --verbose.
    std::string scaleSource_;
    int dpiScale_ = 1;  // the display's DPI's, before the fit
    // When the stage is made anew for the window's size, in monotonic
    // nanoseconds: a while after the last of a run of resizes; 0: not due.
    std::uint64_t restageDueNs_ = 0;

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
