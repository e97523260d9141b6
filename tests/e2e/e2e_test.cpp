// The real saver under Wine on a private X display, checked as a person
// would: what the screen shows, what keys, clicks and moves do, how the
// program ends, what the registry holds afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "figure/rounding.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

// On the 1280 x 1024 screen the 1024 x 768 stage lies at (128, 128).
constexpr int kStageX = 128, kStageY = 128, kStageW = 1024, kStageH = 768;
const std::string kSettings = "HKCU\\Software\\Tavrenholm\\ScreenSaverSample";
const std::string kMaker = "HKCU\\Software\\Tavrenholm";

// Every test says which build it ran and where, in its output and in the
// XML report.
class WineTest : public ::testing::Test {
protected:
    Harness& h = Harness::Get();

    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::printf("[e2e] %s.%s ran %s\n", test->test_suite_name(), test->name(), h.Describe().c_str());
        std::fflush(stdout);
        RecordProperty("ran", h.Describe());
    }
};

// A count of stage screenshots that differ from the one before.
struct Changes {
    int samples = 0;
    int changes = 0;
};

class Saver : public WineTest {
protected:
    void SetUp() override
    {
        WineTest::SetUp();
        // Whatever an earlier test left behind goes: savers, settings, the
        // 9x disguise and its password library.
        h.KillStray();
        h.ImportReg("REGEDIT4\n\n[-HKEY_CURRENT_USER\\Software\\Tavrenholm]\n\n"
                    "[-HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\vidider.scr]\n\n"
                    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=-\n");
        std::remove((h.Prefix() + "/drive_c/windows/system32/PASSWORD.CPL").c_str());
        h.MoveTo(5, 5);
    }
    void TearDown() override { h.KillStray(); }

    Shot Stage() { return h.Grab(kStageX, kStageY, kStageW, kStageH); }

    static bool OnlyBlackAndWhite(const Shot& s)
    {
        return std::all_of(s.pixels.begin(), s.pixels.end(), [](const Pixel& p) { return p.Black() || p.White(); });
    }

    // Starts the full-screen saver and waits until the stage shows the moire.
    pid_t StartSaver()
    {
        double start = Harness::Now();
        pid_t pid = h.Start({h.Saver(), "/s"});
        while (Harness::Now() - start < h.Margin(20)) {
            if (HasBoth(h.Grab(kStageX + 100, kStageY + 100, 200, 200))) return pid;
            Harness::Sleep(0.02);
        }
        ADD_FAILURE() << "the saver showed no moire within " << h.Margin(20) << " s";
        return pid;
    }

    bool TitleShown(const Shot& stage, const Shot& title)
    {
        for (int y = 0; y < title.height; ++y)
            for (int x = 0; x < title.width; ++x)
                if (!(stage.At(kStageX + 352 + x, kStageY + 264 + y) == title.pixels[std::size_t(y) * title.width + x]))
                    return false;
        return true;
    }

    // Stage screenshots `step` seconds apart for `seconds` of wall clock:
    // how many were taken, and how many differ from the one before. A
    // screenshot takes longer under emulation, so there are fewer samples.
    Changes Sample(double seconds, double step)
    {
        Shot previous = Stage();
        Changes counted;
        for (double start = Harness::Now(); Harness::Now() - start < seconds;) {
            Harness::Sleep(step);
            Shot now = Stage();
            ++counted.samples;
            if (!(now == previous)) ++counted.changes;
            previous = std::move(now);
        }
        return counted;
    }
};

std::string ReadLog(const std::string& path)
{
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    for (char& c : text)
        if (c == '\r') c = ' ';
    return text;
}

// What a program has written to `log` once it holds `line`, or after `seconds`.
std::string WaitForLine(const std::string& log, const std::string& line, double seconds)
{
    std::string text;
    for (double start = Harness::Now(); Harness::Now() - start < seconds; Harness::Sleep(0.05)) {
        text = ReadLog(log);
        if (text.find(line) != std::string::npos) break;
    }
    return text;
}

std::map<std::string, std::string> Facts(const std::string& text)
{
    std::map<std::string, std::string> facts;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::size_t space = line.find(' ');
        std::string key = line.substr(0, space), rest = space == std::string::npos ? "" : line.substr(space + 1);
        while (!rest.empty() && rest.back() == ' ') rest.pop_back();  // the CR of the line end, made a blank
        if (facts.count(key) == 0) facts[key] = rest;
    }
    return facts;
}

int Field(const std::string& text, const std::string& name)
{
    std::smatch m;
    std::regex pattern(name + "=([0-9A-Fa-f]+)");
    if (!std::regex_search(text, m, pattern)) return -1;
    return static_cast<int>(std::stol(m[1].str(), nullptr, name == "style" || name == "classstyle" ? 16 : 10));
}

// Timing checks below take h.Margin(t): t natively, 10 t in the emulated
// PC. What the screen shows, exit codes and the registry are checked the
// same everywhere.

TEST_F(Saver, ShowsTheMoireOnTheStageWithABlackBorderAndTheTitleFirst)
{
    pid_t pid = StartSaver();
    double shownAt = Harness::Now();
    // The first frame is composed before the activation is recorded, so the
    // title comes with the paced frames that follow it.
    Harness::Sleep(0.3);
    auto title = ReadBmp(std::string(VIDIDER_SOURCE_DIR) + "/resources/title.bmp");
    ASSERT_TRUE(title);
    Shot screen = h.Grab(0, 0, 1280, 1024);
    Shot stage = Stage();
    EXPECT_TRUE(TitleShown(screen, *title)) << "the title card in the middle of the stage; the screen is in "
                                            << SaveShot(screen, "title-missing");
    EXPECT_TRUE(HasBoth(stage));
    EXPECT_TRUE(OnlyBlackAndWhite(stage));
    for (int y = 0; y < 1024; y += 3)
        for (int x = 0; x < 1280; x += 3) {
            bool onStage = x >= kStageX && x < kStageX + kStageW && y >= kStageY && y < kStageY + kStageH;
            if (!onStage) {
                ASSERT_TRUE(screen.At(x, y).Black()) << "border pixel " << x << "," << y;
            }
        }
    // The stage's edges are moire, not border.
    bool edges = false;
    for (int y = kStageY; y < kStageY + kStageH && !edges; ++y) edges = screen.At(kStageX, y).White();
    EXPECT_TRUE(edges);
    EXPECT_GT(Sample(h.Margin(1.0), 0.1).changes, 5) << "the moire moves";
    // A frame composed after 4.5 s has no title; one comes within 0.7 s.
    Harness::Sleep(std::max(0.0, 4.5 + h.Margin(0.7) - (Harness::Now() - shownAt)));
    EXPECT_FALSE(TitleShown(h.Grab(0, 0, 1280, 1024), *title)) << "the title is gone after 4.5 s";
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
}

TEST_F(Saver, AnyKeyEndsItWithinASecondAndExitCodeZero)
{
    for (const char* key : {"a", "Shift_L", "Escape", "F5"}) {
        pid_t pid = StartSaver();
        Harness::Sleep(0.3);
        double pressed = Harness::Now();
        h.Key(key);
        Finished end = h.WaitExit(pid, h.Margin(5));
        EXPECT_EQ(end.code, 0) << key;
        EXPECT_LT(Harness::Now() - pressed, h.Margin(1.0)) << key;
        h.KillStray();
    }
}

TEST_F(Saver, MovesSingleClicksAndBorderDoubleClicksDoNotEndItAStageDoubleClickDoes)
{
    pid_t pid = StartSaver();
    for (int i = 0; i < 60; ++i) {
        h.MoveTo(200 + 13 * i, 300 + 7 * i);
        Harness::Sleep(0.01);
    }
    h.Click(640, 512);
    Harness::Sleep(0.6);
    h.Click(40, 40, 2);  // the black border
    h.Click(1200, 1000, 2);
    Harness::Sleep(h.Margin(1.0));
    ASSERT_TRUE(h.Running(pid)) << "moves, a click or a double click on the border ended the saver";
    double clicked = Harness::Now();
    h.Click(500, 400, 2);
    Finished end = h.WaitExit(pid, h.Margin(5));
    EXPECT_EQ(end.code, 0);
    EXPECT_LT(Harness::Now() - clicked, h.Margin(1.0));
}

TEST_F(Saver, TwentyMovesEndingAtTheCentreMakeTheCopiesCoincideUntilTheMouseRests)
{
    pid_t pid = StartSaver();
    Harness::Sleep(5.0);  // past the title time, when moves are dropped
    for (int i = 30; i >= 0; --i) {
        h.MoveTo(640 + 3 * i, 512 + 2 * i);
        Harness::Sleep(0.02);
    }
    // The saver stamps the last move when it handles it, at this time or
    // later: the hold lasts until 5 s after that.
    const double moved = Harness::Now();
    bool black = false;
    for (double until = moved + h.Margin(0.3); !black && Harness::Now() < until; Harness::Sleep(0.05))
        black = AllBlack(Stage());
    EXPECT_TRUE(black) << "the copies lie on each other: the whole stage is black";
    Harness::Sleep(std::max(0.0, moved + 3.0 - Harness::Now()));
    EXPECT_TRUE(AllBlack(Stage())) << "still steering while the mouse rests less than 5 s";
    Harness::Sleep(std::max(0.0, moved + 5.0 + h.Margin(0.5) - Harness::Now()));
    EXPECT_GT(Sample(h.Margin(1.0), 0.1).changes, 5) << "the motion resumes after 5 s of rest";
    EXPECT_FALSE(AllBlack(Stage()));
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
}

TEST_F(Saver, ANewResolutionOfThePrimaryLeavesNoDesktopShowing)
{
    // Wine changes the resolution only in a desktop of its own: one of
    // 1024 x 768 at the screen's top left, grown to 1280 x 1024 by a program
    // in it, as the display settings would. Its desktop colour is not black.
    const std::string desktop = "/desktop=vidider-resolution,1024x768";
    pid_t starter = h.Start({"explorer", desktop, h.Saver(), "/s"});
    bool moire = false;
    for (double start = Harness::Now(); !moire && Harness::Now() - start < h.Margin(20); Harness::Sleep(0.05))
        moire = HasBoth(h.Grab(300, 200, 300, 300));
    ASSERT_TRUE(moire) << "the saver in a desktop of 1024 x 768; " << SaveShot(h.Grab(0, 0, 1280, 1024), "resolution-start");
    std::vector<pid_t> savers = h.Processes("vidider.scr");
    ASSERT_EQ(savers.size(), 1u);

    const std::string log = h.LogFile("resolution");
    std::remove(log.c_str());
    h.Start({"explorer", desktop, h.Binary("preview-host.exe"), "resolution", "1280", "1024"}, log);
    std::string said = WaitForLine(log, "resolution ", h.Margin(20));
    ASSERT_NE(said.find("resolution 0 screen width=1280 height=1024"), std::string::npos) << said;
    // The saver window covers the new screen, black around the stage,
    // which lies in its middle again: at (128, 128).
    auto laidOut = [&](const Shot& screen) {
        for (int y = 0; y < 1024; y += 2)
            for (int x = 0; x < 1280; x += 2) {
                const bool onStage = x >= kStageX && x < kStageX + kStageW && y >= kStageY && y < kStageY + kStageH;
                if (!(onStage ? screen.At(x, y).Black() || screen.At(x, y).White() : screen.At(x, y).Black()))
                    return false;
            }
        return true;
    };
    bool done = false;
    Shot screen;
    for (double start = Harness::Now(); !done && Harness::Now() - start < h.Margin(5); Harness::Sleep(0.1)) {
        screen = h.Grab(0, 0, 1280, 1024);
        done = laidOut(screen);
    }
    EXPECT_TRUE(done) << "the desktop shows beside the saver, or the stage is not in the middle; "
                      << SaveShot(screen, "resolution-grown");
    EXPECT_TRUE(HasBoth(Stage())) << "the moire on the stage";
    h.Key("a");
    for (double start = Harness::Now(); h.Running(savers[0]) || !h.Processes("vidider.scr").empty();) {
        if (Harness::Now() - start > h.Margin(3)) {
            ADD_FAILURE() << "a key did not end the saver";
            break;
        }
        Harness::Sleep(0.02);
    }
    h.WaitExit(starter, h.Margin(10));
}

TEST_F(Saver, SleepTimeSetsThePaceAndABadValueGivesTheDefault)
{
    ASSERT_EQ(h.Reg({"add", kSettings, "/v", "SleepTime", "/t", "REG_SZ", "/d", "1000", "/f"}), 0);
    pid_t pid = StartSaver();
    // One frame a second: over 4 s, three to five changes whatever the
    // number of screenshots.
    Changes slow = Sample(4.0, 0.1);
    EXPECT_GE(slow.changes, 3) << "about one frame a second, " << slow.samples << " screenshots";
    EXPECT_LE(slow.changes, 6) << "about one frame a second";
    h.Key("a");
    h.WaitExit(pid, h.Margin(3));

    ASSERT_EQ(h.Reg({"add", kSettings, "/v", "SleepTime", "/t", "REG_SZ", "/d", "abc", "/f"}), 0);
    pid = StartSaver();
    // A frame every 20 ms: nearly every screenshot differs from the last.
    Changes fast = Sample(h.Margin(2.0), 0.1);
    EXPECT_GE(fast.samples, 8);
    EXPECT_GE(fast.changes, fast.samples - 2) << "the default pace: a frame every 20 ms";
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
}

TEST_F(Saver, TheRegFileOfTheUsersReadmeSetsSleepTime)
{
    // The lines of windows/README.txt from REGEDIT4 to the value, unindented.
    std::istringstream readme(Slurp(std::string(VIDIDER_SOURCE_DIR) + "/windows/README.txt"));
    std::string text;
    bool inside = false;
    for (std::string line; std::getline(readme, line);) {
        inside = inside || line == "    REGEDIT4";
        if (!inside) continue;
        text += (line.size() >= 4 ? line.substr(4) : line) + "\n";
        if (line.find("\"SleepTime\"=") != std::string::npos) break;
    }
    ASSERT_NE(text.find("SleepTime"), std::string::npos) << "no .reg text in the README";
    ASSERT_EQ(h.ImportReg(text), 0) << text;
    std::string value;
    ASSERT_EQ(h.Reg({"query", kSettings, "/v", "SleepTime"}, &value), 0) << text;
    EXPECT_NE(value.find("REG_SZ"), std::string::npos) << value;
    EXPECT_NE(value.find("40"), std::string::npos) << value;
}

TEST_F(Saver, LeavesOnlyTheEmptyMakerKeyInTheRegistry)
{
    std::string before;
    ASSERT_NE(h.Reg({"query", kMaker}, &before), 0) << "the key is gone before the run";
    pid_t pid = StartSaver();
    h.Key("a");
    ASSERT_EQ(h.WaitExit(pid, h.Margin(3)).code, 0);
    std::string listing;
    EXPECT_EQ(h.Reg({"query", kMaker, "/s"}, &listing), 0) << "the key exists";
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        EXPECT_EQ(line, "HKEY_CURRENT_USER\\Software\\Tavrenholm") << "the key holds nothing";
    }
}

TEST_F(Saver, OnThe9xFamilyASetPasswordIsAskedForOncePerKeyBeforeClosing)
{
    // Wine answers the version query as Windows 98 for this program.
    const std::string appDefaults = "HKCU\\Software\\Wine\\AppDefaults\\vidider.scr";
    const std::string desktop = "HKCU\\Control Panel\\desktop";
    const std::string drive = h.Prefix() + "/drive_c";
    const std::string library = drive + "/windows/system32/PASSWORD.CPL";
    const std::string refuse = drive + "/vidider-refuse", log = drive + "/vidider-password.log";
    ASSERT_EQ(h.Reg({"add", appDefaults, "/v", "Version", "/d", "win98", "/f"}), 0);
    ASSERT_EQ(h.Reg({"add", desktop, "/v", "ScreenSaveUsePassword", "/t", "REG_DWORD", "/d", "1", "/f"}), 0);
    std::ifstream stub(h.Binary("PASSWORD.CPL"), std::ios::binary);
    std::ofstream(library, std::ios::binary) << stub.rdbuf();
    std::ofstream(refuse) << "refuse";
    std::remove(log.c_str());
    auto asked = [&] {
        std::ifstream in(log);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        return std::count(text.begin(), text.end(), '\n');
    };

    pid_t pid = StartSaver();
    h.Key("Escape");
    for (double start = Harness::Now(); asked() == 0 && Harness::Now() - start < h.Margin(3);) Harness::Sleep(0.05);
    Harness::Sleep(h.Margin(1.0));
    EXPECT_TRUE(h.Running(pid)) << "a refused password keeps the saver";
    EXPECT_EQ(asked(), 1) << "one Esc press asks once";
    std::remove(refuse.c_str());
    h.Key("a");
    Finished end = h.WaitExit(pid, h.Margin(5));
    EXPECT_EQ(end.code, 0);
    EXPECT_EQ(asked(), 2);

    // Without the library no password is asked: a key ends the saver.
    std::remove(library.c_str());
    pid = StartSaver();
    h.Key("a");
    EXPECT_EQ(h.WaitExit(pid, h.Margin(5)).code, 0);

    h.Reg({"delete", appDefaults, "/f"});
    h.Reg({"delete", desktop, "/v", "ScreenSaveUsePassword", "/f"});
    std::remove(log.c_str());
}

TEST_F(Saver, ConfigureShowsTheAboutBoxAndDisablesTheSettingsUntilEnter)
{
    for (std::string argument : {"/c", "", "/c:1234"}) {
        std::string log = h.LogFile("configure");
        pid_t host = h.Start({h.Binary("preview-host.exe"), "configure", h.SaverWindowsPath(), argument}, log);
        std::string text = WaitForLine(log, "about ", h.Margin(20));
        ASSERT_NE(text.find("about "), std::string::npos) << "no About box for '" << argument << "': " << text;
        Harness::Sleep(h.Margin(0.3));
        h.Key("Return");
        Finished end = h.WaitExit(host, h.Margin(10));
        text = ReadLog(log);
        auto facts = Facts(text);
        EXPECT_EQ(end.code, 0) << text;
        int expected = std::atoi(facts["expected-width"].c_str());
        EXPECT_GT(expected, 150);
        EXPECT_EQ(Field(facts["about"], "width"), expected) << text;
        EXPECT_EQ(Field(facts["about"], "height"), 200) << text;
        int client = Field(facts["about"], "client");
        EXPECT_EQ(Field(facts["about"], "ok-left"), figure::Round((client - 73) * 0.5L)) << text;
        EXPECT_EQ(Field(facts["about"], "owner-is-host"), 1) << text;
        std::size_t disabled = text.find("enabled=0"), enabled = text.find("enabled=1", disabled);
        EXPECT_NE(disabled, std::string::npos) << "the settings window is disabled while the box is open";
        EXPECT_NE(enabled, std::string::npos) << "and enabled again after";
        EXPECT_NE(text.find("saver-exit 0"), std::string::npos) << "Enter closes the box and the saver ends";
        h.KillStray();
    }
}

TEST_F(Saver, ConfigureShowsTheAboutBoxEveryTimeTwentyTimesInARow)
{
    // At 144 DPI, where a box was once missed two times in six.
    ASSERT_EQ(h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f"}), 0);
    // The box, 300 pixels high and wider, is centred on the black screen:
    // most of the middle of the screen shows its face (the rest is text
    // and the address's field).
    auto boxShown = [](const Shot& middle) {
        std::map<std::tuple<int, int, int>, int> colours;
        for (const Pixel& p : middle.pixels) ++colours[{p.r, p.g, p.b}];
        auto most = std::max_element(colours.begin(), colours.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
        return most->first != std::tuple<int, int, int>{0, 0, 0} &&
               most->second * 2 >= int(middle.pixels.size());
    };
    // Each run starts as Enter closes the box before it, so that the
    // window in the foreground when it asks is that box going away.
    pid_t pid = h.Start({h.Saver(), "/c"});
    for (int run = 1; run <= 20; ++run) {
        bool shown = false;
        for (double start = Harness::Now(); !shown && Harness::Now() - start < h.Margin(10); Harness::Sleep(0.05)) {
            shown = boxShown(h.Grab(600, 472, 80, 80));
            if (!shown && !h.Running(pid)) break;
        }
        ASSERT_TRUE(shown) << "run " << run << ": no About box; "
                           << SaveShot(h.Grab(0, 0, 1280, 1024), "about-missing-" + std::to_string(run));
        h.Key("Return");
        pid_t next = run < 20 ? h.Start({h.Saver(), "/c"}) : -1;
        Finished end = h.WaitExit(pid, h.Margin(10));
        ASSERT_EQ(end.code, 0) << "run " << run << ": Enter ends the box and the saver";
        pid = next;
    }
}

TEST_F(Saver, TheAboutBoxGrowsWithTheDpiAndShowsAllOfItsOKButton)
{
    int width96 = 0;
    for (int dpi : {96, 144, 192}) {
        // Wine's DPI, as the display settings set it; each program reads it.
        ASSERT_EQ(h.Reg({"add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                         std::to_string(dpi), "/f"}),
                  0);
        std::string log = h.LogFile("dpi");
        pid_t host = h.Start({h.Binary("preview-host.exe"), "configure", h.SaverWindowsPath(), "/c"}, log);
        std::string text = WaitForLine(log, "about ", h.Margin(20));
        auto facts = Facts(text);
        ASSERT_EQ(std::atoi(facts["dpi"].c_str()), dpi) << text;
        std::string about = facts["about"];
        ASSERT_FALSE(about.empty()) << text;
        const int width = Field(about, "width"), height = Field(about, "height");
        if (dpi == 96) width96 = width;
        EXPECT_EQ(height, figure::Round(200 * dpi / 96.0L)) << dpi << " DPI";
        EXPECT_NEAR(width, width96 * dpi / 96.0, width96 * dpi / 96.0 * 0.03) << "in proportion at " << dpi << " DPI";

        // OK is all inside the client area: its border rows show on the
        // screen, with the box's face colour below the bottom one.
        Harness::Sleep(h.Margin(0.5));
        const int clientX = Field(about, "client-x"), clientY = Field(about, "client-y");
        const int clientW = Field(about, "client"), clientH = Field(about, "client-height");
        const int left = Field(about, "ok-left"), top = Field(about, "ok-top");
        const int okW = Field(about, "ok-width"), okH = Field(about, "ok-height");
        EXPECT_EQ(okW, figure::Round(73 * dpi / 96.0L));
        EXPECT_LE(top + okH, clientH) << "OK ends inside the client area at " << dpi << " DPI";
        Shot client = h.Grab(clientX, clientY, clientW, clientH);
        const Pixel face = client.At(clientX + 2, clientY + 2);
        const int bottom = std::min(top + okH - 1, clientH - 1);
        int borderTop = 0, borderBottom = 0, below = 0, columns = 0;
        for (int x = left + okW / 4; x < left + 3 * okW / 4; ++x, ++columns) {
            borderTop += !(client.At(clientX + x, clientY + top) == face);
            borderBottom += !(client.At(clientX + x, clientY + bottom) == face);
            if (top + okH < clientH) below += client.At(clientX + x, clientY + top + okH) == face;
        }
        EXPECT_EQ(borderTop, columns) << "the top border of OK at " << dpi << " DPI; "
                                      << SaveShot(client, "about-" + std::to_string(dpi));
        EXPECT_EQ(borderBottom, columns) << "the bottom border of OK at " << dpi << " DPI; "
                                         << SaveShot(client, "about-" + std::to_string(dpi));
        if (top + okH < clientH) {
            EXPECT_EQ(below, columns) << "the face below OK at " << dpi << " DPI";
        }
        h.Key("Return");
        EXPECT_EQ(h.WaitExit(host, h.Margin(10)).code, 0);
        h.KillStray();
    }
}

TEST_F(Saver, PreviewMakesTheDisabledChildIdlesAndEndsWithItsWindow)
{
    std::string log = h.LogFile("preview");
    // The host keeps its window this long, then destroys it.
    const int stayMs = static_cast<int>(h.Margin(3.0) * 1000);
    pid_t host = h.Start({h.Binary("preview-host.exe"), "preview", h.SaverWindowsPath(), std::to_string(stayMs)}, log);
    std::string text = WaitForLine(log, "child ", h.Margin(20));
    ASSERT_NE(text.find("child "), std::string::npos) << text;
    std::vector<pid_t> savers = h.Processes("vidider.scr");
    ASSERT_EQ(savers.size(), 1u);
    // An idle preview wakes four times a second and does next to nothing;
    // a loop that polled would take all 150 ticks of a core.
    const long allowed = h.Emulated() ? 40 : 4;
    Harness::Sleep(0.5);
    long before = h.CpuTicks(savers[0]);
    Harness::Sleep(1.5);
    long used = h.CpuTicks(savers[0]) - before;
    EXPECT_LE(used, allowed) << "clock ticks of CPU in 1.5 s of idle preview";
    Finished end = h.WaitExit(host, h.Margin(20));
    text = ReadLog(log);
    auto facts = Facts(text);
    EXPECT_EQ(end.code, 0) << text;
    EXPECT_EQ(Field(facts["child"], "style"), 0x58000000) << text;
    EXPECT_EQ(Field(facts["child"], "classstyle"), 0x80) << text;
    EXPECT_EQ(Field(facts["child"], "width"), 152) << text;
    EXPECT_EQ(Field(facts["child"], "height"), 112) << text;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex("saver-exit (\\d+) after (\\d+) ms"))) << text;
    EXPECT_EQ(m[1].str(), "0");
    EXPECT_LT(std::stoi(m[2].str()), h.Margin(1.0) * 1000) << "the preview ends within a second of its window";
}

TEST_F(Saver, PreviewEndsWhenTheSettingsProcessIsKilled)
{
    std::string log = h.LogFile("preview-kill");
    pid_t host = h.Start({h.Binary("preview-host.exe"), "preview", h.SaverWindowsPath(), "600000"}, log);
    std::string text = WaitForLine(log, "child ", h.Margin(20));
    ASSERT_NE(text.find("child "), std::string::npos) << text;
    ASSERT_EQ(h.Processes("vidider.scr").size(), 1u);
    h.Kill(host);
    double killed = Harness::Now();
    while (!h.Processes("vidider.scr").empty() && Harness::Now() - killed < h.Margin(5)) Harness::Sleep(0.02);
    EXPECT_TRUE(h.Processes("vidider.scr").empty());
    EXPECT_LT(Harness::Now() - killed, h.Margin(1.0)) << "the preview ends within a second of its parent's process";
}

TEST_F(Saver, PreviewOnTheDesktopShowsTheStillCentred)
{
    // The stand-in holds the desktop meanwhile: Wine closes a desktop that
    // no program holds, and the next program gets a new one.
    std::string log = h.LogFile("desktop");
    pid_t host = h.Start({h.Binary("preview-host.exe"), "desktop", "600000"}, log);
    auto facts = Facts(WaitForLine(log, "desktop ", h.Margin(20)));
    ASSERT_FALSE(facts["desktop"].empty());
    pid_t pid = h.Start({h.Saver(), "/p", facts["desktop"]});
    auto still = ReadBmp(std::string(VIDIDER_SOURCE_DIR) + "/resources/sample.bmp");
    ASSERT_TRUE(still);
    // (1280 - 184) / 2 = 548 and (1024 - 133) / 2 = 445.5, which rounds to 446.
    bool found = false;
    for (double start = Harness::Now(); !found && Harness::Now() - start < h.Margin(10); Harness::Sleep(0.1)) {
        Shot shot = h.Grab(548, 446, 184, 133);
        found = std::equal(shot.pixels.begin(), shot.pixels.end(), still->pixels.begin());
    }
    EXPECT_TRUE(found) << "the still at (548, 446)";
    Shot around = h.Grab(540, 438, 200, 150);
    EXPECT_TRUE(around.At(547, 446).Black());
    EXPECT_TRUE(around.At(548, 445).Black());
    EXPECT_TRUE(around.At(732, 579).Black());
    h.Kill(pid);
    h.Kill(host);
}

TEST_F(Saver, PreviewShowsTheStillCutEquallyInsideItsWindowOfTheSettings)
{
    // The preview in a window of the same process, so that its pixels show
    // under Wine: a grey dialog holding a 152 x 112 static control.
    std::string log = h.LogFile("probe");
    pid_t probe = h.Start({h.Binary("preview-probe.exe"), "600000"}, log);
    auto facts = Facts(WaitForLine(log, "preview ", h.Margin(20)));
    ASSERT_FALSE(facts["preview"].empty());
    const int left = Field(facts["preview"], "left"), top = Field(facts["preview"], "top");
    auto still = ReadBmp(std::string(VIDIDER_SOURCE_DIR) + "/resources/sample.bmp");
    ASSERT_TRUE(still);
    // The 184 x 133 still centred on 152 x 112: at (-16, -10), 10.5 going to 10.
    auto shows = [&](const Shot& shot) {
        for (int y = 0; y < 112; ++y)
            for (int x = 0; x < 152; ++x)
                if (!(shot.At(left + x, top + y) == still->pixels[std::size_t(y + 10) * still->width + x + 16]))
                    return false;
        return true;
    };
    bool found = false;
    for (double start = Harness::Now(); !found && Harness::Now() - start < h.Margin(10); Harness::Sleep(0.1))
        found = shows(h.Grab(left, top, 152, 112));
    Shot around = h.Grab(left - 20, top - 20, 192, 152);
    EXPECT_TRUE(found) << SaveShot(around, "preview-in-dialog");
    // The dialog stays grey right around the window.
    const Pixel grey{128, 128, 128};
    for (int i = -20; i < 172; ++i) {
        EXPECT_EQ(around.At(left + i, top - 1), grey) << "above, " << i;
        EXPECT_EQ(around.At(left + i, top + 112), grey) << "below, " << i;
    }
    for (int j = 0; j < 112; ++j) {
        EXPECT_EQ(around.At(left - 1, top + j), grey) << "left, " << j;
        EXPECT_EQ(around.At(left + 152, top + j), grey) << "right, " << j;
    }
    h.Kill(probe);
}

TEST_F(Saver, PreviewWithoutAUsableWindowEndsAtOnce)
{
    for (const char* handle : {"-5", "12abc", "0", "99999999"}) {
        pid_t pid = h.Start({h.Saver(), "/p", handle});
        Finished end = h.WaitExit(pid, h.Margin(10));
        EXPECT_EQ(end.code, 0) << handle;
        EXPECT_LT(end.seconds, h.Margin(3.0)) << handle;
    }
    EXPECT_FALSE(HasBoth(h.Grab(0, 0, 1280, 1024)));
}

TEST_F(Saver, PasswordRequestReturnsPromptly)
{
    for (std::vector<std::string> args : {std::vector<std::string>{"/a"}, {"/a", "1234"}}) {
        args.insert(args.begin(), h.Saver());
        Finished end = h.WaitExit(h.Start(args), h.Margin(10));
        EXPECT_EQ(end.code, 0);
        EXPECT_LT(end.seconds, h.Margin(3.0));
    }
}

using Motion = WineTest;

TEST_F(Motion, IsTheSameUnderWindowsAsOnLinux)
{
    for (const char* seed : {"0", "2004", "4294967295"}) {
        int code = -1;
        std::string windows =
            h.Run({h.Binary("vidider-sim.exe"), "trace", "--seed", seed, "--frames", "20000"}, &code, h.Margin(120));
        ASSERT_EQ(code, 0);
        std::string command = std::string(VIDIDER_SIM_PATH) + " trace --seed " + seed + " --frames 20000";
        std::string onLinux;
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[65536];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) onLinux.append(buffer, n);
        ASSERT_EQ(pclose(pipe), 0);
        EXPECT_EQ(std::count(windows.begin(), windows.end(), '\n'), 20000);
        EXPECT_TRUE(windows == onLinux) << "seed " << seed << " differs";
    }
}

using Engine = WineTest;

// The unit tests of the engine and the saver, built as a Windows program of
// the same build: the x87 long double with the precision the motion sets,
// the code generation and the static runtime that the saver ships with.
TEST_F(Engine, UnitTestsPassAsAWindowsProgram)
{
    int code = -1;
    std::string output = h.Run({h.Binary("vidider-tests.exe")}, &code, h.Margin(120));
    EXPECT_EQ(code, 0) << output;
    EXPECT_NE(output.find("[       OK ] Motion.RunsWithTheFullLongDoubleSignificand"), std::string::npos) << output;
    EXPECT_EQ(output.find("[  FAILED  ]"), std::string::npos) << output;
}

class Environment : public ::testing::Environment {
public:
    void TearDown() override { Harness::Get().Shutdown(); }
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace
}  // namespace e2e
