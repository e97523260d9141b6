// One window of the saver and what it shows: a monitor's full-screen window
// with its TForm1, its stage and its painting; a black cover (no form) over a
// monitor the stage does not reach; or the preview's child window. Hit
// testing and painting go through the form's StageView, so a figure pixel is
// Scale x Scale screen pixels. Each window has its own platform, through
// which its form repaints, hides and ends; the host owns the loop, the keys
// and the list of windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "figure/surface.h"
#include "saver/form_group.h"
#include "saver/saver_window.h"
#include "saver/widen.h"
#include "windows/win32_platform.h"

namespace windows {

// What a monitor's window needs of the host that owns it.
class MonitorHost {
public:
    virtual HWND ApplicationWindow() const = 0;
    // The pointer really moved (Windows sends moves at a still position).
    virtual bool PointerMoved(HWND window, LPARAM lParam) = 0;
    // A press on a cover: the saver's window takes the keyboard back.
    virtual void TakeKeyboard() = 0;
    // The display changed: monitors, resolutions or DPIs.
    virtual void DisplayChanged() = 0;
    // The preview's window is being destroyed.
    virtual void WindowGone() = 0;

protected:
    ~MonitorHost() = default;
};

class MonitorWindow : public FormWindows {
public:
    // `platform` serves this window's form, or a platform of its own when
    // none is given; the window attaches it to itself.
    MonitorWindow(HINSTANCE instance, MonitorHost& host, Win32Platform* platform = nullptr);
    // The window goes, then the form's FormDestroy runs.
    ~MonitorWindow();
    MonitorWindow(const MonitorWindow&) = delete;
    MonitorWindow& operator=(const MonitorWindow&) = delete;

    // The full-screen saver over `area` at `scale`, its stage in `mode`; in
    // `group`, when given, as its monitor number `monitor`. False when no
    // window could be made or the form's creation stopped (the version query
    // failed).
    bool CreateForm(const platform::Rect& area, int scale, saver::StageMode mode, saver::FormGroup* group,
                    int monitor, const figure::Surface* title);
    // The still inside the preview window `parent`.
    bool CreatePreview(WindowHandle parent);
    // A black window over `area` that takes no focus.
    bool CreateCover(const platform::Rect& area);
    // Over the other windows of the desktop, shown.
    void ShowTopmost();
    // A new place, size or scale of the monitor: the window follows, the
    // stage is centred again, and a fill stage is made anew where the size
    // asks for another.
    void Relayout(const platform::Rect& area, int scale);

    saver::TForm1* Form() const { return form_.get(); }
    HWND Window() const { return window_; }
    platform::Rect Area() const { return area_; }
    int Scale() const { return scale_; }
    bool Owns(HWND window) const { return window_ != nullptr && window == window_; }

    HWND ApplicationWindow() const override { return host_.ApplicationWindow(); }
    HWND FormWindow() const override { return window_; }
    void RepaintImage(bool now) override;
    void DrawSamplePicture(int x, int y) override;
    void HideForm() override;

private:
    bool MakeForm(WindowHandle parent, const platform::Rect& area, int scale, saver::StageMode mode,
                  saver::FormGroup* group, int monitor, const figure::Surface* title);
    void PlaceWindow();
    // The stage's part of the window, scaled up; black where the image does
    // not reach. `border` also blacks the rest of the window.
    void Paint(HDC dc, bool border);
    // The window's point on the image, in the image's own pixels.
    struct ImagePoint {
        int X, Y;
    };
    bool OnImage(int x, int y, ImagePoint& at) const;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCoverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    MonitorHost& host_;
    std::unique_ptr<Win32Platform> ownPlatform_;
    Win32Platform& platform_;
    std::unique_ptr<saver::TForm1> form_;
    saver::FormGroup* group_ = nullptr;
    HWND window_ = nullptr;
    platform::Rect area_;
    int scale_ = 1;
    HDC paintDc_ = nullptr;  // the window's DC while it handles WM_PAINT
    // The enlarged rows of the last paint at a scale above 1, kept for the next.
    saver::RowEnlarger enlarger_;
    std::vector<std::uint8_t> enlarged_;
};

}  // namespace windows
