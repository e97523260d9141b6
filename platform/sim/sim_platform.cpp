#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <cctype>

namespace platform::sim {

std::string SimPlatform::KeyName(std::string_view path)
{
    std::string name(path);
    while (!name.empty() && name.back() == '\\') name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return name;
}

void SimPlatform::SetValue(std::string_view keyPath, std::string_view name, RegistryValue value)
{
    keys_[KeyName(keyPath)][std::string(name)] = std::move(value);
}

bool SimPlatform::KeyExists(std::string_view keyPath) const { return keys_.count(KeyName(keyPath)) != 0; }

int SimPlatform::Count(std::string_view call) const
{
    return int(std::count(Calls.begin(), Calls.end(), call));
}

Tick SimPlatform::timeGetTime()
{
    Tick reading = Now;
    Now += StepPerReading;
    return reading;
}

void SimPlatform::timeBeginPeriod(std::uint32_t ms) { Record("timeBeginPeriod(" + std::to_string(ms) + ")"); }
void SimPlatform::timeEndPeriod(std::uint32_t ms) { Record("timeEndPeriod(" + std::to_string(ms) + ")"); }

std::optional<std::int32_t> SimPlatform::GetVersionPlatformId()
{
    Record("GetVersionExA");
    return PlatformId;
}

void SimPlatform::SetScreenSaverRunning(bool running)
{
    Record(std::string("SystemParametersInfoA(97,") + (running ? "1" : "0") + ")");
}

Size SimPlatform::ScreenSize() { return Screen; }
std::vector<Monitor> SimPlatform::Monitors() { return MonitorList; }

std::optional<Rect> SimPlatform::GetWindowRect(WindowHandle window)
{
    auto found = Windows.find(window);
    if (found == Windows.end()) return std::nullopt;
    return found->second;
}

bool SimPlatform::IsWindow(WindowHandle window) { return Windows.count(window) != 0; }
WindowHandle SimPlatform::GetForegroundWindow() { return Foreground; }

void SimPlatform::EnableWindow(WindowHandle window, bool enable)
{
    Record("EnableWindow(" + std::to_string(window) + "," + (enable ? "1" : "0") + ")");
}

void SimPlatform::HideApplicationWindow() { Record("HideApplicationWindow"); }
void SimPlatform::ShowCursor() { Record("ShowCursor(1)"); }
void SimPlatform::DisableIme() { Record("DisableIme"); }

bool SimPlatform::CreateKey(std::string_view path)
{
    std::string name = KeyName(path);
    if (keys_.count(name) == 0) {
        keys_[name];
        CreatedKeys.insert(name);
    }
    return true;
}

RegistryValue SimPlatform::ReadValue(std::string_view keyPath, std::string_view name)
{
    auto key = keys_.find(KeyName(keyPath));
    if (key == keys_.end()) return {ValueKind::NoKey, {}, 0};
    auto value = key->second.find(std::string(name));
    if (value == key->second.end()) return {ValueKind::NoValue, {}, 0};
    return value->second;
}

LibraryCall SimPlatform::PwdChangePassword(WindowHandle owner)
{
    Record("PwdChangePasswordA(SCRSAVE," + std::to_string(owner) + ",0,0)");
    return PasswordChange;
}

std::string SimPlatform::GetSystemDirectory() { return SystemDirectory; }

PasswordAnswer SimPlatform::VerifyScreenSavePwd(std::string_view libraryPath, WindowHandle window)
{
    Record("VerifyScreenSavePwd(" + std::string(libraryPath) + "," + std::to_string(window) + ")");
    if (WhilePasswordAsked) WhilePasswordAsked();
    return PasswordVerdict;
}

void SimPlatform::RepaintImage(bool now)
{
    ++Repaints;
    if (now) ++ImmediateRepaints;
}

void SimPlatform::DrawSamplePicture(int x, int y)
{
    Record("DrawSamplePicture(" + std::to_string(x) + "," + std::to_string(y) + ")");
}

void SimPlatform::HideForm() { Record("HideForm"); }
void SimPlatform::Terminate() { Record("Terminate"); }

}  // namespace platform::sim
