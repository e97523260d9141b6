// The contract between the saver and its hosts: Platform, what the process
// asks of its system, and WindowHost, what one saver window asks of the
// host that shows it. Each call's default is what a system without it does.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using Tick = std::uint32_t;
// Window handles travel as unsigned 32-bit numbers; 0 is none.
using WindowHandle = std::uint32_t;

struct Rect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const Rect&) const = default;
};

struct Size {
    int Width = 0;
    int Height = 0;
};

// A monitor of the desktop, in screen coordinates.
struct Monitor {
    Rect Area;
    bool Primary = false;
};

// A registry value as read: which of the few cases it is, and its contents.
enum class ValueKind { NoKey, NoValue, Text, Dword, Other };

struct RegistryValue {
    ValueKind Kind = ValueKind::NoValue;
    std::string Text;
    std::uint32_t Number = 0;
};

enum class LibraryCall { NotLoaded, NoEntry, Called };
enum class PasswordAnswer { NotLoaded, NoEntry, Allowed, Refused };

class Platform {
public:
    virtual ~Platform() = default;

    // The multimedia clock. A clock that ticks every millisecond anyway
    // needs no resolution raised.
    virtual Tick timeGetTime() = 0;
    virtual void timeBeginPeriod(std::uint32_t) {}
    virtual void timeEndPeriod(std::uint32_t) {}

    // System information. The platform id of GetVersionExA (record size 148),
    // none when the query fails: a system without the query is of the NT
    // kind (2), with no 9x note and no password of its own.
    // SystemParametersInfoA with SPI_SETSCREENSAVERRUNNING. The primary
    // screen's size.
    virtual std::optional<std::int32_t> GetVersionPlatformId() { return 2; }
    virtual void SetScreenSaverRunning(bool) {}
    virtual Size ScreenSize() = 0;
    // Every monitor of the desktop; none where the system cannot tell
    // (Windows 95 and NT 4 have one screen to the saver).
    virtual std::vector<Monitor> Monitors() { return {}; }

    // Windows by handle, where the system has windows of other programs.
    virtual std::optional<Rect> GetWindowRect(WindowHandle) { return std::nullopt; }
    virtual bool IsWindow(WindowHandle) { return false; }
    virtual WindowHandle GetForegroundWindow() { return 0; }
    virtual void EnableWindow(WindowHandle, bool) {}
    // The application's own top-level window, the one with the taskbar button.
    virtual void HideApplicationWindow() {}
    virtual void ShowCursor() {}

    // Registry of the current user. CreateKey opens a key for full access and
    // creates it when missing; ReadValue only opens.
    virtual bool CreateKey(std::string_view) { return false; }
    virtual RegistryValue ReadValue(std::string_view keyPath, std::string_view name) = 0;

    // Libraries loaded for one call and released right after it:
    // PwdChangePasswordA("SCRSAVE", owner, 0, 0) of MPR.DLL, and
    // VerifyScreenSavePwd(window) of the library at `libraryPath`.
    virtual LibraryCall PwdChangePassword(WindowHandle) { return LibraryCall::NotLoaded; }
    virtual std::string GetSystemDirectory() { return {}; }
    virtual PasswordAnswer VerifyScreenSavePwd(std::string_view, WindowHandle) { return PasswordAnswer::NotLoaded; }
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    // The image's picture changed: repaint it now, or when the queue is next
    // empty; a host that shows no frames (the preview) has nothing to do.
    virtual void RepaintImage(bool) {}
    // The preview still is to be drawn at (x, y) of the window; only a
    // preview's host has one.
    virtual void DrawSamplePicture(int, int) {}
    // The form is hidden.
    virtual void HideForm() {}
    // The application terminates.
    virtual void Terminate() = 0;
    // The input-method editor is switched off for the window, where the
    // system has one.
    virtual void DisableIme() {}
};

}  // namespace platform
