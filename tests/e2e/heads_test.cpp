// The full-screen saver under Wine flat out (SleepTime 0) on two equal
// monitors of 1920 x 1080 side by side (Xephyr with Xinerama), the stage
// filling both: every round of frames paints two 1920 x 1080 screens, and a
// key still ends it within a second.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace e2e {
namespace {

const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";
const std::string kHeads = "2x1920x1080";

TEST(Heads, FlatOutOnTwoFullHdMonitorsAKeyEndsItWithinASecond)
{
    Harness& h = Harness::Get(TestDisplay::Screens::EqualMonitors, kHeads);
    std::printf("[e2e] Heads ran %s, on two monitors of 1920 x 1080\n", h.Describe().c_str());
    std::fflush(stdout);
    h.KillStray();
    h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n\n"
                "[HKEY_CURRENT_USER\\Software\\Tavrenholm\\ScreenSaverSample]\n\"SleepTime\"=\"0\"\n\"Stage\"=\"fill\"\n");
    h.MoveTo(5, 5);
    pid_t pid = h.Start({h.Saver(), "/s"});
    bool both = false;
    for (double start = Now(); !both && Now() - start < h.Margin(30); Sleep(0.1))
        both = HasBoth(h.Grab(300, 100, 300, 300)) && HasBoth(h.Grab(1920 + 300, 100, 300, 300));
    EXPECT_TRUE(both) << "moire on both monitors; " << SaveShot(h.Grab(0, 0, 3840, 1080), "heads");
    Sleep(2);  // flat out for a while
    const double pressed = Now();
    h.Key("space");
    const Finished end = h.WaitExit(pid, h.Margin(10));
    EXPECT_EQ(end.code, 0) << "a key ends the saver with exit code 0";
    EXPECT_LT(Now() - pressed, h.Margin(1)) << "within a second";
    h.KillStray();
    h.Shutdown();
}

}  // namespace
}  // namespace e2e
