// The About box as a real modal window: caption "About", Arial 12 px, the
// controls of TScrnSaveSetupDlg at the places its layout gives, OK centred
// and default, every size at the DPI of the box's monitor. The foreground
// window owns it and stays disabled while it is open.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/sssetdlg.h"
#include "windows/win32_platform.h"

namespace windows {

class AboutBox {
public:
    AboutBox(HINSTANCE instance, Win32Platform& platform);
    ~AboutBox();
    AboutBox(const AboutBox&) = delete;
    AboutBox& operator=(const AboutBox&) = delete;

    // Makes the box, centred on the screen, and shows it. When the
    // foreground window cannot own it (it is going away), the box comes
    // without an owner. False when no box could be made at all.
    bool Open();
    // Runs the box until it is closed (OK, Enter, Esc or the close box).
    void Run();

    static constexpr std::size_t kControlCount = 6;

    HWND Window() const { return window_; }
    // The DPI the box is laid out for now.
    int Dpi() const { return dpi_; }

private:
    // Fonts, text sizes, frame and controls for `dpi`; the controls are made
    // the first time and moved after.
    void LayOut(int dpi);
    HWND Create(HWND owner);
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    app::TScrnSaveSetupDlg dialog_;
    HWND window_ = nullptr;
    HWND controls_[kControlCount] = {};
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    int dpi_ = 96;
    app::AboutLayout layout_;
    bool done_ = false;
};

// Shows the box and returns when it has been closed.
void ShowAboutBox(HINSTANCE instance, Win32Platform& platform);

}  // namespace windows
