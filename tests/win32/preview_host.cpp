// preview-host: a stand-in for the desktop's display settings, run under Wine
// by the end-to-end tests. It reports on stdout, one line per fact.
//
//   preview-host preview SAVER STAY_MS   a 152 x 112 preview window; starts
//       SAVER /p HWND, reports the child the saver makes, destroys the
//       window after STAY_MS and reports when the saver has exited
//   preview-host configure SAVER [ARG]   a window in the foreground; starts
//       SAVER ARG, reports when it is disabled and enabled again, the size of
//       the "About" box, and the saver's exit
//   preview-host monitors                the screen's size and every monitor
//   preview-host covers                  the extended style of every cover
//   preview-host resolution W H          sets the primary screen to W x H
//   preview-host focus STAY_MS           a window that takes the keyboard for
//       STAY_MS and reports the keys that reach it
//   preview-host desktop [STAY_MS]       the desktop window's handle; keeps the
//       desktop for STAY_MS (Wine closes a desktop that no program holds)
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/sssetdlg.h"
#include "figure/rounding.h"
#include "windows/message_wait.h"

namespace {

void Say(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::printf("\n");
    std::fflush(stdout);
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYDOWN) Say("key %u", unsigned(wParam));
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT all;
        GetClientRect(window, &all);
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* title, DWORD style, int width, int height)
{
    WNDCLASSA c{};
    c.lpfnWndProc = HostProc;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.lpszClassName = "preview stand-in";
    RegisterClassA(&c);
    return CreateWindowExA(0, c.lpszClassName, title, style, 200, 150, width, height, nullptr, nullptr, c.hInstance,
                           nullptr);
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Runs the saver with `arguments`; the process handle.
HANDLE Start(const std::string& saver, const std::string& arguments)
{
    std::string line = "\"" + saver + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        Say("error cannot start %s", line.c_str());
        std::exit(1);
    }
    CloseHandle(process.hThread);
    Say("saver-pid %lu", process.dwProcessId);
    return process.hProcess;
}

// Pumps messages for `ms` or until the process ends; true when it ended.
bool WaitFor(HANDLE process, DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        Pump();
        if (MsgWaitForMultipleObjects(1, &process, FALSE, 10, windows::kWakeMask) == WAIT_OBJECT_0) return true;
    }
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

void ReportExit(HANDLE process, DWORD since)
{
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    Say("saver-exit %lu after %lu ms", code, GetTickCount() - since);
}

int Preview(const std::string& saver, DWORD stay)
{
    HWND host = MakeWindow("preview stand-in", WS_POPUP | WS_VISIBLE, 152, 112);
    Say("host %lu", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(host)));
    HANDLE process = Start(saver, "/p " + std::to_string(reinterpret_cast<std::uintptr_t>(host)));
    HWND child = nullptr;
    DWORD start = GetTickCount();
    while (child == nullptr && GetTickCount() - start < 15000) {
        WaitFor(process, 20);
        child = GetWindow(host, GW_CHILD);
    }
    if (child == nullptr) {
        Say("error no child window");
        return 1;
    }
    // Its creation may still be under way in the saver's process: it shows
    // itself as its creation ends.
    for (DWORD seen = GetTickCount(); !IsWindowVisible(child) && GetTickCount() - seen < 3000;) WaitFor(process, 10);
    RECT r;
    GetWindowRect(child, &r);
    Say("child style=%08lX exstyle=%08lX classstyle=%08lX width=%ld height=%ld", GetWindowLongA(child, GWL_STYLE),
        GetWindowLongA(child, GWL_EXSTYLE), GetClassLongA(child, GCL_STYLE), r.right - r.left, r.bottom - r.top);
    if (WaitFor(process, stay)) {
        Say("error the saver ended on its own");
        return 1;
    }
    DestroyWindow(host);
    DWORD destroyed = GetTickCount();
    Say("destroyed");
    WaitFor(process, 10000);
    ReportExit(process, destroyed);
    return 0;
}

int Configure(const std::string& saver, const std::string& arguments)
{
    HWND host = MakeWindow("display settings stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300);
    SetForegroundWindow(host);
    Pump();
    // The width the box must take: its Label5 text in Arial 12 px at the
    // screen's DPI, times 1.7.
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    Say("dpi %d", dpi);
    HFONT font = CreateFontA(-app::AboutFontHeight(dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE text;
    GetTextExtentPoint32A(dc, app::kLatestText, int(std::strlen(app::kLatestText)), &text);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    Say("expected-width %d", figure::Round(text.cx * 1.7L));
    Say("host %lu enabled=%d", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(host)),
        IsWindowEnabled(host) ? 1 : 0);
    HANDLE process = Start(saver, arguments);
    bool enabled = IsWindowEnabled(host), reported = false;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        bool ended = WaitFor(process, 20);
        if (bool now = IsWindowEnabled(host); now != enabled) {
            enabled = now;
            Say("enabled=%d", enabled ? 1 : 0);
        }
        // Reported once it shows, its OK button made.
        HWND about = FindWindowA(nullptr, "About");
        if (about != nullptr && !reported && IsWindowVisible(about) &&
            FindWindowExA(about, nullptr, "BUTTON", "OK") != nullptr) {
            RECT r, client;
            GetWindowRect(about, &r);
            GetClientRect(about, &client);
            POINT origin{0, 0};
            ClientToScreen(about, &origin);
            HWND ok = FindWindowExA(about, nullptr, "BUTTON", "OK");
            RECT button{};
            if (ok != nullptr) {
                GetWindowRect(ok, &button);
                MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&button), 2);
            }
            // Places of the client area on the screen and of OK in it.
            Say("about width=%ld height=%ld client=%ld client-height=%ld client-x=%ld client-y=%ld ok-left=%ld "
                "ok-top=%ld ok-width=%ld ok-height=%ld owner-is-host=%d",
                r.right - r.left, r.bottom - r.top, client.right, client.bottom, origin.x, origin.y, button.left,
                button.top, button.right - button.left, button.bottom - button.top,
                GetWindow(about, GW_OWNER) == host ? 1 : 0);
            reported = true;
        }
        if (ended) {
            Pump();
            if (bool now = IsWindowEnabled(host); now != enabled) Say("enabled=%d", now ? 1 : 0);
            ReportExit(process, start);
            return 0;
        }
    }
    Say("error the saver did not end");
    return 1;
}

}  // namespace

BOOL CALLBACK SayMonitor(HMONITOR monitor, HDC, RECT*, LPARAM)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    const RECT& r = info.rcMonitor;
    Say("monitor left=%ld top=%ld right=%ld bottom=%ld primary=%d", r.left, r.top, r.right, r.bottom,
        (info.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    return TRUE;
}

// What the system says of the screen and its monitors.
int Monitors()
{
    Say("screen width=%d height=%d virtual-width=%d virtual-height=%d", GetSystemMetrics(SM_CXSCREEN),
        GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EnumDisplayMonitors(nullptr, nullptr, SayMonitor, 0);
    return 0;
}

BOOL CALLBACK SayCover(HWND window, LPARAM)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "vidider cover") == 0) Say("cover exstyle=%08lX", GetWindowLongA(window, GWL_EXSTYLE));
    return TRUE;
}

// The saver's covers of the other monitors, as the system sees them.
int Covers()
{
    EnumWindows(SayCover, 0);
    Say("covers-end");
    return 0;
}

// Sets the primary screen to width x height, as the display settings do.
int Resolution(int width, int height)
{
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmPelsWidth = DWORD(width);
    mode.dmPelsHeight = DWORD(height);
    const LONG result = ChangeDisplaySettingsA(&mode, 0);
    Say("resolution %ld screen width=%d height=%d", result, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

// A window of another program that takes the keyboard from the saver, and
// says which keys reach it.
int Focus(DWORD stay)
{
    HWND window = MakeWindow("focus stand-in", WS_POPUP | WS_VISIBLE, 200, 100);
    SetForegroundWindow(window);
    SetFocus(window);
    Pump();
    Say("focus %d", GetForegroundWindow() == window ? 1 : 0);
    for (DWORD start = GetTickCount(); GetTickCount() - start < stay;) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, windows::kWakeMask);
    }
    return 0;
}

int main(int argc, char** argv)
{
    // Measures as the saver does, which declares itself DPI aware.
    if (HMODULE user = GetModuleHandleA("USER32.DLL"))
        if (auto aware = reinterpret_cast<BOOL(WINAPI*)()>(
                reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDPIAware"))))
            aware();
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "preview" && argc == 4) return Preview(argv[2], DWORD(std::strtoul(argv[3], nullptr, 10)));
    if (mode == "configure" && (argc == 3 || argc == 4)) return Configure(argv[2], argc == 4 ? argv[3] : "");
    if (mode == "monitors") return Monitors();
    if (mode == "covers") return Covers();
    if (mode == "resolution" && argc == 4) return Resolution(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "focus" && argc == 3) return Focus(DWORD(std::strtoul(argv[2], nullptr, 10)));
    if (mode == "desktop" && (argc == 2 || argc == 3)) {
        Say("desktop %lu", static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(GetDesktopWindow())));
        if (argc == 3) Sleep(DWORD(std::strtoul(argv[2], nullptr, 10)));
        return 0;
    }
    std::fprintf(stderr, "usage: preview-host preview SAVER STAY_MS | configure SAVER [ARG] | desktop [STAY_MS] | monitors | covers | resolution W H | "
                         "focus STAY_MS\n");
    return 2;
}
