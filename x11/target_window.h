// The window the X11 hack draws into: its own, the daemon's or the root, or a
// given one; its visual, colormap, black and white, and for its own window
// the cursor and the window manager's close.
#pragma once

#include <X11/Xlib.h>

#include "app/hack_options.h"
#include "app/host_process.h"

namespace x11 {

using app::StartError;

class TargetWindow {
public:
    // Finds or makes the window the options name. Throws StartError.
    TargetWindow(::Display* display, const app::HackOptions& options);
    // Gives back the colours taken, the cursor and a window of its own.
    ~TargetWindow();
    TargetWindow(const TargetWindow&) = delete;
    TargetWindow& operator=(const TargetWindow&) = delete;

    ::Window Id() const { return window_; }
    // Its own window, which the hack maps, and whose input it takes.
    bool Own() const { return own_; }
    const XWindowAttributes& Attributes() const { return attributes_; }
    // Black and white as pixels of the window's visual, in its colormap.
    unsigned long Black() const { return black_; }
    unsigned long White() const { return white_; }
    // The size the window has when it is found or made.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Whether a client message is the window manager's close.
    bool IsClose(const XClientMessageEvent& message) const;
    // The cross over the stage's image, the arrow elsewhere (its own window).
    void ShowCross(bool over);

private:
    void CreateOwn(const app::HackOptions& options);
    void TakeColours();

    ::Display* display_;
    ::Window window_ = 0;
    bool own_ = false;
    XWindowAttributes attributes_{};
    int width_ = 0, height_ = 0;
    unsigned long black_ = 0, white_ = 0;
    bool coloursTaken_ = false;  // from the window's colormap, to be given back
    Atom deleteWindow_ = 0;
    Cursor cross_ = 0;
    bool crossShown_ = false;
};

}  // namespace x11
