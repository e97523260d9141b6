#include "x11/x11_host.h"

#include <X11/keysym.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>

#include "resources/title.h"
#include "x11/display_scale.h"
#include "x11/server_errors.h"

namespace x11 {
namespace {

using platform::posix::MonotonicNs;
using platform::posix::TickOf;

// The connection is gone: the server ended or was killed. Xlib's own handler
// would say so in lines of its own and end the process; this one says it in
// one line and ends at once with status 1, running nothing more on the
// broken connection (no destructor, no atexit). The shared memory was marked
// for removal when it was made and goes with the process.
int DisplayLost(::Display* display)
{
    std::fprintf(stderr, "vidider: the display %s went away\n", DisplayString(display));
    std::_Exit(1);
}

// The monotonic nanosecond at which the clock first reads `ms` ms after `now`.
std::uint64_t NsAfter(std::uint64_t now, std::uint32_t ms) { return (now / 1000000u + ms) * 1000000u; }

}  // namespace

::Display* X11Host::OpenDisplay(const app::HackOptions& options)
{
    // A window of the daemon may go away at any time: that ends the hack, it
    // is no failure.
    CountServerErrors();
    const char* environment = std::getenv("DISPLAY");
    if (options.Display.empty() && (environment == nullptr || *environment == '\0'))
        throw StartError("no display: DISPLAY is not set, and no --display NAME was given");
    ::Display* display = XOpenDisplay(options.Display.empty() ? nullptr : options.Display.c_str());
    if (display == nullptr)
        throw StartError("cannot open the display '" + (options.Display.empty() ? environment : options.Display) + "'");
    XSetIOErrorHandler(DisplayLost);
    return display;
}

X11Host::X11Host(const app::HackOptions& options)
    : options_(options), display_(OpenDisplay(options)),
      platform_({{{std::string(saver::kSettingsKey), std::string(saver::kSleepTimeValue)},
                  {platform::ValueKind::Dword, {}, options.SleepTime}}}),
      title_(vidider::LoadTitlePicture())
{
    window_ = std::make_unique<TargetWindow>(display_, options);
    width_ = window_->Width();
    height_ = window_->Height();
    platform_.Screen = {width_, height_};
    XGCValues values{};
    values.foreground = window_->White();
    values.background = window_->Black();
    values.graphics_exposures = False;
    stageGc_ = XCreateGC(display_, window_->Id(), GCForeground | GCBackground | GCGraphicsExposures, &values);
    values.foreground = window_->Black();
    blackGc_ = XCreateGC(display_, window_->Id(), GCForeground | GCGraphicsExposures, &values);
    try {
        const ImageKind kind =
            ChooseImageKind(window_->Attributes(), XShmQueryExtension(display_), std::getenv("VIDIDER_IMAGE"));
        image_ = std::make_unique<StageImage>(display_, window_->Attributes(), window_->Black(), window_->White(), kind);
    } catch (const std::invalid_argument& e) {
        throw StartError(e.what());
    }
    if (options.Fps) frameRate_ = std::make_unique<FrameRateBox>(display_, window_->Id(), window_->Black(), window_->White());
    if (options.Scale) {
        scaleSource_ = "--scale";
    } else {
        const std::optional<std::string> dpi = XftDpiIn(XResourceManagerString(display_));
        scaleSource_ = dpi ? "Xft.dpi " + *dpi : "no Xft.dpi";
        dpiScale_ = ScaleForXftDpi(dpi);
    }
    form_ = std::make_unique<saver::TForm1>(platform_, *this, 0, &title_);
    form_->Screen = {platform::Rect{0, 0, width_, height_}, Scale(),
                     options_.Classic ? saver::StageMode::Classic : saver::StageMode::Fill};
    MakeStage(false);
}

X11Host::~X11Host()
{
    if (form_) form_->FormDestroy();
    form_.reset();
    image_.reset();
    frameRate_.reset();
    for (GC gc : {stageGc_, blackGc_})
        if (gc != nullptr) XFreeGC(display_, gc);
    window_.reset();
    XCloseDisplay(display_);
}

int X11Host::Scale() const
{
    return options_.Scale ? *options_.Scale : saver::FitScale(dpiScale_, width_, height_);
}

void X11Host::MakeStage(bool again)
{
    const figure::StageSize stage = saver::StageForWindow(width_, height_, form_->Screen.Scale, form_->Screen.Mode);
    try {
        if (again)
            form_->Restage();
        else
            form_->FormCreate();
        const platform::Rect shown = form_->View.Shown();
        image_->Fit(shown.Right - shown.Left, shown.Bottom - shown.Top, true);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("not enough memory for a stage of " + std::to_string(stage.Width) + " x " +
                                 std::to_string(stage.Height));
    }
    SayStage();
}

void X11Host::SayStage() const
{
    if (!options_.Verbose) return;
    const saver::StageView& view = form_->View;
    std::fprintf(stderr, "vidider: stage %d x %d at scale %d (%s) in a window of %d x %d, %d x %d shown, through %s\n",
                 view.Stage().Width, view.Stage().Height, view.Scale(), scaleSource_.c_str(), width_, height_,
                 image_->Width(), image_->Height(), image_->Describe().c_str());
}

bool X11Host::Animating() const
{
    return form_->IdleHandlerInstalled() && !(options_.Frames && form_->PacedFrames >= *options_.Frames);
}

app::HostEnd X11Host::Run(int signalFd)
{
    app::HostEnd end;
    if (window_->Own()) XMapRaised(display_, window_->Id());
    form_->FormActivate();
    if (options_.Seed) form_->Random.SetSeed(*options_.Seed);
    if (frameRate_) frameRate_->Start(MonotonicNs(), form_->PacedFrames);
    ClipAroundFrameRate();
    // The activation composed the first frame before it counted as done. A
    // window of its own shows it with the Expose of its mapping; a window
    // that is there already, now.
    if (!window_->Own()) PaintAll();
    while (!quit_) {
        // Every event waiting is read before anything else is done, however
        // long the frames take: a key ends the hack even at --delay 0.
        while (!quit_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Handle(event);
        }
        if (quit_) break;
        if (ServerErrorCount() > 0 && LastErrorResource() == window_->Id()) break;  // the window went away
        const std::uint64_t now = MonotonicNs();
        const std::uint64_t deadline = RunDue(now);
        if (deadline == now) continue;
        XFlush(display_);
        Wait(now, deadline, signalFd, end);
    }
    return end;
}

std::uint64_t X11Host::RunDue(std::uint64_t now)
{
    if (restage_.Settled(TickOf(now))) {
        Restage();
        return now;
    }
    std::uint64_t deadline = restage_.Pending() ? NsAfter(now, restage_.WaitMs(TickOf(now))) : 0;
    // The frame rate is read on every pass, also where frames take all of
    // it (--delay 0).
    if (frameRate_) {
        frameRate_->Update(now, form_->PacedFrames, height_);
        if (deadline == 0 || frameRate_->NextReadingNs() < deadline) deadline = frameRate_->NextReadingNs();
    }
    if (Animating()) {
        const std::uint32_t wait = pace::FrameWaitMs(form_->Pacing, TickOf(now));
        if (wait == 0) {
            bool done = false;
            form_->AnimeLoop(done);
            return now;
        }
        if (deadline == 0 || NsAfter(now, wait) < deadline) deadline = NsAfter(now, wait);
    }
    return deadline;
}

void X11Host::Wait(std::uint64_t now, std::uint64_t deadline, int signalFd, app::HostEnd& end)
{
    pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signalFd, POLLIN, 0}};
    timespec timeout{};
    if (deadline > now) {
        timeout.tv_sec = time_t((deadline - now) / 1000000000u);
        timeout.tv_nsec = long((deadline - now) % 1000000000u);
    }
    ppoll(waits, 2, deadline != 0 ? &timeout : nullptr, nullptr);
    if (waits[1].revents & POLLIN) {
        signalfd_siginfo signal;
        if (read(signalFd, &signal, sizeof signal) == ssize_t(sizeof signal)) {
            end.Signal = int(signal.ssi_signo);
            quit_ = true;
        }
    }
    if (waits[0].revents & (POLLHUP | POLLERR)) {
        // The server hung up: the next request finds out and ends the
        // process through DisplayLost.
        XNoOp(display_);
        XSync(display_, False);
        throw std::runtime_error("the display went away");
    }
}

void X11Host::Handle(XEvent& event)
{
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) PaintAll();
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_->Id() &&
            (event.xconfigure.width != width_ || event.xconfigure.height != height_))
            OnResize(event.xconfigure.width, event.xconfigure.height);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_->Id() && !window_->Own()) quit_ = true;
        break;
    case KeyPress: form_->FormKeyDown(saver::VirtualKeyOf(std::uint32_t(XLookupKeysym(&event.xkey, 0)))); break;
    case KeyRelease: form_->FormKeyUp(saver::VirtualKeyOf(std::uint32_t(XLookupKeysym(&event.xkey, 0)))); break;
    case ButtonPress: OnButton(event.xbutton); break;
    case MotionNotify: OnMotion(event); break;
    case ClientMessage:
        if (window_->IsClose(event.xclient)) form_->Close();
        break;
    default: break;
    }
}

void X11Host::OnResize(int width, int height)
{
    width_ = width;
    height_ = height;
    platform_.Screen = {width_, height_};
    form_->Resize(width_, height_);
    ClipAroundFrameRate();
    restage_.Changed(TickOf(MonotonicNs()));
    PaintAll();
}

void X11Host::Restage()
{
    // The scale follows the window's new size as a monitor's follows its own.
    if (const int scale = Scale(); scale != form_->Screen.Scale) {
        form_->Screen.Scale = scale;
        form_->Resize(width_, height_);
    }
    const bool another = form_->WantsAnotherStage();
    if (another) MakeStage(true);
    if (another && form_->Activated) {
        // The form painted its new stage itself; the rest of the window here.
        PaintBlack(saver::DescribeFrame(form_->View, form_->Figure, saver::PaintArea::Window));
        if (frameRate_) frameRate_->Paint(height_);
        return;
    }
    // The image as large as the window shows, no more, from now on.
    PaintAll();
}

void X11Host::OnMotion(XEvent& event)
{
    // As Windows does, only the latest position of moves that queued up.
    while (XCheckTypedWindowEvent(display_, window_->Id(), MotionNotify, &event)) {
    }
    if (!pointer_.IsMove(event.xmotion.x_root, event.xmotion.y_root)) return;
    const int x = event.xmotion.x, y = event.xmotion.y;
    window_->ShowCross(saver::ImagePointAt(*form_, x, y).has_value());
    // A still shown for --frames stays as it is.
    if (Animating()) saver::PointerMoved(*form_, x, y);
}

void X11Host::OnButton(const XButtonEvent& press)
{
    std::optional<figure::MouseButton> button;
    if (press.button == Button1) button = figure::MouseButton::Left;
    if (press.button == Button2) button = figure::MouseButton::Middle;
    if (press.button == Button3) button = figure::MouseButton::Right;
    saver::PointerButtonPressed(*form_, doubleClick_, button, std::uint32_t(press.time), press.x, press.y);
}

void X11Host::PaintBlack(const saver::WindowFrame& frame)
{
    XRectangle rects[4];
    for (int i = 0; i < frame.BlackCount; ++i) {
        const platform::Rect& r = frame.Black[std::size_t(i)];
        rects[i] = {short(r.Left), short(r.Top), static_cast<unsigned short>(r.Right - r.Left),
                    static_cast<unsigned short>(r.Bottom - r.Top)};
    }
    if (frame.BlackCount > 0) XFillRectangles(display_, window_->Id(), blackGc_, rects, frame.BlackCount);
}

void X11Host::Paint(saver::PaintArea area)
{
    if (!form_) return;
    const saver::WindowFrame frame = saver::DescribeFrame(form_->View, form_->Figure, area);
    PaintBlack(frame);
    if (frame.Covered.Empty()) return;
    // While a resize goes on the image only grows; after it, it is as large
    // as what shows.
    const platform::Rect shown = form_->View.Shown();
    image_->Fit(shown.Right - shown.Left, shown.Bottom - shown.Top, !restage_.Pending());
    image_->Fill(frame);
    image_->Put(window_->Id(), stageGc_, frame.Covered.Left, frame.Covered.Top, frame.Width(), frame.Height());
}

void X11Host::PaintAll()
{
    Paint(saver::PaintArea::Window);
    if (frameRate_) frameRate_->Paint(height_);
}

void X11Host::ClipAroundFrameRate()
{
    if (!frameRate_) return;
    for (GC gc : {stageGc_, blackGc_}) frameRate_->ClipAround(gc, width_, height_);
}

void X11Host::HideForm()
{
    if (window_->Own()) XUnmapWindow(display_, window_->Id());
}

}  // namespace x11
