// A deterministic platform for tests and vidider-sim: a clock the caller
// sets, an in-memory registry, scripted answers, and a record of every call
// in the order made ("timeBeginPeriod(1)", "SystemParametersInfoA(97,1)", ...),
// the calls of the system and of the window's host in one list.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::sim {

class SimPlatform : public Platform, public WindowHost {
public:
    // State the test or the simulator sets.
    Tick Now = 0;
    // Added to Now after every reading, to model a clock that moves on while
    // a handler runs.
    Tick StepPerReading = 0;
    Size Screen{1024, 768};
    std::vector<Monitor> MonitorList;  // none: a system that cannot tell
    std::optional<std::int32_t> PlatformId = 2;
    std::map<WindowHandle, Rect> Windows;  // windows that exist, by handle
    WindowHandle Foreground = 0;
    LibraryCall PasswordChange = LibraryCall::NotLoaded;
    std::string SystemDirectory = "C:\\WINDOWS\\SYSTEM";
    PasswordAnswer PasswordVerdict = PasswordAnswer::NotLoaded;
    // Runs while the password dialog is open, as the messages that a modal
    // dialog's loop hands to the saver's other windows would.
    std::function<void()> WhilePasswordAsked;

    // What the code did.
    std::vector<std::string> Calls;
    std::set<std::string> CreatedKeys;
    int Repaints = 0;           // every frame repaints: counted, not recorded
    int ImmediateRepaints = 0;

    // Registry: key paths are case-insensitive and ignore a trailing "\".
    void SetValue(std::string_view keyPath, std::string_view name, RegistryValue value);
    bool KeyExists(std::string_view keyPath) const;
    int Count(std::string_view call) const;

    Tick timeGetTime() override;
    void timeBeginPeriod(std::uint32_t milliseconds) override;
    void timeEndPeriod(std::uint32_t milliseconds) override;
    std::optional<std::int32_t> GetVersionPlatformId() override;
    void SetScreenSaverRunning(bool running) override;
    Size ScreenSize() override;
    std::vector<Monitor> Monitors() override;
    std::optional<Rect> GetWindowRect(WindowHandle window) override;
    bool IsWindow(WindowHandle window) override;
    WindowHandle GetForegroundWindow() override;
    void EnableWindow(WindowHandle window, bool enable) override;
    void HideApplicationWindow() override;
    void ShowCursor() override;
    void DisableIme() override;
    bool CreateKey(std::string_view path) override;
    RegistryValue ReadValue(std::string_view keyPath, std::string_view name) override;
    LibraryCall PwdChangePassword(WindowHandle owner) override;
    std::string GetSystemDirectory() override;
    PasswordAnswer VerifyScreenSavePwd(std::string_view libraryPath, WindowHandle window) override;
    void RepaintImage(bool now) override;
    void DrawSamplePicture(int x, int y) override;
    void HideForm() override;
    void Terminate() override;

private:
    static std::string KeyName(std::string_view path);
    void Record(std::string call) { Calls.push_back(std::move(call)); }

    std::map<std::string, std::map<std::string, RegistryValue>> keys_;
};

}  // namespace platform::sim
