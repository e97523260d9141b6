#include "x11/target_window.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "x11/server_errors.h"

namespace x11 {
namespace {

// Black and white as pixels of a window's visual, in its colormap.
struct Colours {
    unsigned long Black = 0, White = 0;
    bool Taken = false;  // taken from the colormap, to be given back
};

// A full colormap: its darkest and its lightest entries, the nearest black
// and white there are in it.
Colours NearestInColormap(::Display* display, const XWindowAttributes& window)
{
    const int entries = std::clamp(window.visual->map_entries, 0, 4096);
    if (entries == 0) return {BlackPixelOfScreen(window.screen), WhitePixelOfScreen(window.screen), false};
    std::vector<XColor> colours(std::size_t(entries), XColor{});
    for (int i = 0; i < entries; ++i) colours[std::size_t(i)].pixel = static_cast<unsigned long>(i);
    XQueryColors(display, window.colormap, colours.data(), entries);
    auto light = [](const XColor& c) { return long(c.red) + c.green + c.blue; };
    auto [darkest, lightest] = std::minmax_element(colours.begin(), colours.end(),
                                                   [&](const XColor& a, const XColor& b) { return light(a) < light(b); });
    return {darkest->pixel, lightest->pixel, false};
}

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
    return NearestInColormap(display, window);
}

}  // namespace

TargetWindow::TargetWindow(::Display* display, const app::HackOptions& options) : display_(display)
{
    std::string named;
    if (options.Where == app::HackOptions::Mode::Window) {
        CreateOwn(options);
    } else if (options.Where == app::HackOptions::Mode::WindowId) {
        window_ = ::Window(options.WindowId);
        named = "--window-id";
    } else if (const char* daemon = std::getenv("XSCREENSAVER_WINDOW"); daemon != nullptr && *daemon != '\0') {
        auto id = app::ParseWindowId(daemon);
        if (!id) throw StartError(std::string("XSCREENSAVER_WINDOW holds no window id: '") + daemon + "'");
        window_ = ::Window(*id);
        named = "XSCREENSAVER_WINDOW";
    } else {
        window_ = RootWindow(display_, DefaultScreen(display_));
    }
    // The hack draws in the window's own visual and colormap, whatever the
    // screen's.
    const int errors = ServerErrorCount();
    const Status found = XGetWindowAttributes(display_, window_, &attributes_);
    XSync(display_, False);
    if (!found || ServerErrorCount() != errors) {
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(window_));
        throw StartError("no window " + std::string(id) + " on the display (" + named + ")");
    }
    TakeColours();
    if (own_) return;
    // The daemon owns input there: this hack follows the window's size.
    width_ = attributes_.width;
    height_ = attributes_.height;
    XSelectInput(display_, window_, ExposureMask | StructureNotifyMask);
}

TargetWindow::~TargetWindow()
{
    if (coloursTaken_) {
        unsigned long pixels[] = {black_, white_};
        XFreeColors(display_, attributes_.colormap, pixels, 2, 0);
    }
    if (cross_ != 0) XFreeCursor(display_, cross_);
    if (own_) XDestroyWindow(display_, window_);
}

void TargetWindow::TakeColours()
{
    const Colours colours = ColoursOf(display_, attributes_);
    black_ = colours.Black;
    white_ = colours.White;
    coloursTaken_ = colours.Taken;
}

void TargetWindow::CreateOwn(const app::HackOptions& options)
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
    own_ = true;
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

bool TargetWindow::IsClose(const XClientMessageEvent& message) const
{
    return own_ && Atom(message.data.l[0]) == deleteWindow_;
}

void TargetWindow::ShowCross(bool over)
{
    if (cross_ == 0 || over == crossShown_) return;
    if (over)
        XDefineCursor(display_, window_, cross_);
    else
        XUndefineCursor(display_, window_);
    crossShown_ = over;
}

}  // namespace x11
