#include "windows/win32_platform.h"

#include <mmsystem.h>

#include "windows/compat.h"

#include <cstdint>
#include <cstring>

#include <string>
#include <utility>

namespace windows {
namespace {

constexpr UINT kScreenSaverRunning = 97;  // SPI_SETSCREENSAVERRUNNING

// A system library loaded for one call and released right after it.
class Library {
public:
    explicit Library(const char* path) : module_(LoadLibraryA(path)) {}
    ~Library()
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    template <class Function>
    Function Entry(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

}  // namespace

Tick Win32Platform::timeGetTime() { return ::timeGetTime(); }
void Win32Platform::timeBeginPeriod(std::uint32_t milliseconds) { ::timeBeginPeriod(milliseconds); }
void Win32Platform::timeEndPeriod(std::uint32_t milliseconds) { ::timeEndPeriod(milliseconds); }

std::optional<std::int32_t> Win32Platform::GetVersionPlatformId()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record the query expects");
    if (!::GetVersionExA(&info)) return std::nullopt;
    return static_cast<std::int32_t>(info.dwPlatformId);
}

void Win32Platform::SetScreenSaverRunning(bool running)
{
    BOOL previous = FALSE;
    ::SystemParametersInfoA(kScreenSaverRunning, running ? 1 : 0, &previous, 0);
}

Size Win32Platform::ScreenSize() { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

namespace {

struct MonitorSearch {
    using Info = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
    Info info;
    std::vector<platform::Monitor> found;
};

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM context)
{
    auto search = reinterpret_cast<MonitorSearch*>(context);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (search->info(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        search->found.push_back({{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

}  // namespace

std::vector<platform::Monitor> Win32Platform::Monitors()
{
    // Windows 98 and 2000 brought the monitor functions: looked up at run time.
    HMODULE user = ::GetModuleHandleA("USER32.DLL");
    if (user == nullptr) return {};
    using Enumerate = BOOL(WINAPI*)(HDC, const RECT*, MONITORENUMPROC, LPARAM);
    auto enumerate = reinterpret_cast<Enumerate>(reinterpret_cast<void*>(::GetProcAddress(user, "EnumDisplayMonitors")));
    MonitorSearch search{reinterpret_cast<MonitorSearch::Info>(
                             reinterpret_cast<void*>(::GetProcAddress(user, "GetMonitorInfoA"))),
                         {}};
    if (enumerate == nullptr || search.info == nullptr) return {};
    if (!enumerate(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&search))) return {};
    return search.found;
}

std::optional<Rect> Win32Platform::GetWindowRect(WindowHandle window)
{
    RECT r;
    if (window == 0 || !::GetWindowRect(ToHwnd(window), &r)) return std::nullopt;
    return Rect{r.left, r.top, r.right, r.bottom};
}

bool Win32Platform::IsWindow(WindowHandle window) { return window != 0 && ::IsWindow(ToHwnd(window)); }
WindowHandle Win32Platform::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

void Win32Platform::EnableWindow(WindowHandle window, bool enable)
{
    if (window != 0) ::EnableWindow(ToHwnd(window), enable ? TRUE : FALSE);
}

void Win32Platform::HideApplicationWindow()
{
    if (application_ != nullptr) ::ShowWindow(application_, SW_HIDE);
}

void Win32Platform::ShowCursor() { ::ShowCursor(TRUE); }

bool Win32Platform::CreateKey(std::string_view path)
{
    HKEY key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, std::string(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

RegistryValue Win32Platform::ReadValue(std::string_view keyPath, std::string_view name)
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, std::string(keyPath).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {ValueKind::NoKey, {}, 0};
    RegistryValue value{ValueKind::NoValue, {}, 0};
    DWORD type = 0, size = 0;
    std::string valueName(name);
    if (::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (::RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &size) == ERROR_SUCCESS) {
            data.resize(size);
            if (type == REG_SZ || type == REG_EXPAND_SZ) {
                while (!data.empty() && data.back() == '\0') data.pop_back();
                value = {ValueKind::Text, data, 0};
            } else if (type == REG_DWORD && size == 4) {
                DWORD number;
                std::memcpy(&number, data.data(), 4);
                value = {ValueKind::Dword, {}, number};
            } else {
                value = {ValueKind::Other, {}, 0};
            }
        }
    }
    ::RegCloseKey(key);
    return value;
}

LibraryCall Win32Platform::PwdChangePassword(WindowHandle owner)
{
    Library mpr("MPR.DLL");
    if (!mpr.Loaded()) return LibraryCall::NotLoaded;
    using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    auto change = mpr.Entry<Change>("PwdChangePasswordA");
    if (change == nullptr) return LibraryCall::NoEntry;
    change("SCRSAVE", ToHwnd(owner), 0, nullptr);
    return LibraryCall::Called;
}

std::string Win32Platform::GetSystemDirectory()
{
    char folder[260];
    UINT length = ::GetSystemDirectoryA(folder, sizeof folder);
    return length > 0 && length < sizeof folder ? std::string(folder, length) : std::string();
}

PasswordAnswer Win32Platform::VerifyScreenSavePwd(std::string_view libraryPath, WindowHandle window)
{
    Library cpl(std::string(libraryPath).c_str());
    if (!cpl.Loaded()) return PasswordAnswer::NotLoaded;
    using Verify = BOOL(WINAPI*)(HWND);
    auto verify = cpl.Entry<Verify>("VerifyScreenSavePwd");
    if (verify == nullptr) return PasswordAnswer::NoEntry;
    return verify(ToHwnd(window)) ? PasswordAnswer::Allowed : PasswordAnswer::Refused;
}



ShortSleep::ShortSleep()
{
    if (HMODULE ntdll = ::GetModuleHandleA("NTDLL.DLL"))
        delay_ = reinterpret_cast<Delay>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtDelayExecution")));
}

void ShortSleep::Sleep(std::uint32_t microseconds) const
{
    if (delay_ == nullptr) {
        ::Sleep(1);
        return;
    }
    LARGE_INTEGER interval;
    interval.QuadPart = -10 * LONGLONG(microseconds);  // relative, in 100 ns units
    delay_(FALSE, &interval);
}

DpiAwareness DeclareDpiAware(const DpiAwarenessCalls& calls)
{
    constexpr int kPerMonitor = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
    if (calls.SetContext != nullptr) {
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then _PER_MONITOR_AWARE:
        // Windows 10 1607 has the call but refuses the first.
        const std::pair<std::intptr_t, DpiAwareness> contexts[] = {{-4, DpiAwareness::PerMonitorV2},
                                                                    {-3, DpiAwareness::PerMonitor}};
        for (const auto& [context, awareness] : contexts) {
            ::SetLastError(ERROR_SUCCESS);
            if (calls.SetContext(reinterpret_cast<HANDLE>(context)) || ::GetLastError() == ERROR_ACCESS_DENIED)
                return awareness;
        }
    }
    if (calls.SetAwareness != nullptr) {
        const HRESULT result = calls.SetAwareness(kPerMonitor);
        if (SUCCEEDED(result) || result == E_ACCESSDENIED) return DpiAwareness::PerMonitor;
    }
    if (calls.SetAware != nullptr) {
        calls.SetAware();
        return DpiAwareness::System;
    }
    return DpiAwareness::Unaware;
}

DpiAwareness DeclareDpiAware()
{
    DpiAwarenessCalls calls;
    HMODULE user = ::GetModuleHandleA("USER32.DLL");
    if (user != nullptr) {
        calls.SetContext = reinterpret_cast<decltype(calls.SetContext)>(
            reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDpiAwarenessContext")));
        calls.SetAware =
            reinterpret_cast<decltype(calls.SetAware)>(reinterpret_cast<void*>(::GetProcAddress(user, "SetProcessDPIAware")));
    }
    // SHCORE is looked at only where the newest call is missing: 8.1 and
    // 10 before 1703.
    HMODULE shcore = calls.SetContext == nullptr ? ::LoadLibraryA("SHCORE.DLL") : nullptr;
    if (shcore != nullptr)
        calls.SetAwareness = reinterpret_cast<decltype(calls.SetAwareness)>(
            reinterpret_cast<void*>(::GetProcAddress(shcore, "SetProcessDpiAwareness")));
    const DpiAwareness awareness = DeclareDpiAware(calls);
    if (shcore != nullptr) ::FreeLibrary(shcore);
    return awareness;
}

int MonitorDpi(POINT point)
{
    int dpi = 0;
    HMODULE shcore = ::LoadLibraryA("SHCORE.DLL");
    HMODULE user = ::GetModuleHandleA("USER32.DLL");
    auto fromPoint = user != nullptr ? reinterpret_cast<MonitorFromPointCall>(
                                           reinterpret_cast<void*>(::GetProcAddress(user, "MonitorFromPoint")))
                                     : nullptr;
    auto forMonitor = shcore != nullptr ? reinterpret_cast<GetDpiForMonitorCall>(
                                              reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                                        : nullptr;
    if (fromPoint != nullptr && forMonitor != nullptr) {
        UINT x = 0, y = 0;
        if (SUCCEEDED(forMonitor(fromPoint(point, MONITOR_DEFAULTTOPRIMARY), kEffectiveDpi, &x, &y))) dpi = int(x);
    }
    if (shcore != nullptr) ::FreeLibrary(shcore);
    if (dpi <= 0) {
        HDC screen = ::GetDC(nullptr);
        dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : 96;
}

}  // namespace windows
