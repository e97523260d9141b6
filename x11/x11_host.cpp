#include "x11/x11_host.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "figure/redraw.h"
#include "tools/title.h"

namespace x11 {
namespace {

constexpr int kStageWidth = 1024;
constexpr int kStageHeight = 768;
// Two presses of the first button make a double click when they come within
// this time and this distance, as on Windows by default.
constexpr Time kDoubleClickMs = 500;
constexpr int kDoubleClickSlack = 2;

// Errors the server reports for requests already sent (Xlib hands them to a
// function, hence this one static). A window of the daemon may go away at
// any time: that ends the hack, it is no failure.
struct ServerErrors {
    int count = 0;
    XID lastResource = 0;
};
ServerErrors serverErrors;

int NoteError(::Display*, XErrorEvent* error)
{
    ++serverErrors.count;
    serverErrors.lastResource = error->resourceid;
    return 0;
}

// The 1024 pixels of `row` from pixel `from` on (leftmost in the high bit,
// as the engine keeps them) into `to`, bytes in order, each byte's leftmost
// pixel in its low bit when `lowBitFirst`. 64 pixels at a time.
void CopyRow(std::uint8_t* to, const std::uint8_t* row, int from, bool lowBitFirst)
{
    const std::uint8_t* source = row + (from >> 3);
    const int shift = from & 7;
    for (int word = 0; word < kStageWidth / 64; ++word, source += 8, to += 8) {
        std::uint64_t bits;
        std::memcpy(&bits, source, sizeof bits);
        bits = __builtin_bswap64(bits);  // the leftmost pixel in bit 63
        if (shift != 0) bits = (bits << shift) | (source[8] >> (8 - shift));
        bits = __builtin_bswap64(bits);  // back in byte order
        if (lowBitFirst) {
            // Every byte's bits the other way round, eight bytes at once.
            bits = ((bits >> 1) & 0x5555555555555555u) | ((bits & 0x5555555555555555u) << 1);
            bits = ((bits >> 2) & 0x3333333333333333u) | ((bits & 0x3333333333333333u) << 2);
            bits = ((bits >> 4) & 0x0F0F0F0F0F0F0F0Fu) | ((bits & 0x0F0F0F0F0F0F0F0Fu) << 4);
        }
        std::memcpy(to, &bits, sizeof bits);
    }
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
    : options_(options), shown_(kStageWidth, kStageHeight), platform_(options.SleepTime),
      title_(vidider::LoadTitlePicture())
{
    XSetErrorHandler(NoteError);
    display_ = XOpenDisplay(options.Display.empty() ? nullptr : options.Display.c_str());
    if (display_ == nullptr) {
        const char* name = options.Display.empty() ? std::getenv("DISPLAY") : options.Display.c_str();
        throw StartError(std::string("cannot open the display '") + (name != nullptr ? name : "") + "'");
    }
    OpenWindow(options);
    const int screen = DefaultScreen(display_);
    XGCValues values{};
    values.foreground = WhitePixel(display_, screen);
    values.background = BlackPixel(display_, screen);
    values.graphics_exposures = False;
    stageGc_ = XCreateGC(display_, window_, GCForeground | GCBackground | GCGraphicsExposures, &values);
    values.foreground = BlackPixel(display_, screen);
    blackGc_ = XCreateGC(display_, window_, GCForeground | GCGraphicsExposures, &values);
    CreateImage();

    platform_.Attach(this);
    form_ = std::make_unique<saver::TForm1>(platform_, 0, &title_);
    form_->FormCreate();
}

X11Host::~X11Host()
{
    if (form_) form_->FormDestroy();
    form_.reset();
    if (display_ == nullptr) return;
    if (image_ != nullptr) {
        if (shared_) {
            XShmDetach(display_, &shm_);
            XSync(display_, False);
            shmdt(shm_.shmaddr);
            image_->data = nullptr;
        }
        XDestroyImage(image_);
    }
    if (stageGc_ != nullptr) XFreeGC(display_, stageGc_);
    if (blackGc_ != nullptr) XFreeGC(display_, blackGc_);
    if (cross_ != 0) XFreeCursor(display_, cross_);
    if (ownWindow_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
}

void X11Host::OpenWindow(const app::HackOptions& options)
{
    const int screen = DefaultScreen(display_);
    if (options.Where == app::HackOptions::Mode::Window) {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = BlackPixel(display_, screen);
        attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | PointerMotionMask | ExposureMask |
                                StructureNotifyMask;
        width_ = options.Width;
        height_ = options.Height;
        int x = options.X.value_or(0), y = options.Y.value_or(0);
        if (x < 0) x += DisplayWidth(display_, screen) - width_;
        if (y < 0) y += DisplayHeight(display_, screen) - height_;
        window_ = XCreateWindow(display_, RootWindow(display_, screen), x, y, unsigned(width_), unsigned(height_), 0,
                                CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
        ownWindow_ = true;
        XStoreName(display_, window_, "vidider");
        XClassHint hint{const_cast<char*>("vidider"), const_cast<char*>("Vidider")};
        XSetClassHint(display_, window_, &hint);
        if (options.X) {
            XSizeHints hints{};
            hints.flags = USPosition | USSize;
            hints.x = x;
            hints.y = y;
            hints.width = width_;
            hints.height = height_;
            XSetWMNormalHints(display_, window_, &hints);
        }
        deleteWindow_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display_, window_, &deleteWindow_, 1);
        cross_ = XCreateFontCursor(display_, XC_crosshair);
        return;
    }

    window_ = RootWindow(display_, screen);
    std::string named;
    if (options.Where == app::HackOptions::Mode::WindowId) {
        window_ = Window(options.WindowId);
        named = "--window-id";
    } else if (const char* daemon = std::getenv("XSCREENSAVER_WINDOW"); daemon != nullptr && *daemon != '\0') {
        auto id = app::ParseWindowId(daemon);
        if (!id) throw StartError(std::string("XSCREENSAVER_WINDOW holds no window id: '") + daemon + "'");
        window_ = Window(*id);
        named = "XSCREENSAVER_WINDOW";
    }
    // The daemon owns input there: this hack follows the window's size.
    XWindowAttributes attributes{};
    const int errors = serverErrors.count;
    Status found = XGetWindowAttributes(display_, window_, &attributes);
    XSync(display_, False);
    if (!found || serverErrors.count != errors) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(window_));
        throw StartError("no window " + std::string(id) + " on the display (" + named + ")");
    }
    width_ = attributes.width;
    height_ = attributes.height;
    XSelectInput(display_, window_, ExposureMask | StructureNotifyMask);
}

void X11Host::CreateImage()
{
    const int screen = DefaultScreen(display_);
    Visual* visual = DefaultVisual(display_, screen);
    if (XShmQueryExtension(display_)) {
        image_ = XShmCreateImage(display_, visual, 1, XYBitmap, nullptr, &shm_, kStageWidth, kStageHeight);
        if (image_ != nullptr) {
            shm_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * image_->height, IPC_CREAT | 0600);
            shm_.shmaddr = shm_.shmid >= 0 ? static_cast<char*>(shmat(shm_.shmid, nullptr, 0)) : reinterpret_cast<char*>(-1);
            if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
                image_->data = shm_.shmaddr;
                shm_.readOnly = False;
                const int errors = serverErrors.count;
                XShmAttach(display_, &shm_);
                XSync(display_, False);
                shared_ = serverErrors.count == errors;
            }
            // Marked for removal at once: it goes when both sides let go,
            // even if this process is killed.
            if (shm_.shmid >= 0) shmctl(shm_.shmid, IPC_RMID, nullptr);
            if (!shared_) {
                if (shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
            }
        }
    }
    if (image_ == nullptr) {
        // A display without shared memory (over the network): a plain image.
        const int bytesPerLine = kStageWidth / 8;
        char* data = static_cast<char*>(std::calloc(std::size_t(bytesPerLine) * kStageHeight, 1));
        image_ = XCreateImage(display_, visual, 1, XYBitmap, 0, data, kStageWidth, kStageHeight, 8, bytesPerLine);
        image_->bitmap_bit_order = MSBFirst;
        image_->byte_order = MSBFirst;
    }
}

bool X11Host::Animating() const
{
    return form_->IdleHandlerInstalled() && !(options_.Frames && form_->PacedFrames >= *options_.Frames);
}

int X11Host::Run(int signalFd)
{
    // The first frame reaches a window of its own with the Expose of its
    // mapping.
    if (ownWindow_) XMapRaised(display_, window_);
    form_->FormActivate();
    if (options_.Seed) form_->Random.SetSeed(*options_.Seed);
    PaintBorder();
    fpsSince_ = MonotonicNs();

    pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {signalFd, POLLIN, 0}};
    while (!quit_) {
        while (!quit_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Handle(event);
        }
        if (quit_) break;
        if (serverErrors.count > 0 && serverErrors.lastResource == window_) break;  // the window went away

        std::uint64_t now = MonotonicNs();
        std::uint64_t deadline = 0;  // none
        if (Animating()) {
            std::uint32_t wait = pace::FrameWaitMs(form_->Pacing, TickOf(now));
            if (wait == 0) {
                bool done = false;
                form_->AnimeLoop(done);
                continue;
            }
            // The clock reads the due tick from the first nanosecond of it.
            deadline = (now / 1000000u + wait) * 1000000u;
        }
        if (options_.Fps) {
            ReportFps(now);
            std::uint64_t report = fpsSince_ + 1000000000u;
            if (deadline == 0 || report < deadline) deadline = report;
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
            if (read(signalFd, &signal, sizeof signal) > 0) quit_ = true;
        }
        if (waits[0].revents & (POLLHUP | POLLERR)) break;
    }
    return 0;
}

void X11Host::ReportFps(std::uint64_t now)
{
    if (now - fpsSince_ < 1000000000u) return;
    const double seconds = double(now - fpsSince_) / 1e9;
    std::fprintf(stderr, "vidider: %.1f frames a second\n", double(form_->PacedFrames - fpsFrames_) / seconds);
    fpsSince_ = now;
    fpsFrames_ = form_->PacedFrames;
}

void X11Host::Handle(XEvent& event)
{
    saver::TForm1& f = *form_;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) {
            PaintBorder();
            PaintStage();
        }
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == window_ &&
            (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            f.Resize(width_, height_);
            PaintBorder();
            PaintStage();
        }
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

std::optional<X11Host::ImagePoint> X11Host::OnImage(int x, int y) const
{
    const figure::TPanel& panel = form_->Figure.Panel1;
    const figure::TImage& image = form_->Figure.Image1;
    const int px = x - panel.Left, py = y - panel.Top;  // the stage clips the image
    if (px < 0 || py < 0 || px >= panel.Width || py >= panel.Height || !image.Contains(px, py)) return std::nullopt;
    return ImagePoint{px - image.Left, py - image.Top};
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
    const figure::TPanel& panel = form_->Figure.Panel1;
    const int x0 = panel.Left, y0 = panel.Top, x1 = panel.Left + panel.Width, y1 = panel.Top + panel.Height;
    XRectangle border[4];
    int n = 0;
    auto add = [&](int x, int y, int w, int h) {
        if (w > 0 && h > 0) border[n++] = {short(x), short(y), static_cast<unsigned short>(w), static_cast<unsigned short>(h)};
    };
    add(0, 0, width_, std::min(y0, height_));                                  // above
    add(0, std::max(y1, 0), width_, height_ - std::max(y1, 0));                // below
    add(0, std::max(y0, 0), std::min(x0, width_), std::min(y1, height_) - std::max(y0, 0));  // left
    add(std::max(x1, 0), std::max(y0, 0), width_ - std::max(x1, 0), std::min(y1, height_) - std::max(y0, 0));  // right
    if (n > 0) XFillRectangles(display_, window_, blackGc_, border, n);
}

void X11Host::RepaintImage(bool) { PaintStage(); }

void X11Host::PaintStage()
{
    if (!form_ || !form_->Activated) return;
    const figure::TPanel& panel = form_->Figure.Panel1;
    const int x0 = std::max(0, panel.Left), y0 = std::max(0, panel.Top);
    const int x1 = std::min(width_, panel.Left + kStageWidth), y1 = std::min(height_, panel.Top + kStageHeight);
    if (x0 >= x1 || y0 >= y1) return;
    const int sx = x0 - panel.Left, sy = y0 - panel.Top;

    // The stage's rows straight from the image's picture, in the server's
    // bit order. Where the picture does not cover the stage (never, within
    // the placement's clamps) the stage is black.
    const figure::FigureState& f = form_->Figure;
    const figure::Surface* picture = f.Image1.Picture;
    const int left = f.Image1.Left, top = f.Image1.Top;
    const bool covered = picture != nullptr && left <= 0 && top <= 0 && left + picture->Width() >= kStageWidth &&
                         top + picture->Height() >= kStageHeight;
    if (!covered) figure::CopyShownWindow(f, shown_);
    const bool lowBitFirst = image_->bitmap_bit_order == LSBFirst;
    for (int y = sy; y < sy + (y1 - y0); ++y) {
        const std::uint8_t* row = covered ? picture->Row(y - top) : shown_.Row(y);
        const int from = covered ? -left : 0;
        CopyRow(reinterpret_cast<std::uint8_t*>(image_->data) + std::size_t(y) * image_->bytes_per_line, row, from,
                lowBitFirst);
    }
    if (shared_) {
        XShmPutImage(display_, window_, stageGc_, image_, sx, sy, x0, y0, unsigned(x1 - x0), unsigned(y1 - y0), False);
        // The image is written again for the next frame: the server must
        // have taken this one.
        XSync(display_, False);
    } else {
        XPutImage(display_, window_, stageGc_, image_, sx, sy, x0, y0, unsigned(x1 - x0), unsigned(y1 - y0));
        XFlush(display_);
    }
}

void X11Host::HideForm()
{
    if (ownWindow_) XUnmapWindow(display_, window_);
}

}  // namespace x11
