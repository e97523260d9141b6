// The ground of the Windows saver's end-to-end tests on one screen of a
// given size: the saver's settings and the DPI cleared before each test and
// the DPI after it, the registry's settings set as a user would, and the
// saver started, waited for, past its title and ended.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace e2e {

class OneScreen : public ::testing::Test {
protected:
    // A screen of `width` x `height`; `probe` is a part of it that shows the
    // moire on any stage of the tests, the title's place left out.
    OneScreen(int width, int height, int probeX, int probeY)
        : width_(width), height_(height), probeX_(probeX), probeY_(probeY),
          h(Harness::Get(TestDisplay::Screens::One, std::to_string(width) + "x" + std::to_string(height)))
    {
    }

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string where = ", on a " + std::to_string(width_) + " x " + std::to_string(height_) + " screen";
        std::printf("[e2e] %s.%s ran %s%s\n", test->test_suite_name(), test->name(), h.Describe().c_str(), where.c_str());
        std::fflush(stdout);
        RecordProperty("ran", h.Describe() + where);
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n\n"
                    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=-\n");
        h.MoveTo(5, 5);
    }
    void TearDown() override
    {
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=-\n");
    }

    // A text value of the saver's settings.
    void Set(const std::string& name, const std::string& value)
    {
        ASSERT_EQ(h.Reg({"add", kSettings, "/v", name, "/t", "REG_SZ", "/d", value, "/f"}), 0);
    }
    void SetDpi(int dpi)
    {
        ASSERT_EQ(h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                         std::to_string(dpi), "/f"}),
                  0);
    }

    // Starts the saver and waits until the probe shows moire.
    pid_t Start()
    {
        pid_t pid = h.Start({h.Saver(), "/s"});
        for (double start = Now(); Now() - start < h.Margin(30); Sleep(0.05))
            if (HasBoth(h.Grab(probeX_, probeY_, 200, 100))) return pid;
        ADD_FAILURE() << "no moire within " << h.Margin(30) << " s; "
                      << SaveShot(h.Grab(0, 0, width_, height_), "no-moire");
        return pid;
    }
    // Waits past the title.
    void PastTheTitle(double startedAt) { Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Now() - startedAt))); }

    void EndWithAKey(pid_t pid)
    {
        h.Key("a");
        EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0) << "a key ends the saver with exit code 0";
    }

    const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";
    const int width_, height_, probeX_, probeY_;
    Harness& h;
};

}  // namespace e2e
