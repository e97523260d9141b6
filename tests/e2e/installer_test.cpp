// The Windows installer under 32-bit Wine, each test in a fresh prefix: the
// silent install, uninstall and switches, an upgrade under a running preview,
// the pages driven by keys, and an install that cannot write the system folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/e2e/process.h"

namespace e2e {
namespace {

constexpr int kWidth = 1920, kHeight = 1080;
const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";
const std::string kDesktop = "HKCU\\Control Panel\\Desktop";
const std::string kUninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\vidider";
// The 32-bit system folder of a 32-bit prefix, as a 32-bit program names it.
const std::string kSystem = "C:\\windows\\system32";
const std::string kSaver = kSystem + "\\vidider.scr";
const std::string kTitle = "vidider Setup";

std::string Source(const std::string& relative) { return std::string(VIDIDER_SOURCE_DIR) + "/" + relative; }

// The installers under test, made once per run: this tree's, and an older
// build to upgrade from (version 0.0.1, its saver's bytes marked so that
// the two files differ).
struct Installers {
    std::string current, older, olderSaver;
};

// Whether `out` is there and newer than everything it is made of: each
// test is a process of its own, and the first one of a run builds.
bool Current(const std::string& out, const std::vector<std::string>& inputs)
{
    std::error_code missing;
    const auto made = std::filesystem::last_write_time(out, missing);
    if (missing) return false;
    for (const std::string& input : inputs)
        if (std::filesystem::last_write_time(input) >= made) return false;
    return true;
}

const Installers& Built()
{
    static const Installers built = [] {
        const std::string dir = Source("build/installer-e2e");
        std::filesystem::create_directories(dir + "/older");
        Installers made{dir + "/vidider-" VIDIDER_VERSION "-setup.exe", dir + "/vidider-0.0.1-setup.exe",
                        dir + "/older/vidider.scr"};
        const std::string saver = Source("build/win32/vidider.scr");
        const std::vector<std::string> sources = {Source("packaging/windows/vidider.nsi"), Source("LICENSE"),
                                                  Source("resources/vidider.ico"), Source("tools/make_installer.sh")};
        if (!Current(made.olderSaver, {saver}))
            std::ofstream(made.olderSaver, std::ios::binary) << Slurp(saver) << "older build";
        for (const auto& [from, out, version] : {std::tuple{saver, made.current, std::string(VIDIDER_VERSION)},
                                                 std::tuple{made.olderSaver, made.older, std::string("0.0.1")}}) {
            std::vector<std::string> inputs = sources;
            inputs.push_back(from);
            if (Current(out, inputs)) continue;
            const std::string command = Source("tools/make_installer.sh") + " '" + from + "' '" + out + "' " + version;
            if (std::system(command.c_str()) != 0) throw std::runtime_error("cannot build the installer: " + command);
        }
        return made;
    }();
    return built;
}

// What a prefix holds: every registry entry of HKLM and HKCU as
// "[key] line" (regedit's export), and every file and folder of drive C
// with its size, but the user's temporary folder.
struct Snapshot {
    std::set<std::string> registry;
    std::map<std::string, std::uintmax_t> files;
};

// The entries of `a` that `b` lacks.
std::vector<std::string> Missing(const std::set<std::string>& a, const std::set<std::string>& b)
{
    std::vector<std::string> out;
    for (const std::string& entry : a)
        if (!b.count(entry)) out.push_back(entry);
    return out;
}

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

class Installer : public ::testing::Test {
protected:
    Harness& h = Harness::Get(TestDisplay::Screens::One, "1920x1080");
    std::unique_ptr<FreshPrefix> prefix;

    // The display and the shared prefix's server end with the last test.
    static void TearDownTestSuite() { Harness::Get(TestDisplay::Screens::One, "1920x1080").Shutdown(); }

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        if (h.Arch() != "win32") {
            // The installer is a 32-bit program: 64-bit Wine cannot start it.
            // make test leaves these tests to the emulated PC on such machines.
            const std::string why = "the installer is a 32-bit program and this machine runs no 32-bit code "
                                    "(make test runs it in the emulated PC)";
            if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << why;
            std::printf("SKIPPED: cannot run here: %s\n", why.c_str());
            GTEST_SKIP() << "SKIPPED, cannot run here: " << why;
        }
        const Installers& built = Built();
        prefix = std::make_unique<FreshPrefix>(h);
        const std::string ran = h.Describe() + ", installed by " + built.current + ", in the fresh prefix " +
                                prefix->Path() + ", on a 1920 x 1080 screen";
        std::printf("[e2e] %s.%s ran %s\n", test->test_suite_name(), test->name(), ran.c_str());
        std::fflush(stdout);
        RecordProperty("ran", ran);
        h.MoveTo(5, 5);
    }
    void TearDown() override
    {
        h.KillStray();
        prefix.reset();
    }

    // An installer, silently or not, to its end: its exit code.
    int Install(const std::string& installer, const std::vector<std::string>& switches)
    {
        std::vector<std::string> arguments = {installer};
        arguments.insert(arguments.end(), switches.begin(), switches.end());
        int code = -1;
        h.Run(arguments, &code, h.Margin(60));
        return code;
    }
    // The values of a key as `reg query` shows them ("    NAME    TYPE
    // DATA", REG_DWORD as 0x...), one program start for all of them.
    std::map<std::string, std::string> Values(const std::string& key)
    {
        std::map<std::string, std::string> values;
        std::string listing, line;
        if (h.Reg({"query", key}, &listing) != 0) return values;
        std::istringstream lines(listing);
        while (std::getline(lines, line)) {
            if (line.rfind("    ", 0) != 0) continue;
            const std::size_t type = line.find("    REG_", 4);
            if (type == std::string::npos) continue;
            const std::size_t data = line.find("    ", type + 4);
            values[line.substr(4, type - 4)] = data == std::string::npos ? "" : line.substr(data + 4);
        }
        return values;
    }
    // One value; none where it is missing.
    std::optional<std::string> Value(const std::string& key, const std::string& name)
    {
        auto values = Values(key);
        auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    bool KeyExists(const std::string& key) { return h.Reg({"query", key}) == 0; }
    std::string File(const std::string& windowsPath) { return Slurp(prefix->UnixPath(windowsPath)); }
    bool Exists(const std::string& windowsPath)
    {
        struct stat s;
        return ::stat(prefix->UnixPath(windowsPath).c_str(), &s) == 0;
    }

    // The uninstaller as a package manager runs it: its QuietUninstallString
    // ("PATH" /S); then waits for the copy of itself that it hands over to.
    int UninstallQuietly()
    {
        std::optional<std::string> quiet = Value(kUninstall, "QuietUninstallString");
        if (!quiet || quiet->size() < 2 || (*quiet)[0] != '"') {
            ADD_FAILURE() << "no QuietUninstallString of the form \"PATH\" /S: " << quiet.value_or("(none)");
            return -1;
        }
        std::size_t close = quiet->find('"', 1);
        EXPECT_EQ(quiet->substr(close + 1), " /S");
        int code = -1;
        h.Run({quiet->substr(1, close - 1), "/S"}, &code, h.Margin(60));
        EXPECT_TRUE(h.WaitForProgramsToEnd(h.Margin(30))) << "the uninstaller's copy of itself did not end";
        return code;
    }

    Snapshot Take()
    {
        Snapshot shot;
        for (const char* hive : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}) {
            const std::string file = prefix->Path() + "/export.reg";
            int code = -1;
            h.Run({"regedit", "/E", "Z:" + file, hive}, &code, h.Margin(60));
            EXPECT_EQ(code, 0) << "regedit /E " << hive;
            // UTF-16 of a mostly ASCII text: its NUL bytes and CRs go.
            std::string text;
            for (char c : Slurp(file))
                if (c != '\0' && c != '\r') text += c;
            ::unlink(file.c_str());
            std::string key, line;
            std::istringstream lines(text);
            while (std::getline(lines, line)) {
                if (line.empty()) continue;
                if (line[0] == '[') key = line;
                // Wine makes these volatile keys anew for every desktop it
                // starts: they are never saved, and no program's doing.
                if (key.rfind("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\{", 0) == 0) continue;
                shot.registry.insert(line[0] == '[' ? line : key + " " + line);
            }
        }
        const std::filesystem::path drive = prefix->Path() + "/drive_c";
        for (auto it = std::filesystem::recursive_directory_iterator(drive); it != decltype(it)(); ++it) {
            const std::string relative = std::filesystem::relative(it->path(), drive).string();
            // NSIS's uninstaller runs from a copy in the user's temporary
            // folder; Windows empties that folder at its own pace.
            if (relative.rfind("users/", 0) == 0 && it->path().filename() == "Temp" && it->is_directory()) {
                it.disable_recursion_pending();
                continue;
            }
            shot.files[relative] = it->is_regular_file() ? it->file_size() : 0;
        }
        return shot;
    }
    // Everything but `changedEntries` (which `after` adds) the same as before.
    void ExpectSame(const Snapshot& before, const Snapshot& after, const std::set<std::string>& changedEntries = {})
    {
        std::vector<std::string> gone = Missing(before.registry, after.registry);
        std::vector<std::string> added;
        for (const std::string& entry : Missing(after.registry, before.registry))
            if (!changedEntries.count(entry)) added.push_back(entry);
        EXPECT_TRUE(gone.empty()) << "registry entries gone:\n" << Lines(gone);
        EXPECT_TRUE(added.empty()) << "registry entries added:\n" << Lines(added);
        for (const std::string& entry : changedEntries)
            EXPECT_TRUE(after.registry.count(entry)) << "expected " << entry;
        std::vector<std::string> files;
        for (const auto& [path, size] : after.files) {
            auto was = before.files.find(path);
            if (was == before.files.end()) files.push_back("added " + path);
            else if (was->second != size) files.push_back("changed " + path);
        }
        for (const auto& [path, size] : before.files)
            if (!after.files.count(path)) files.push_back("gone " + path);
        EXPECT_TRUE(files.empty()) << "files:\n" << Lines(files);
    }

    // Waits until the window shows something other than `before` and holds
    // still for a moment: the next page, drawn.
    Shot NextPage(const Area& window, const Shot& before, const std::string& what)
    {
        Shot now = before;
        for (double start = Now(); Now() - start < h.Margin(20); Sleep(0.1)) {
            now = h.Grab(window.x, window.y, window.width, window.height);
            if (!(now == before)) break;
        }
        EXPECT_FALSE(now == before) << what << " did not come; " << SaveShot(now, "installer-stuck");
        return Settled(window, now);
    }
    Shot Settled(const Area& window, Shot now)
    {
        for (double start = Now(); Now() - start < h.Margin(5);) {
            Sleep(0.3);
            Shot later = h.Grab(window.x, window.y, window.width, window.height);
            if (later == now) break;
            now = later;
        }
        return now;
    }
};

TEST_F(Installer, SilentInstallPutsTheSaverInTheSystemFolderAndInAddOrRemovePrograms)
{
    ASSERT_EQ(Install(Built().current, {"/S"}), 0);
    const std::string saver = Slurp(h.Saver());
    ASSERT_FALSE(saver.empty());
    EXPECT_TRUE(File(kSaver) == saver) << "C:\\windows\\system32\\vidider.scr is not the build's";
    EXPECT_EQ(File(kSystem + "\\vidider-uninstall.exe").substr(0, 2), "MZ") << "no uninstaller beside it";
    for (const char* left : {"vidider.new", "vidider-uninstall.new", "vidider.scr.old"})
        EXPECT_FALSE(Exists(kSystem + "\\" + left)) << left << " left in the system folder";

    EXPECT_EQ(Value(kSettings, "Stage").value_or("(none)"), "fill") << "the default stage fills every screen";
    EXPECT_FALSE(Value(kSettings, "SleepTime")) << "the installer writes no SleepTime";
    // Wine reports Windows 7, where the Screen Saver Settings keep the long path.
    EXPECT_EQ(Value(kDesktop, "SCRNSAVE.EXE").value_or("(none)"), kSaver);
    EXPECT_EQ(Value(kDesktop, "ScreenSaveActive").value_or("(none)"), "1");

    const std::string uninstaller = kSystem + "\\vidider-uninstall.exe";
    auto entry = Values(kUninstall);
    EXPECT_EQ(entry["DisplayName"], "vidider");
    EXPECT_EQ(entry["DisplayVersion"], VIDIDER_VERSION);
    EXPECT_EQ(entry["Publisher"], "the vidider developers");
    EXPECT_EQ(entry["DisplayIcon"], kSaver + ",0");
    EXPECT_EQ(entry["UninstallString"], "\"" + uninstaller + "\"");
    EXPECT_EQ(entry["QuietUninstallString"], "\"" + uninstaller + "\" /S");
    EXPECT_EQ(entry["NoModify"], "0x1");
    EXPECT_EQ(entry["NoRepair"], "0x1");
    EXPECT_EQ(entry.size(), 9u) << "the entry holds only these values and EstimatedSize";
    const long kilobytes = std::strtol(entry["EstimatedSize"].c_str(), nullptr, 16);
    const long files = long(saver.size() + File(uninstaller).size()) / 1024;
    EXPECT_NEAR(kilobytes, files, 2) << "EstimatedSize is the two files' size in KB";
}

TEST_F(Installer, TheInstalledSaverStartedAsTheSystemStartsItFillsTheScreen)
{
    ASSERT_EQ(Install(Built().current, {"/S"}), 0);
    // The system starts the file SCRNSAVE.EXE names, with /s.
    const std::string named = Value(kDesktop, "SCRNSAVE.EXE").value_or("");
    ASSERT_EQ(named, kSaver);
    const double started = Now();
    pid_t pid = h.Start({named, "/s"});
    bool moire = false;
    for (double start = Now(); !moire && Now() - start < h.Margin(20); Sleep(0.05))
        moire = HasBoth(h.Grab(kWidth / 2 - 300, 100, 200, 200));
    ASSERT_TRUE(moire) << "no moire within " << h.Margin(20) << " s; "
                       << SaveShot(h.Grab(0, 0, kWidth, kHeight), "installed-none");
    // Past the title, the moire reaches all four edges of the screen.
    Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Now() - started)));
    Shot screen = h.Grab(0, 0, kWidth, kHeight);
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, kWidth, 1))) << "the top row; " << SaveShot(screen, "installed-edges");
    EXPECT_TRUE(HasBoth(h.Grab(0, kHeight - 1, kWidth, 1))) << "the bottom row";
    EXPECT_TRUE(HasBoth(h.Grab(0, 0, 1, kHeight))) << "the left column";
    EXPECT_TRUE(HasBoth(h.Grab(kWidth - 1, 0, 1, kHeight))) << "the right column";
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0) << "a key ends the installed saver with exit code 0";
}

TEST_F(Installer, SilentUninstallLeavesNothingOfItBehind)
{
    const Snapshot before = Take();
    ASSERT_EQ(Install(Built().current, {"/S"}), 0);
    ASSERT_TRUE(Exists(kSaver));
    EXPECT_EQ(UninstallQuietly(), 0);
    EXPECT_FALSE(Value(kDesktop, "SCRNSAVE.EXE")) << "SCRNSAVE.EXE still names a saver";
    // The uninstaller ran from a copy of itself in the user's temporary
    // folder, which it leaves to the next restart to delete.
    int code = -1;
    h.Run({"wineboot", "-r"}, &code, h.Margin(60));
    EXPECT_EQ(code, 0) << "wineboot -r";
    // As the Screen Saver Settings do for "(None)": the value goes, and the
    // screen saver is switched off (SPI_SETSCREENSAVEACTIVE), which the
    // system records as ScreenSaveActive "0".
    ExpectSame(before, Take(), {"[HKEY_CURRENT_USER\\Control Panel\\Desktop] \"ScreenSaveActive\"=\"0\""});
}

TEST_F(Installer, ClassicAndNoActivateLeaveTheStageClassicAndTheUsersSaverAlone)
{
    // A stage that is not one changes nothing.
    EXPECT_EQ(Install(Built().current, {"/S", "/STAGE=wide"}), 2);
    EXPECT_FALSE(Exists(kSaver));
    EXPECT_FALSE(KeyExists(kUninstall));

    // The user's own saver, and the stage filled by the download's .reg file.
    ASSERT_EQ(h.ImportReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"
                          "\"SCRNSAVE.EXE\"=\"C:\\\\windows\\\\system32\\\\other.scr\"\n\"ScreenSaveActive\"=\"1\"\n\n"
                          "[HKEY_CURRENT_USER\\Software\\Tavrenholm\\ScreenSaverSample]\n"
                          "\"Stage\"=\"fill\"\n\"SleepTime\"=\"40\"\n"),
              0);
    ASSERT_EQ(Install(Built().current, {"/S", "/STAGE=classic", "/NOACTIVATE"}), 0);
    EXPECT_TRUE(File(kSaver) == Slurp(h.Saver())) << "the saver is installed all the same";
    EXPECT_FALSE(Value(kSettings, "Stage")) << "the classic stage is no Stage value";
    EXPECT_EQ(Value(kSettings, "SleepTime").value_or("(none)"), "40");
    EXPECT_EQ(Value(kDesktop, "SCRNSAVE.EXE").value_or("(none)"), kSystem + "\\other.scr");
    EXPECT_EQ(Value(kDesktop, "ScreenSaveActive").value_or("(none)"), "1");

    // Uninstalled, the other saver stays the user's; vidider's settings go.
    EXPECT_EQ(UninstallQuietly(), 0);
    EXPECT_FALSE(Exists(kSaver));
    EXPECT_EQ(Value(kDesktop, "SCRNSAVE.EXE").value_or("(none)"), kSystem + "\\other.scr");
    EXPECT_EQ(Value(kDesktop, "ScreenSaveActive").value_or("(none)"), "1");
    EXPECT_FALSE(KeyExists(kSettings));
    EXPECT_FALSE(KeyExists("HKCU\\Software\\Tavrenholm")) << "the maker's key, empty, goes too";
}

TEST_F(Installer, OnThe9xFamilyTheSaverIsNamedInSystemIni)
{
    // Wine answers GetVersionEx as Windows 98 for the installer: platform 1.
    const std::string exe = std::filesystem::path(Built().current).filename().string();
    ASSERT_EQ(h.Reg({"add", "HKCU\\Software\\Wine\\AppDefaults\\" + exe, "/v", "Version", "/d", "win98", "/f"}), 0);
    ASSERT_EQ(Install(Built().current, {"/S"}), 0);
    EXPECT_TRUE(File(kSaver) == Slurp(h.Saver()));
    // 95, 98 and ME keep the saver's short name in SYSTEM.INI's [boot]
    // section (this one is 8.3 already), not in the registry.
    std::string ini;
    for (char c : File("C:\\windows\\system.ini"))
        if (c != '\r') ini += c;
    const std::size_t boot = ini.find("[boot]\n");
    ASSERT_NE(boot, std::string::npos) << ini;
    const std::size_t next = ini.find("\n[", boot + 1);
    EXPECT_NE(ini.substr(boot, next - boot).find("\nSCRNSAVE.EXE=" + kSaver + "\n"), std::string::npos) << ini;
    EXPECT_FALSE(Value(kDesktop, "SCRNSAVE.EXE")) << "the NT family's value, written on 98";
    EXPECT_EQ(Value(kSettings, "Stage").value_or("(none)"), "fill");
}

TEST_F(Installer, UpgradeOverAnOlderBuildKeepsTheUsersSettingsAndReplacesTheFileItsPreviewHolds)
{
    ASSERT_EQ(Install(Built().older, {"/S", "/STAGE=classic"}), 0);
    ASSERT_EQ(Value(kUninstall, "DisplayVersion").value_or("(none)"), "0.0.1");
    const std::string older = Slurp(Built().olderSaver);
    ASSERT_TRUE(File(kSaver) == older);
    ASSERT_EQ(h.ImportReg("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Tavrenholm\\ScreenSaverSample]\n"
                          "\"SleepTime\"=\"40\"\n\"Note\"=\"left by the user\"\n"),
              0);

    // The Screen Saver Settings' preview runs the installed saver, which
    // holds its file.
    const std::string log = h.LogFile("installer-preview");
    pid_t host = h.Start({h.Binary("preview-host.exe"), "preview", kSaver, "600000"}, log);
    for (double start = Now(); Slurp(log).find("child ") == std::string::npos && Now() - start < h.Margin(20);)
        Sleep(0.05);
    ASSERT_NE(Slurp(log).find("child "), std::string::npos) << Slurp(log);
    std::vector<pid_t> previews = h.Processes("vidider.scr");
    ASSERT_EQ(previews.size(), 1u);

    EXPECT_EQ(Install(Built().current, {"/S"}), 0) << "0: nothing waits for a restart";
    EXPECT_TRUE(File(kSaver) == Slurp(h.Saver())) << "the file is the new build's";
    EXPECT_EQ(Value(kUninstall, "DisplayVersion").value_or("(none)"), VIDIDER_VERSION);
    EXPECT_FALSE(Value(kSettings, "Stage")) << "the classic stage stays";
    EXPECT_EQ(Value(kSettings, "SleepTime").value_or("(none)"), "40");
    EXPECT_EQ(Value(kSettings, "Note").value_or("(none)"), "left by the user");
    EXPECT_EQ(Value(kDesktop, "SCRNSAVE.EXE").value_or("(none)"), kSaver) << "vidider stays the user's saver";
    EXPECT_EQ(::kill(previews[0], 0), 0) << "the preview was ended";
    EXPECT_FALSE(Exists(kSystem + "\\vidider.new"));

    // The old file, renamed aside while it runs, goes at the next restart.
    EXPECT_TRUE(File(kSystem + "\\vidider.scr.old") == older);
    h.Kill(host);
    EXPECT_TRUE(h.WaitForProgramsToEnd(h.Margin(10)));
    int code = -1;
    h.Run({"wineboot", "-r"}, &code, h.Margin(60));
    EXPECT_EQ(code, 0) << "wineboot -r";
    EXPECT_FALSE(Exists(kSystem + "\\vidider.scr.old")) << "the old file is still there after a restart";
    EXPECT_TRUE(File(kSaver) == Slurp(h.Saver()));
}

TEST_F(Installer, ThePagesDrivenByKeysInstallTheClassicStage)
{
    pid_t pid = h.Start({Built().current});
    std::optional<Area> window;
    for (double start = Now(); !window && Now() - start < h.Margin(20); Sleep(0.1)) window = h.WindowTitled(kTitle);
    ASSERT_TRUE(window) << "no window \"" << kTitle << "\"; " << SaveShot(h.Grab(0, 0, kWidth, kHeight), "installer-none");
    Shot welcome = Settled(*window, h.Grab(window->x, window->y, window->width, window->height));
    h.Key("Return");
    Shot licence = NextPage(*window, welcome, "the licence page");
    h.Key("Return");  // I Agree
    Shot stage = NextPage(*window, licence, "the stage page");
    const std::string saved = SaveShot(stage, "installer-stage-page");
    std::printf("[e2e] the stage page: %s\n", saved.c_str());
    RecordProperty("stage_page", saved);
    // The choice has the focus: Down moves it from "Fill every screen" to
    // "Classic 1024 x 768 stage"; Return is Next, and Next installs.
    h.Key("Down");
    Shot classic = NextPage(*window, stage, "the classic choice");
    h.Key("Return");
    // Return on the finish page ends the installer. The install may still
    // be running (in the emulated PC it takes a while), and there Return
    // does nothing: a person presses it again.
    Shot finish = NextPage(*window, classic, "the progress or the finish page");
    Finished end;
    for (double start = Now(); end.code < 0 && Now() - start < h.Margin(30);) {
        finish = Settled(*window, h.Grab(window->x, window->y, window->width, window->height));
        h.Key("Return");
        end = h.WaitExit(pid, h.Margin(1));
    }
    SaveShot(finish, "installer-finish-page");
    EXPECT_EQ(end.code, 0) << "the installer's exit code";
    if (end.code < 0) h.Kill(pid);

    EXPECT_TRUE(File(kSaver) == Slurp(h.Saver()));
    EXPECT_FALSE(Value(kSettings, "Stage")) << "classic, chosen on the page, is no Stage value";
    EXPECT_EQ(Value(kDesktop, "SCRNSAVE.EXE").value_or("(none)"), kSaver) << "\"Make vidider my screen saver\" is on";
}

// Clears the immutable attribute of a folder again, whatever happens.
struct Immutable {
    std::string path;
    bool set = false;
    explicit Immutable(const std::string& folder) : path(folder)
    {
        set = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable()
    {
        if (set) std::system(("chattr -i '" + path + "'").c_str());
    }
};

TEST_F(Installer, AnInstallThatCannotWriteTheSystemFolderFailsAndChangesNothing)
{
    const Snapshot before = Take();
    {
        // The folder takes no new file, not even from root: what an account
        // without administrator rights meets.
        Immutable locked(prefix->UnixPath(kSystem));
        if (!locked.set) {
            const std::string why = "chattr +i does not work on the file system of " + prefix->Path();
            if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << why;
            std::printf("SKIPPED: cannot run here: %s\n", why.c_str());
            GTEST_SKIP() << "SKIPPED, cannot run here: " << why;
        }
        EXPECT_EQ(Install(Built().current, {"/S"}), 2) << "the exit code of an install that failed";
        EXPECT_TRUE(h.WaitForProgramsToEnd(h.Margin(30)));
    }
    ExpectSame(before, Take());
    // And with the folder writable again, the same install succeeds.
    EXPECT_EQ(Install(Built().current, {"/S"}), 0);
    EXPECT_TRUE(Exists(kSaver));
}

}  // namespace
}  // namespace e2e
