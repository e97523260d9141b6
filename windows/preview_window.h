// The preview: a disabled child of the display settings' preview window,
// with the form of preview mode on it, which paints the still in its
// middle. It ends when it is closed or destroyed with its parent.
#pragma once

#include <windows.h>

#include "saver/saver_window.h"
#include "windows/win32_platform.h"
#include "windows/window.h"

namespace windows {

class PreviewWindow : public Window, public platform::WindowHost {
public:
    PreviewWindow(HINSTANCE instance, Win32Platform& platform, WindowHandle parent);
    // The window goes, then the form's FormDestroy runs.
    ~PreviewWindow() override;

    // The child over the parent's client area, and the form on it; false
    // where no window could be made.
    bool Create(HWND application);
    const saver::TForm1& Form() const { return form_; }
    // The window was destroyed under the form (its parent went).
    bool Gone() const { return gone_; }

    void DrawSamplePicture(int x, int y) override;
    void HideForm() override;
    void Terminate() override { PostQuitMessage(0); }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HINSTANCE instance_;
    saver::TForm1 form_;
    HDC paintDc_ = nullptr;  // the window's DC while it handles WM_PAINT
    bool gone_ = false;
};

}  // namespace windows
