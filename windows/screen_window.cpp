#include "windows/screen_window.h"

#include "windows/compat.h"

namespace windows {
namespace {

constexpr const char* kCoverClass = "vidider cover";

// The extended style of a cover. WS_EX_NOACTIVATE came with Windows 2000;
// 98 and ME, which can have several monitors, do not know it, and get by
// with the answer to WM_MOUSEACTIVATE alone.
DWORD CoverExStyle()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool known =
        GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5;
    return WS_EX_TOPMOST | WS_EX_TOOLWINDOW | (known ? WS_EX_NOACTIVATE : 0);
}

}  // namespace

void ScreenWindow::ShowTopmost()
{
    if (Handle() == nullptr) return;
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(Handle());
}

bool CoverWindow::Create(const platform::Rect& area)
{
    area_ = area;
    return Window::Create(instance_, kCoverClass, 0, CoverExStyle(), "", WS_POPUP, ToRECT(area),
                          host_.ApplicationWindow());
}

void CoverWindow::Relayout(const platform::Rect& area, int scale)
{
    area_ = area;
    scale_ = scale;
    SetWindowPos(Handle(), nullptr, area.Left, area.Top, area.Right - area.Left, area.Bottom - area.Top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CoverWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: host_.TakeKeyboard(); return 0;
    case WM_DISPLAYCHANGE: host_.DisplayChanged(); break;
    default: break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace windows
