// The end-to-end harness of the Windows saver: a private display (one
// 1280 x 1024 x 24 screen, or two monitors), a Wine prefix under build/, and
// what a person does and sees: programs started under Wine, keys, pointer
// moves and clicks through XTest, screenshots, the registry through `wine reg`.
//
// The saver is a 32-bit program. Where this machine runs 32-bit code the
// harness tests build/win32 under 32-bit Wine. Where it cannot (the kernel's
// ia32 emulation is off), it tests the same sources built for 64-bit Windows
// (build/win64) under 64-bit Wine, and `make test` runs the suite once more
// on build/win32 inside an emulated PC (tools/vm32), which sets
// VIDIDER_E2E_WHERE=emulated and VIDIDER_E2E_PREFIX. Every test says which
// build it ran and where.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/display.h"
#include "tests/e2e/process.h"

namespace e2e {


class Harness {
public:
    // Starts the display and the Wine server; prepares the prefix once. The
    // first call decides the screens, and the size of one screen.
    static Harness& Get(TestDisplay::Screens screens = TestDisplay::Screens::One, const std::string& size = "1280x1024");
    void Shutdown();

    pid_t XServer() const { return display_->Server(); }  // the X server's process
    const std::string& DisplayName() const { return display_->Name(); }  // ":N"
    // Which build runs, under which Wine, where: one line for the test log.
    std::string Describe() const;
    bool Emulated() const { return emulated_; }
    // A time for a check that a program reacts in time: `seconds` natively,
    // ten times that in the emulated PC, where everything runs about ten
    // times slower. Long enough for the emulation, short enough that a hang
    // still fails.
    double Margin(double seconds) const { return emulated_ ? 10 * seconds : seconds; }
    std::string Saver() const;        // the saver under test, a Unix path
    std::string SaverWindowsPath() const;
    std::string Binary(const std::string& name) const;  // another program of the Windows build
    const std::string& Prefix() const { return prefix_; }  // the Wine prefix, a Unix path
    // Where a program started by a test writes what it says: a file in this
    // suite's own prefix, so that two checkouts' suites never share one.
    std::string LogFile(const std::string& name) const { return prefix_ + "/e2e-" + name + ".txt"; }

    // A program under Wine; its standard output goes to `output` when given.
    pid_t Start(const std::vector<std::string>& arguments, const std::string& output = "");
    Finished WaitExit(pid_t pid, double seconds);
    bool Running(pid_t pid);
    void Kill(pid_t pid);
    // A program under Wine, to its end; what it printed (CR and LF as LF).
    std::string Run(const std::vector<std::string>& arguments, int* code = nullptr, double seconds = 30);

    // Processes of this prefix with this command name (as /proc shows it);
    // those of other prefixes on the machine are left alone.
    std::vector<pid_t> Processes(const std::string& comm);
    void KillStray();
    // CPU time of a process in clock ticks (utime + stime).
    long CpuTicks(pid_t pid);

    Shot Grab(int x, int y, int width, int height) { return display_->Grab(x, y, width, height); }
    void Key(const char* keysym) { display_->Key(keysym); }
    void MoveTo(int x, int y) { display_->MoveTo(x, y); }
    void Click(int x, int y, int times = 1) { display_->Click(x, y, times); }

    // `wine reg` on the current user's hive.
    int Reg(const std::vector<std::string>& arguments, std::string* output = nullptr);
    // Imports a .reg text (REGEDIT4) with `wine regedit /S`: many changes for
    // the cost of one program start. The exit code.
    int ImportReg(const std::string& text);

    static void Sleep(double seconds) { e2e::Sleep(seconds); }
    static double Now() { return e2e::Now(); }

private:
    Harness(TestDisplay::Screens screens, const std::string& size);
    void PreparePrefix();
    std::vector<std::string> Environment() const;
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& output);

    bool emulated_ = false;
    std::string arch_;
    std::string loader_;
    std::string build_;
    std::string prefix_;
    std::unique_ptr<TestDisplay> display_;
};

// Reads a .bmp file of the saver's resources as screen colours, rows top first.
std::optional<Shot> ReadBmp(const std::string& path);

}  // namespace e2e
