// The few operations the saver asks of its platform, under their Windows
// names: the multimedia clock, system information, a handful of window calls,
// the current user's registry, the two system libraries loaded for one call,
// and the window framework's repaint and termination. win32/ provides the real
// ones; sim/ a deterministic stand-in that records every call.
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

    // Multimedia clock.
    virtual Tick timeGetTime() = 0;
    virtual void timeBeginPeriod(std::uint32_t milliseconds) = 0;
    virtual void timeEndPeriod(std::uint32_t milliseconds) = 0;

    // System information. The platform id of GetVersionExA (record size 148),
    // none when the query fails; SystemParametersInfoA with
    // SPI_SETSCREENSAVERRUNNING; the primary screen's size.
    virtual std::optional<std::int32_t> GetVersionPlatformId() = 0;
    virtual void SetScreenSaverRunning(bool running) = 0;
    virtual Size ScreenSize() = 0;
    // Every monitor of the desktop; none where the system cannot tell
    // (Windows 95 and NT 4 have one screen to the saver).
    virtual std::vector<Monitor> Monitors() = 0;

    // Windows by handle.
    virtual std::optional<Rect> GetWindowRect(WindowHandle window) = 0;
    virtual bool IsWindow(WindowHandle window) = 0;
    virtual WindowHandle GetForegroundWindow() = 0;
    virtual void EnableWindow(WindowHandle window, bool enable) = 0;
    // The application's own top-level window, the one with the taskbar button.
    virtual void HideApplicationWindow() = 0;
    virtual void ShowCursor() = 0;
    virtual void DisableIme() = 0;

    // Registry of the current user. CreateKey opens a key for full access and
    // creates it when missing; ReadValue only opens.
    virtual bool CreateKey(std::string_view path) = 0;
    virtual RegistryValue ReadValue(std::string_view keyPath, std::string_view name) = 0;

    // Libraries loaded for one call and released right after it:
    // PwdChangePasswordA("SCRSAVE", owner, 0, 0) of MPR.DLL, and
    // VerifyScreenSavePwd(window) of the library at `libraryPath`.
    virtual LibraryCall PwdChangePassword(WindowHandle owner) = 0;
    virtual std::string GetSystemDirectory() = 0;
    virtual PasswordAnswer VerifyScreenSavePwd(std::string_view libraryPath, WindowHandle window) = 0;

    // The window framework: the image's picture changed (repaint it now, or
    // when the queue is next empty); the preview still is to be drawn at
    // (x, y) of the window; the form is hidden; the application terminates.
    virtual void RepaintImage(bool now) = 0;
    virtual void DrawSamplePicture(int x, int y) = 0;
    virtual void HideForm() = 0;
    virtual void Terminate() = 0;
};

}  // namespace platform
