// A window of the saver's own: its class registered once, its messages
// handed to the object that made it, and destroyed with that object. The
// saver's three kinds (a monitor's form, a black cover, the preview) and
// their handlers build on it.
#pragma once

#include <windows.h>

namespace windows {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return window_; }
    bool Owns(HWND window) const { return window_ != nullptr && window == window_; }

protected:
    // Registers the class `className` of style `classStyle` (black, the
    // arrow cursor, the saver's icon) where it is not yet, then makes the
    // window at `place`; false where it cannot be made.
    bool Create(HINSTANCE instance, const char* className, UINT classStyle, DWORD exStyle, const char* caption,
                DWORD style, const RECT& place, HWND parent);
    // The window goes now: its messages no longer reach this object.
    // Kinds whose handlers use their own members call it first in their
    // destructors.
    void Destroy();

    // One message; what a kind does not handle goes to DefWindowProcA.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace windows
