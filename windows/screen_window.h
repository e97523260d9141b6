// The windows that lie over one monitor each: a monitor's form, or a black
// cover where the classic stage does not reach; and what such a window asks
// of the host that keeps the list of them.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "saver/saver_window.h"
#include "windows/window.h"

namespace windows {

class ScreenHost {
public:
    virtual HWND ApplicationWindow() const = 0;
    // The pointer really moved (Windows sends moves at a still position).
    virtual bool PointerMoved(HWND window, LPARAM lParam) = 0;
    // A press on a cover: the saver's window takes the keyboard back.
    virtual void TakeKeyboard() = 0;
    // The display changed: monitors, resolutions or DPIs.
    virtual void DisplayChanged() = 0;

protected:
    ~ScreenHost() = default;
};

class ScreenWindow : public Window {
public:
    const platform::Rect& Area() const { return area_; }
    int Scale() const { return scale_; }
    // The form on it; none on a cover.
    virtual saver::TForm1* Form() { return nullptr; }
    // Over every other window, shown without taking the activation, and
    // painted at once: black, or the moire where it is ready.
    void ShowTopmost();
    // The monitor has a new place, size or scale: the window follows it.
    virtual void Relayout(const platform::Rect& area, int scale) = 0;

protected:
    platform::Rect area_;
    int scale_ = 1;
};

// A black window over a monitor that takes no focus: a click does not even
// activate it. A press gives the keyboard back to the saver window, should
// another program have taken it; keys that reach a cover all the same go to
// the saver with the rest (the host's key routing).
class CoverWindow : public ScreenWindow {
public:
    CoverWindow(HINSTANCE instance, ScreenHost& host) : instance_(instance), host_(host) {}
    ~CoverWindow() override { Destroy(); }

    bool Create(const platform::Rect& area);
    void Relayout(const platform::Rect& area, int scale) override;

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HINSTANCE instance_;
    ScreenHost& host_;
};

inline RECT ToRECT(const platform::Rect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

}  // namespace windows
