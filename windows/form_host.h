// The window framework under the saver's forms: the application window, the
// monitor windows, key routing, the relayout after a display change, and
// the saver's and the preview's loops.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "figure/surface.h"
#include "saver/form_group.h"
#include "saver/monitors.h"
#include "saver/pointer_filter.h"
#include "saver/saver_window.h"
#include "saver/settle.h"
#include "windows/screen_window.h"
#include "windows/win32_platform.h"

namespace windows {

class FormHost : public ScreenHost {
public:
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

    // The primary's form and its window while they exist, for what watches
    // them (the pacing benchmark).
    const saver::TForm1* Form() const;
    HWND FormWindow() const;

    HWND ApplicationWindow() const override { return application_; }
    bool PointerMoved(HWND window, LPARAM lParam) override;
    void TakeKeyboard() override;
    void DisplayChanged() override;

private:
    std::vector<saver::Screen> Screens() const;
    // The form of monitor `monitor` over `screen`, else a black cover there;
    // none where not even a cover can be made.
    std::unique_ptr<ScreenWindow> MakeScreenWindow(const saver::Screen& screen, int monitor);
    bool CreateForms();
    void CreateCovers();
    // Covers first, the forms over them, the primary's on top; none takes
    // the activation.
    void ShowAll();
    int Loop();
    // Sleeps for messages until `wait` ms have passed, the last of them in
    // short sleeps; false where the wait ran out with no message.
    bool Sleep(std::uint32_t wait);
    void Relayout();
    void RelayoutClassic(const saver::Screen& primary);
    void RelayoutFill(const std::vector<saver::Screen>& screens);
    void DestroyAll();
    ScreenWindow* Primary() const { return monitors_.empty() ? nullptr : monitors_.front().get(); }
    ScreenWindow* MonitorOf(HWND window) const;
    bool RouteKey(const MSG& message);
    void DrainMessages(bool& quit, int& exitCode);

    HINSTANCE instance_;
    Win32Platform& platform_;
    figure::Surface title_;
    saver::StageMode mode_ = saver::StageMode::Classic;
    saver::FormGroup group_;
    // The primary's window first; then the others, forms or covers.
    std::vector<std::unique_ptr<ScreenWindow>> monitors_;
    saver::PointerFilter pointer_;
    HWND application_ = nullptr;
    ShortSleep shortSleep_;
    // The windows are laid out again once the display's changes have settled.
    saver::SettleTimer relayout_;
};

}  // namespace windows
