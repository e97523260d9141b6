// The platform on X11: a monotonic millisecond clock, SleepTime from the
// command line where Windows keeps it in the registry, and no Windows system
// behind it (an NT-like platform: no 9x notes, no password libraries, one
// screen). Repaints, hiding the window and the end go to the host.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace x11 {

// What the platform needs of the host's window.
class HostWindow {
public:
    virtual platform::Size WindowSize() const = 0;
    virtual void RepaintImage(bool now) = 0;
    virtual void HideForm() = 0;
    virtual void Terminate() = 0;

protected:
    ~HostWindow() = default;
};

// Nanoseconds of CLOCK_MONOTONIC, and the clock's millisecond tick of them.
std::uint64_t MonotonicNs();
inline platform::Tick TickOf(std::uint64_t ns) { return platform::Tick(ns / 1000000u); }

class X11Platform : public platform::Platform {
public:
    explicit X11Platform(std::uint32_t sleepTime) : sleepTime_(sleepTime) {}
    void Attach(HostWindow* host) { host_ = host; }

    platform::Tick timeGetTime() override { return TickOf(MonotonicNs()); }
    void timeBeginPeriod(std::uint32_t) override {}
    void timeEndPeriod(std::uint32_t) override {}
    std::optional<std::int32_t> GetVersionPlatformId() override { return 2; }
    void SetScreenSaverRunning(bool) override {}
    platform::Size ScreenSize() override { return host_ != nullptr ? host_->WindowSize() : platform::Size{}; }
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
    void RepaintImage(bool now) override;
    void DrawSamplePicture(int, int) override {}
    void HideForm() override;
    void Terminate() override;

private:
    std::uint32_t sleepTime_;
    HostWindow* host_ = nullptr;
};

}  // namespace x11
