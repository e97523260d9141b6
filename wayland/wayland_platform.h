// The platform under each form of vidider-wayland: a monotonic millisecond
// clock, SleepTime from the command line where Windows keeps it in the
// registry, and no Windows system behind it (an NT-like platform: no 9x
// notes, no password libraries, one screen per form). Repaints, hiding and
// the end go to the form's surface.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wayland {

// What a form's platform needs of the surface that shows it.
class FormSurface {
public:
    virtual platform::Size WindowSize() const = 0;
    virtual void RepaintImage(bool now) = 0;
    virtual void HideForm() = 0;
    virtual void Terminate() = 0;

protected:
    ~FormSurface() = default;
};

// Nanoseconds of CLOCK_MONOTONIC, and the clock's millisecond tick of them.
std::uint64_t MonotonicNs();
inline platform::Tick TickOf(std::uint64_t ns) { return platform::Tick(ns / 1000000u); }

class WaylandPlatform : public platform::Platform {
public:
    WaylandPlatform(std::uint32_t sleepTime, FormSurface& surface) : sleepTime_(sleepTime), surface_(surface) {}

    platform::Tick timeGetTime() override { return TickOf(MonotonicNs()); }
    void timeBeginPeriod(std::uint32_t) override {}
    void timeEndPeriod(std::uint32_t) override {}
    std::optional<std::int32_t> GetVersionPlatformId() override { return 2; }
    void SetScreenSaverRunning(bool) override {}
    platform::Size ScreenSize() override { return surface_.WindowSize(); }
    std::vector<platform::Monitor> Monitors() override { return {}; }
    std::optional<platform::Rect> GetWindowRect(platform::WindowHandle) override { return std::nullopt; }
    bool IsWindow(platform::WindowHandle) override { return false; }
    platform::WindowHandle GetForegroundWindow() override { return 0; }
    void EnableWindow(platform::WindowHandle, bool) override {}
    void HideApplicationWindow() override {}
    void ShowCursor() override {}
    void DisableIme() override {}
    bool CreateKey(std::string_view) override { return true; }
    platform::RegistryValue ReadValue(std::string_view keyPath, std::string_view name) override;
    platform::LibraryCall PwdChangePassword(platform::WindowHandle) override { return platform::LibraryCall::NotLoaded; }
    std::string GetSystemDirectory() override { return {}; }
    platform::PasswordAnswer VerifyScreenSavePwd(std::string_view, platform::WindowHandle) override
    {
        return platform::PasswordAnswer::NotLoaded;
    }
    void RepaintImage(bool now) override { surface_.RepaintImage(now); }
    void DrawSamplePicture(int, int) override {}
    void HideForm() override { surface_.HideForm(); }
    void Terminate() override { surface_.Terminate(); }

private:
    std::uint32_t sleepTime_;
    FormSurface& surface_;
};

}  // namespace wayland
