// The X11 host under TForm1: the form on the target window, painted from the
// saver's frame description through the stage's image, input handed to the
// form, and the loop on the connection and the signals.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "app/hack_options.h"
#include "app/host_process.h"
#include "figure/surface.h"
#include "saver/frame.h"
#include "saver/input.h"
#include "saver/pointer_filter.h"
#include "saver/saver_window.h"
#include "saver/settle.h"
#include "x11/frame_rate_box.h"
#include "x11/stage_image.h"
#include "x11/target_window.h"
#include "platform/posix/posix_platform.h"

namespace x11 {

class X11Host : public platform::WindowHost {
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
    app::HostEnd Run(int signalFd);

    void RepaintImage(bool) override { Paint(saver::PaintArea::Stage); }
    void HideForm() override;
    void Terminate() override { quit_ = true; }

private:
    static ::Display* OpenDisplay(const app::HackOptions& options);
    // The scale: --scale as given, else the display's Xft.dpi lowered until
    // the classic stage fits the window, else 1.
    int Scale() const;
    // The stage the window asks for, made for the first time or again, and
    // the image for what it shows. Throws std::runtime_error, one line, when
    // there is no memory for them.
    void MakeStage(bool again);
    void SayStage() const;
    void Handle(XEvent& event);
    // The window's new size: the stage centred on it at once; the new stage
    // made once the sizes stop coming.
    void OnResize(int width, int height);
    void Restage();
    void OnMotion(XEvent& event);
    void OnButton(const XButtonEvent& press);
    // The part of the window `area` names, from the frame description.
    void Paint(saver::PaintArea area);
    void PaintBlack(const saver::WindowFrame& frame);
    void PaintAll();
    void ClipAroundFrameRate();
    bool Animating() const;
    // Runs what is due by `now`; the monotonic nanosecond of the next thing
    // due, 0 for none, or `now` where it ran a frame or a restage.
    std::uint64_t RunDue(std::uint64_t now);
    // Sleeps until `deadline` (0: no end), a server event or a signal.
    void Wait(std::uint64_t now, std::uint64_t deadline, int signalFd, app::HostEnd& end);

    app::HackOptions options_;
    ::Display* display_;
    std::unique_ptr<TargetWindow> window_;
    int width_ = 0;
    int height_ = 0;
    GC stageGc_ = nullptr;  // one bits white, zero bits black
    GC blackGc_ = nullptr;
    // The stage's picture as the server takes it.
    std::unique_ptr<StageImage> image_;
    std::unique_ptr<FrameRateBox> frameRate_;
    // Where the scale came from, for --verbose, and the display's DPI's
    // scale before the fit.
    std::string scaleSource_;
    int dpiScale_ = 1;
    // The stage is made anew for the window's size once a run of resizes
    // has settled.
    saver::SettleTimer restage_;

    platform::posix::PosixPlatform platform_;
    figure::Surface title_;
    std::unique_ptr<saver::TForm1> form_;
    saver::PointerFilter pointer_;
    saver::DoubleClick doubleClick_;
    bool quit_ = false;
};

}  // namespace x11
