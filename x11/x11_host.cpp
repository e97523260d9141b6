#include "x11/x11_host.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "figure/redraw.h"
#include "tools/title.h"
#include "x11/bitmap_rows.h"
#include "x11/display_scale.h"
#include "x11/server_errors.h"
#include "x11/stage_image.h"

namespace x11 {
namespace {

// Two presses of the first button make a double click when they come within
// this time and this distance, as on Windows by default.
constexpr Time kDoubleClickMs = 500;
constexpr int kDoubleClickSlack = 2;

// A resize comes as a run of ConfigureNotify events while a window is
// dragged: the stage is made anew once none has come for this long.
constexpr std::uint64_t kRestageAfterNs = 200'000'000;

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

// Black and white as pixels of a window's visual, in its colormap.
struct Colours {
    unsigned long Black = 0, White = 0;
    bool Allocated = false;  // taken from the colormap, to be given back
};

Colours ColoursOf(::Display* display, const XWindowAttributes& window)
{
    const Visual* visual = window.visual;
    if (visual->c_class == TrueColor) {
        // Every bit of the depth that is no colour's (the alpha of a 32-bit
        // visual) is set, so that the pixels are opaque.
        const unsigned long all = window.depth >= int(8 * sizeof(unsigned long)) ? ~0ul : (1ul << window.depth) - 1;
        const unsigned long alpha = all & ~(visual->red_mask | visual->green_mask | visual->blue_mask);
        return {alpha, all, false};
    }
    XColor black{}, white{};
    white.red = white.green = white.blue = 0xFFFF;
    black.flags = white.flags = DoRed | DoGreen | DoBlue;
    if (XAllocColor(display, window.colormap, &black)) {
        if (XAllocColor(display, window.colormap, &white)) return {black.pixel, white.pixel, true};
        XFreeColors(display, window.colormap, &black.pixel, 1, 0);
    }
    // A full colormap: its darkest and its lightest entries, the nearest
    // black and white there are in it.
    const int entries = std::clamp(visual->map_entries, 0, 4096);
    if (entries == 0) return {BlackPixelOfScreen(window.screen), WhitePixelOfScreen(window.screen), false};
    std::vector<XColor> colours(std::size_t(entries), XColor{});
    for (int i = 0; i < entries; ++i) colours[std::size_t(i)].pixel = static_cast<unsigned long>(i);
    XQueryColors(display, window.colormap, colours.data(), entries);
    auto light = [](const XColor& c) { return long(c.red) + c.green + c.blue; };
    auto [darkest, lightest] = std::minmax_element(colours.begin(), colours.end(),
                                                   [&](const XColor& a, const XColor& b) { return light(a) < light(b); });
    return {darkest->pixel, lightest->pixel, false};
}

// A surface's pixels into an image of its size or more.
void CopySurface(XImage* image, const figure::Surface& surface)
{
    const BitmapLayout layout = LayoutOf(*image);
    for (int y = 0; y < surface.Height(); ++y)
        CopyRow(reinterpret_cast<std::uint8_t*>(image->data) + std::size_t(y) * image->bytes_per_line, surface.Row(y), 0,
                surface.Width(), layout);
}

// The Windows virtual-key code of a key, for the form's key handlers; 0 for
// a key they do not tell apart (it ends the saver all the same).
std::uint16_t VirtualKey(XKeyEvent& key)
{
    KeySym sym = XLookupKeysym(&key, 0);
    if (sym >= XK_a && sym <= XK_z) return std::uint16_t('A' + (sym - XK_a));
    if ((sym >= XK_A && sym <= XK_Z) || (sym >= XK_0 && sym <= XK_9)) return std::uint16_t(sym);
    if (sym >= XK_F1 && sym <= XK_F24) return std::uint16_t(0x70 + (sym - XK_F1));
    switch (sym) {
    case XK_Escape: return 27;
    case XK_Return: return 13;
    case XK_space: return 32;
    case XK_Tab: return 9;
    case XK_BackSpace: return 8;
    case XK_Shift_L:
    case XK_Shift_R: return 16;
    case XK_Control_L:
    case XK_Control_R: return 17;
    case XK_Alt_L:
    case XK_Alt_R: return 18;
    default: return 0;
    }
}

}  // namespace

X11Host::X11Host(const app::HackOptions& options)
    : options_(options), platform_(options.SleepTime), title_(vidider::LoadTitlePicture())
{
    // A window of the daemon may go away at any time: that ends the hack, it
    // is no failure.
    CountServerErrors();
    const char* environment = std::getenv("DISPLAY");
    if (options.Display.empty() && (environment == nullptr || *environment == '\0'))
        throw StartError("no display: DISPLAY is not set, and no --display NAME was given");
    display_ = XOpenDisplay(options.Display.empty() ? nullptr : options.Display.c_str());
    if (display_ == nullptr)
        throw StartError("cannot open the display '" + (options.Display.empty() ? environment : options.Display) + "'");
    XSetIOErrorHandler(DisplayLost);
    OpenWindow(options);
    XGCValues values{};
    values.foreground = white_;
    values.background = black_;
    values.graphics_exposures = False;
    stageGc_ = XCreateGC(display_, window_, GCForeground | GCBackground | GCGraphicsExposures, &values);
    values.foreground = black_;
    blackGc_ = XCreateGC(display_, window_, GCForeground | GCGraphicsExposures, &values);
    try {
        const ImageKind kind = ChooseImageKind(attributes_, XShmQueryExtension(display_), std::getenv("VIDIDER_IMAGE"));
        image_ = std::make_unique<StageImage>(display_, attributes_, black_, white_, kind);
    } catch (const std::invalid_argument& e) {
        throw StartError(e.what());
    }
    if (options.Fps) {
        const figure::Surface box = app::FrameRateBox(std::nullopt);
        frameRateImage_ = PlainBitmap(display_, DefaultVisual(display_, DefaultScreen(display_)), box.Width(), box.Height());
        values.foreground = white_;
        frameRateGc_ = XCreateGC(display_, window_, GCForeground | GCBackground | GCGraphicsExposures, &values);
    }

    platform_.Attach(this);
    CreateForm(ChooseScale(options));
}

int X11Host::ChooseScale(const app::HackOptions& options)
{
    if (options.Scale) {
        scaleSource_ = "--scale";
        return *options.Scale;
    }
    const std::optional<std::string> dpi = XftDpiIn(XResourceManagerString(display_));
    scaleSource_ = dpi ? "Xft.dpi " + *dpi : "no Xft.dpi";
    dpiScale_ = ScaleForXftDpi(dpi);
    return FittedScale();
}

int X11Host::FittedScale() const
{
    // The DPI's scale, lowered until the classic stage fits the window.
    return options_.Scale ? *options_.Scale : saver::FitScale(dpiScale_, width_, height_);
}

void X11Host::CreateForm(int scale)
{
    form_ = std::make_unique<saver::TForm1>(platform_, 0, &title_);
    form_->Screen = {platform::Rect{0, 0, width_, height_}, scale,
                     options_.Classic ? saver::StageMode::Classic : saver::StageMode::Fill};
    MakeStage(false);
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

X11Host::~X11Host()
{
    if (form_) form_->FormDestroy();
    form_.reset();
    if (display_ == nullptr) return;
    image_.reset();
    if (frameRateImage_ != nullptr) XDestroyImage(frameRateImage_);
    for (GC gc : {stageGc_, blackGc_, frameRateGc_})
        if (gc != nullptr) XFreeGC(display_, gc);
    if (coloursAllocated_) {
        unsigned long pixels[] = {black_, white_};
        XFreeColors(display_, colormap_, pixels, 2, 0);
    }
    if (cross_ != 0) XFreeCursor(display_, cross_);
    if (ownWindow_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void X11Host::OpenWindow(const app::HackOptions& options)
{
    const int screen = DefaultScreen(display_);
    std::string named;
    if (options.Where == app::HackOptions::Mode::Window) {
        CreateOwnWindow(options);
    } else if (options.Where == app::HackOptions::Mode::WindowId) {
        window_ = Window(options.WindowId);
        named = "--window-id";
    } else if (const char* daemon = std::getenv("XSCREENSAVER_WINDOW"); daemon != nullptr && *daemon != '\0') {
        auto id = app::ParseWindowId(daemon);
        if (!id) throw StartError(std::string("XSCREENSAVER_WINDOW holds no window id: '") + daemon + "'");
        window_ = Window(*id);
        named = "XSCREENSAVER_WINDOW";
    } else {
        window_ = RootWindow(display_, screen);
    }
    // The hack draws in the window's own visual and colormap, whatever the
    // screen's.
    XWindowAttributes& attributes = attributes_;
    const int errors = ServerErrorCount();
    Status found = XGetWindowAttributes(display_, window_, &attributes);
    XSync(display_, False);
    if (!found || ServerErrorCount() != errors) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(window_));
        throw StartError("no window " + std::string(id) + " on the display (" + named + ")");
    }
    const Colours colours = ColoursOf(display_, attributes);
    black_ = colours.Black;
    white_ = colours.White;
    coloursAllocated_ = colours.Allocated;
    colormap_ = attributes.colormap;
    if (ownWindow_) return;
    // The daemon owns input there: this hack follows the window's size.
    width_ = attributes.width;
    height_ = attributes.height;
    XSelectInput(display_, window_, ExposureMask | StructureNotifyMask);
}

void X11Host::CreateOwnWindow(const app::HackOptions& options)
{
    const int screen = DefaultScreen(display_);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen);
    attributes.event_mask =
        KeyPressMask | KeyReleaseMask | ButtonPressMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
    width_ = options.Width;
    height_ = options.Height;
    // WxH-X-Y: the window's right and bottom edges X and Y from the screen's.
    int x = options.X.value_or(0), y = options.Y.value_or(0);
    if (options.FromRight) x = DisplayWidth(display_, screen) - width_ - x;
    if (options.FromBottom) y = DisplayHeight(display_, screen) - height_ - y;
    window_ = XCreateWindow(display_, RootWindow(display_, screen), x, y, unsigned(width_), unsigned(height_), 0,
                            CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    ownWindow_ = true;
    XStoreName(display_, window_, "vidider");
    XClassHint hint{const_cast<char*>("vidider"), const_cast<char*>("Vidider")};
    XSetClassHint(display_, window_, &hint);
    if (options.X) {
        // The corner the place counts from stays put, also under a window
        // manager that adds a frame.
        XSizeHints hints{};
        hints.flags = USPosition | USSize | PWinGravity;
        hints.x = x;
        hints.y = y;
        hints.width = width_;
        hints.height = height_;
        hints.win_gravity = options.FromRight ? (options.FromBottom ? SouthEastGravity : NorthEastGravity)
                                              : (options.FromBottom ? SouthWestGravity : NorthWestGravity);
        XSetWMNormalHints(display_, window_, &hints);
    }
    deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteWindow_, 1);
    cross_ = XCreateFontCursor(display_, XC_crosshair);
}

bool X11Host::Animating() const
{
    return form_->IdleHandlerInstalled() && !(options_.Frames && form_->PacedFrames >= *options_.Frames);
}

RunEnd X11Host::Run(int signalFd)
{
    RunEnd end;
    if (ownWindow_) XMapRaised(display_, window_);
    form_->FormActivate();
    if (options_.Seed) form_->Random.SetSeed(*options_.Seed);
    frameRate_.Start(MonotonicNs(), form_->PacedFrames);
    ClipStageAroundFrameRate();
    // The activation composed the first frame before it counted as done. A
    // window of its own shows it with the Expose of its mapping; a window
    // that is there already, now.
    if (!ownWindow_) PaintAll();

    pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signalFd, POLLIN, 0}};
    while (!quit_) {
        while (!quit_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Handle(event);
        }
        if (quit_) break;
        if (ServerErrorCount() > 0 && LastErrorResource() == window_) break;  // the window went away

        std::uint64_t now = MonotonicNs();
        if (restageDueNs_ != 0 && now >= restageDueNs_) {
            Restage();
            continue;
        }
        std::uint64_t deadline = restageDueNs_;  // 0: none
        if (Animating()) {
            std::uint32_t wait = pace::FrameWaitMs(form_->Pacing, TickOf(now));
            if (wait == 0) {
                bool done = false;
                form_->AnimeLoop(done);
                continue;
            }
            // The clock reads the due tick from the first nanosecond of it.
            const std::uint64_t due = (now / 1000000u + wait) * 1000000u;
            if (deadline == 0 || due < deadline) deadline = due;
        }
        if (options_.Fps) {
            if (frameRate_.Update(now, form_->PacedFrames)) PaintFrameRate();
            if (deadline == 0 || frameRate_.NextReadingNs() < deadline) deadline = frameRate_.NextReadingNs();
        }
        XFlush(display_);
        timespec timeout{};
        if (deadline > now) {
            timeout.tv_sec = time_t((deadline - now) / 1000000000u);
            timeout.tv_nsec = long((deadline - now) % 1000000000u);
        }
        waits[0].revents = waits[1].revents = 0;
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
    return end;
}

void X11Host::Handle(XEvent& event)
{
    saver::TForm1& f = *form_;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) PaintAll();
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_ &&
            (event.xconfigure.width != width_ || event.xconfigure.height != height_))
            OnResize(event.xconfigure.width, event.xconfigure.height);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_ && !ownWindow_) quit_ = true;
        break;
    case KeyPress:
        f.FormKeyDown(VirtualKey(event.xkey));
        break;
    case KeyRelease:
        f.FormKeyUp(VirtualKey(event.xkey));
        break;
    case ButtonPress:
        OnButton(event.xbutton);
        break;
    case MotionNotify: {
        // As Windows does, only the latest position of moves that queued up.
        while (XCheckTypedWindowEvent(display_, window_, MotionNotify, &event)) {
        }
        if (pointer_.IsMove(event.xmotion.x_root, event.xmotion.y_root)) OnPointer(event.xmotion.x, event.xmotion.y);
        break;
    }
    case ClientMessage:
        if (Atom(event.xclient.data.l[0]) == deleteWindow_) f.Close();
        break;
    default:
        break;
    }
}

void X11Host::OnResize(int width, int height)
{
    width_ = width;
    height_ = height;
    form_->Resize(width_, height_);
    ClipStageAroundFrameRate();
    restageDueNs_ = MonotonicNs() + kRestageAfterNs;
    PaintAll();
}

void X11Host::Restage()
{
    restageDueNs_ = 0;
    // The scale follows the window's new size as a monitor's follows its own.
    if (const int scale = FittedScale(); scale != form_->Screen.Scale) {
        form_->Screen.Scale = scale;
        form_->Resize(width_, height_);
    }
    if (form_->WantsAnotherStage() && form_->Activated) {
        // The form paints its new stage itself; the rest of the window here.
        MakeStage(true);
        PaintBorder();
        PaintFrameRate();
        return;
    }
    if (form_->WantsAnotherStage()) MakeStage(true);
    // The image as large as the window shows, no more, from now on.
    PaintAll();
}

std::optional<X11Host::ImagePoint> X11Host::OnImage(int x, int y) const
{
    // The stage clips the image.
    const std::optional<saver::FigurePoint> at = form_->View.ToStage(x, y);
    const figure::TImage& image = form_->Figure.Image1;
    if (!at || !image.Contains(at->X, at->Y)) return std::nullopt;
    return ImagePoint{at->X - image.Left, at->Y - image.Top};
}

void X11Host::OnPointer(int x, int y)
{
    const std::optional<ImagePoint> at = OnImage(x, y);
    const bool over = at.has_value();
    if (over != crossShown_) {
        if (over)
            XDefineCursor(display_, window_, cross_);
        else
            XUndefineCursor(display_, window_);
        crossShown_ = over;
    }
    // A still shown for --frames stays as it is.
    if (!Animating()) return;
    if (at)
        form_->Image1MouseMove(at->X, at->Y);
    else
        form_->FormMouseMove(x, y);
}

void X11Host::OnButton(const XButtonEvent& press)
{
    const std::optional<ImagePoint> at = OnImage(press.x, press.y);
    if (press.button < Button1 || press.button > Button3 || !at) {
        pressed_ = false;
        return;
    }
    auto button = press.button == Button1   ? figure::MouseButton::Left
                  : press.button == Button3 ? figure::MouseButton::Right
                                            : figure::MouseButton::Middle;
    form_->Image1MouseDown(button, at->X, at->Y);
    if (press.button != Button1) return;
    const bool second = pressed_ && press.time - lastPress_ <= kDoubleClickMs &&
                        std::abs(press.x - pressX_) <= kDoubleClickSlack && std::abs(press.y - pressY_) <= kDoubleClickSlack;
    if (second) {
        pressed_ = false;  // a third press starts a new pair
        form_->Image1DblClick();
        return;
    }
    pressed_ = true;
    lastPress_ = press.time;
    pressX_ = press.x;
    pressY_ = press.y;
}

void X11Host::PaintBorder()
{
    XRectangle border[4];
    int n = 0;
    auto add = [&](int x, int y, int w, int h) {
        if (w > 0 && h > 0) border[n++] = {short(x), short(y), static_cast<unsigned short>(w), static_cast<unsigned short>(h)};
    };
    const platform::Rect shown = form_->View.Shown();
    if (shown.Empty()) {
        add(0, 0, width_, height_);
    } else {
        add(0, 0, width_, shown.Top);                                                // above
        add(0, shown.Bottom, width_, height_ - shown.Bottom);                        // below
        add(0, shown.Top, shown.Left, shown.Bottom - shown.Top);                     // left
        add(shown.Right, shown.Top, width_ - shown.Right, shown.Bottom - shown.Top);  // right
    }
    if (n > 0) XFillRectangles(display_, window_, blackGc_, border, n);
}

void X11Host::RepaintImage(bool) { PaintStage(); }

void X11Host::PaintAll()
{
    PaintBorder();
    PaintStage();
    PaintFrameRate();
}

void X11Host::PaintStage()
{
    if (!form_ || !form_->Activated) return;
    const platform::Rect shown = form_->View.Shown();
    if (shown.Empty()) return;
    const int width = shown.Right - shown.Left, height = shown.Bottom - shown.Top;
    // While a resize goes on the image only grows; after it, it is as large
    // as what shows.
    image_->Fit(width, height, restageDueNs_ == 0);

    // The stage's rows straight from the image's picture. Where the picture
    // does not cover the stage (never, within the placement's clamps) the
    // stage is black.
    const figure::FigureState& f = form_->Figure;
    const figure::TPanel& panel = f.Panel1;
    const figure::Surface* picture = f.Image1.Picture;
    const int left = f.Image1.Left, top = f.Image1.Top;
    const bool covered = picture != nullptr && left <= 0 && top <= 0 && left + picture->Width() >= panel.Width &&
                         top + picture->Height() >= panel.Height;
    if (covered) {
        image_->Fill(form_->View, *picture, left, top);
    } else {
        if (shown_.Width() != panel.Width || shown_.Height() != panel.Height)
            shown_ = figure::Surface(panel.Width, panel.Height);
        figure::CopyShownWindow(f, shown_);
        image_->Fill(form_->View, shown_, 0, 0);
    }
    image_->Put(window_, stageGc_, shown.Left, shown.Top, width, height);
}

void X11Host::PaintFrameRate()
{
    if (frameRateImage_ == nullptr) return;
    CopySurface(frameRateImage_, app::FrameRateBox(frameRate_.Rate()));
    XPutImage(display_, window_, frameRateGc_, frameRateImage_, 0, 0, 0, height_ - frameRateImage_->height,
              unsigned(frameRateImage_->width), unsigned(frameRateImage_->height));
}

void X11Host::ClipStageAroundFrameRate()
{
    if (frameRateImage_ == nullptr) return;
    // The window less the box in its bottom-left corner: above it, and
    // right of it.
    const int boxTop = std::max(0, height_ - frameRateImage_->height);
    const int boxRight = std::min(width_, frameRateImage_->width);
    XRectangle around[2] = {
        {0, 0, static_cast<unsigned short>(width_), static_cast<unsigned short>(boxTop)},
        {short(boxRight), short(boxTop), static_cast<unsigned short>(width_ - boxRight),
         static_cast<unsigned short>(height_ - boxTop)},
    };
    XSetClipRectangles(display_, stageGc_, 0, 0, around, 2, Unsorted);
}

void X11Host::HideForm()
{
    if (ownWindow_) XUnmapWindow(display_, window_);
}

}  // namespace x11
