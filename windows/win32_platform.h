// The system under the saver on Windows: the real clock, system facts,
// registry and the two libraries loaded for one call; the sleeps and the
// DPI queries of the host. The windows are the host's (form_host.h).
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace windows {

using platform::LibraryCall;
using platform::PasswordAnswer;
using platform::Rect;
using platform::RegistryValue;
using platform::Size;
using platform::Tick;
using platform::ValueKind;
using platform::WindowHandle;

inline HWND ToHwnd(WindowHandle handle) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle)); }
inline WindowHandle FromHwnd(HWND window)
{
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

class Win32Platform : public platform::Platform {
public:
    // The application's hidden window, which HideApplicationWindow hides.
    void SetApplicationWindow(HWND window) { application_ = window; }

    Tick timeGetTime() override;
    void timeBeginPeriod(std::uint32_t milliseconds) override;
    void timeEndPeriod(std::uint32_t milliseconds) override;
    std::optional<std::int32_t> GetVersionPlatformId() override;
    void SetScreenSaverRunning(bool running) override;
    Size ScreenSize() override;
    std::vector<platform::Monitor> Monitors() override;
    std::optional<Rect> GetWindowRect(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override;
    void EnableWindow(WindowHandle window, bool enable) override;
    void HideApplicationWindow() override;
    void ShowCursor() override;
    bool CreateKey(std::string_view path) override;
    RegistryValue ReadValue(std::string_view keyPath, std::string_view name) override;
    LibraryCall PwdChangePassword(WindowHandle owner) override;
    std::string GetSystemDirectory() override;
    PasswordAnswer VerifyScreenSavePwd(std::string_view libraryPath, WindowHandle window) override;

private:
    HWND application_ = nullptr;
};

// Sleeps to the microsecond where the system can (NtDelayExecution of the NT
// family and of Wine, looked up at run time), else for a millisecond.
class ShortSleep {
public:
    ShortSleep();
    void Sleep(std::uint32_t microseconds) const;

private:
    using Delay = LONG(WINAPI*)(BOOLEAN alertable, const LARGE_INTEGER* interval);
    Delay delay_ = nullptr;
};

// The calls that make a process DPI aware, newest first, each null where the
// system lacks it: SetProcessDpiAwarenessContext (USER32 of Windows 10
// 1703), SetProcessDpiAwareness (SHCORE of Windows 8.1), SetProcessDPIAware
// (USER32 of Vista).
struct DpiAwarenessCalls {
    BOOL(WINAPI* SetContext)(HANDLE context) = nullptr;
    HRESULT(WINAPI* SetAwareness)(int awareness) = nullptr;
    BOOL(WINAPI* SetAware)() = nullptr;
};

// What the process asked for.
enum class DpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

// Makes the process DPI aware with the first of `calls` that exists: per
// monitor (version 2 from 1703 on, version 1 on 8.1), else system aware
// (Vista to 8). Where a call fails because the manifest set the awareness
// already, the manifest's stands and nothing older is tried; where it
// refuses its value (Windows 10 1607 and Wine 8 lack the version 2
// context), per monitor version 1 is asked for next.
DpiAwareness DeclareDpiAware(const DpiAwarenessCalls& calls);
// The same with this system's calls, looked up at run time; before any
// window exists.
DpiAwareness DeclareDpiAware();

// The DPI of the monitor at `point`: GetDpiForMonitor where the system has it
// (Windows 8.1 and later, looked up at run time), else the screen's
// LOGPIXELSX; 96 where neither tells.
int MonitorDpi(POINT point);

}  // namespace windows
