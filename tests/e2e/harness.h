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

class FreshPrefix;

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
    // "win32": the 32-bit build under 32-bit Wine; "win64": the 64-bit twin.
    const std::string& Arch() const { return arch_; }
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
    // Waits until this prefix runs no program but Wine's own (its services,
    // devices and desktop): a program that hands its work to another
    // process, as an uninstaller that runs from a copy of itself, has then
    // finished. Whether it came to that within `seconds`.
    bool WaitForProgramsToEnd(double seconds);
    void KillStray();
    // CPU time of a process in clock ticks (utime + stime).
    long CpuTicks(pid_t pid);

    Shot Grab(int x, int y, int width, int height) { return display_->Grab(x, y, width, height); }
    std::optional<Area> WindowTitled(const std::string& title) { return display_->WindowTitled(title); }
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
    friend class FreshPrefix;
    Harness(TestDisplay::Screens screens, const std::string& size);
    void PreparePrefix();
    std::vector<std::string> Environment() const;
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& output);

    bool emulated_ = false;
    std::string arch_;
    std::string loader_;
    std::string build_;
    std::string prefix_;  // where programs run now: the suite's prefix, or a test's fresh one
    std::string shared_;  // the suite's prefix
    std::unique_ptr<TestDisplay> display_;
};

// A Wine prefix of one test's own, so that what the test installs never
// reaches the suite's shared prefix. It is a copy of a clean prefix made
// once and kept between runs (the shared prefix's path + "-clean": wineboot
// and the tests' Wine settings, nothing else; the emulated PC brings one
// made with its own), copied to the shared prefix's path + "-fresh". While
// it lives, every program, `wine reg` and log of the harness is there, with
// a server of its own that stays up; at its end its programs and server
// stop and the copy is removed.
class FreshPrefix {
public:
    explicit FreshPrefix(Harness& harness);
    ~FreshPrefix();
    FreshPrefix(const FreshPrefix&) = delete;
    FreshPrefix& operator=(const FreshPrefix&) = delete;

    const std::string& Path() const { return path_; }
    // A path on the prefix's drive C as a Unix path (C:\windows\x is
    // Path()/drive_c/windows/x); empty for any other drive.
    std::string UnixPath(const std::string& windowsPath) const;

private:
    void PrepareClean(const std::string& clean);

    Harness& harness_;
    std::string path_;
};

// Reads a .bmp file of the saver's resources as screen colours, rows top first.
std::optional<Shot> ReadBmp(const std::string& path);

}  // namespace e2e
