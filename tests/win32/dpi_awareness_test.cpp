// How the saver declares itself DPI aware, run under Wine inside
// vidider-tests.exe: of the system's calls, the newest it has that takes its
// value, with stand-ins for the calls of each Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windows/win32_platform.h"

namespace windows {
namespace {

std::vector<std::string> made;  // the stand-ins are plain function pointers
BOOL answer = TRUE;

BOOL WINAPI SetContext(HANDLE context)
{
    made.push_back("context " + std::to_string(reinterpret_cast<std::intptr_t>(context)));
    if (!answer) ::SetLastError(ERROR_ACCESS_DENIED);
    return answer;
}
// Windows 10 1607: the call is there, the version 2 context (-4) is not.
BOOL WINAPI SetContextWithoutVersion2(HANDLE context)
{
    const std::intptr_t value = reinterpret_cast<std::intptr_t>(context);
    made.push_back("context " + std::to_string(value));
    if (value == -4) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!answer) ::SetLastError(ERROR_ACCESS_DENIED);
    return answer;
}
HRESULT WINAPI SetAwareness(int awareness)
{
    made.push_back("awareness " + std::to_string(awareness));
    return answer ? S_OK : E_ACCESSDENIED;
}
BOOL WINAPI SetAware()
{
    made.push_back("aware");
    return answer;
}

TEST(DpiAwareness, TakesTheNewestCallTheSystemHasThatKnowsItsValue)
{
    struct Case {
        const char* system;
        DpiAwarenessCalls calls;
        DpiAwareness declared;
        std::vector<std::string> made;
    };
    const Case cases[] = {
        {"Windows 10 1703 and later", {SetContext, SetAwareness, SetAware}, DpiAwareness::PerMonitorV2, {"context -4"}},
        {"Windows 10 1607", {SetContextWithoutVersion2, SetAwareness, SetAware}, DpiAwareness::PerMonitor,
         {"context -4", "context -3"}},
        {"Windows 8.1 and 10 before 1703", {nullptr, SetAwareness, SetAware}, DpiAwareness::PerMonitor, {"awareness 2"}},
        {"Vista to 8", {nullptr, nullptr, SetAware}, DpiAwareness::System, {"aware"}},
        {"2000 and XP", {nullptr, nullptr, nullptr}, DpiAwareness::Unaware, {}},
    };
    for (BOOL granted : {TRUE, FALSE}) {
        // A call refused because the manifest set the awareness first is
        // no reason to try an older one.
        answer = granted;
        for (const Case& c : cases) {
            made.clear();
            EXPECT_EQ(DeclareDpiAware(c.calls), c.declared) << c.system;
            EXPECT_EQ(made, c.made) << c.system << (granted ? "" : ", the call refused");
        }
    }
    answer = TRUE;
}

TEST(DpiAwareness, ThisSystemsCallsDeclareThePerMonitorAwareness)
{
    // Wine 8 has the newest call but, as Windows 10 1607, not its version 2
    // context (later Wines may); the manifest has set the awareness
    // already, and the call changes nothing of it.
    const DpiAwareness declared = DeclareDpiAware();
    EXPECT_TRUE(declared == DpiAwareness::PerMonitor || declared == DpiAwareness::PerMonitorV2)
        << "declared " << static_cast<int>(declared);
}

}  // namespace
}  // namespace windows
