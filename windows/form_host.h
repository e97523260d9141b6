// The window framework under the saver's forms: the hidden application
// window, the list of monitor windows (a form on each where the stage fills
// every screen; the primary's form and black covers on the others where it
// does not), the routing of keys to the forms, the relayout when the display
// changes, and the two loops: the saver's, which runs every form's idle
// handler on one clock reading and sleeps until the first next due tick, and
// the preview's, which ends when its window or its parent is gone.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "figure/surface.h"
#include "saver/form_group.h"
#include "saver/monitors.h"
#include "saver/pointer_filter.h"
#include "saver/saver_window.h"
#include "windows/monitor_window.h"
#include "windows/win32_platform.h"

namespace windows {

class FormHost : public FormWindows, public MonitorHost {
public:
    // `platform` serves the primary monitor's form (and the modes without
    // one); the other monitors' forms get platforms of their own.
    FormHost(HINSTANCE instance, Win32Platform& platform);
    ~FormHost();
    FormHost(const FormHost&) = delete;
    FormHost& operator=(const FormHost&) = delete;

    // The hidden window that carries the application's taskbar button.
    void CreateApplicationWindow(const char* title);

    // Full screen: creates the forms, runs the message loop until the
    // application terminates, destroys them. The exit code.
    int RunSaver();
    // Inside the preview window `parent`, until the window is closed or gone.
    int RunPreview(WindowHandle parent);

    // The primary's form while it exists, for what watches it (the pacing
    // benchmark).
    const saver::TForm1* Form() const;

    // The platform of the modes without a form (password, configure) sees
    // the host's windows; a form's platform sees its monitor's window.
    HWND ApplicationWindow() const override { return application_; }
    HWND FormWindow() const override;
    void RepaintImage(bool) override {}
    void DrawSamplePicture(int, int) override {}
    void HideForm() override {}

    bool PointerMoved(HWND window, LPARAM lParam) override;
    void TakeKeyboard() override;
    void DisplayChanged() override;
    void WindowGone() override { windowGone_ = true; }

private:
    // The monitors of the desktop as the saver uses them: the primary first,
    // each area once, with its scale; the primary screen alone where the
    // system cannot tell.
    std::vector<saver::Screen> Screens() const;
    bool CreateForms();
    void CreateCovers();
    void Relayout();
    void DestroyAll();
    MonitorWindow* Primary() const { return monitors_.empty() ? nullptr : monitors_.front().get(); }
    MonitorWindow* MonitorOf(HWND window) const;
    bool RouteKey(const MSG& message);
    void DrainMessages(bool& quit, int& exitCode);

    HINSTANCE instance_;
    Win32Platform& platform_;
    figure::Surface title_;
    saver::StageMode mode_ = saver::StageMode::Classic;
    saver::FormGroup group_;
    // The primary's window first; then the others, forms or covers.
    std::vector<std::unique_ptr<MonitorWindow>> monitors_;
    saver::PointerFilter pointer_;
    HWND application_ = nullptr;
    ShortSleep shortSleep_;
    bool windowGone_ = false;
    // When the windows are laid out again: a settle time after the last
    // display change, since the system may tell of one change in several
    // steps.
    figure::Tick relayoutAt_ = 0;
    bool relayoutPending_ = false;
};

}  // namespace windows
