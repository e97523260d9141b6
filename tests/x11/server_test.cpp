// vidider, the X11 hack, on the X server's bad days, run for real: servers
// of other makes (no shared memory, 16 bits a pixel, a window of a 32-bit
// visual, a full colormap of 8 bits), the window or the whole server gone
// under it, kills and signals, no descriptor for the signals.
#include "tests/x11/hack.h"
// Xlib's helpers after GoogleTest (through hack.h): their macros would change its names.
#include <X11/Xutil.h>
#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace e2e {
namespace {

// A frame past the title time, unlike every frame before it.
constexpr std::uint32_t kSeed = 7;
constexpr int kFrame = 333;
const std::vector<std::string> kStill = {"--seed", "7", "--frames", "333"};

std::vector<std::string> With(std::vector<std::string> arguments, const std::vector<std::string>& more)
{
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

// Waits until the process has no shared-memory segment left.
bool SegmentsGone(pid_t pid, double seconds = 2)
{
    for (double start = Now(); Now() - start < seconds; Sleep(0.02))
        if (SharedSegmentsOf(pid).empty()) return true;
    return false;
}

int Lines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

// A window as a program (a daemon) gives the hack: 640 x 480 at (100, 100),
// of `visual` and `depth`, in `colormap`, `background` where nothing draws;
// mapped.
::Window GivenWindow(::Display* x, Visual* visual, int depth, Colormap colormap, unsigned long background)
{
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = background;
    attributes.override_redirect = True;
    const ::Window window = XCreateWindow(x, DefaultRootWindow(x), 100, 100, 640, 480, 0, depth, InputOutput, visual,
                                          CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect, &attributes);
    XMapRaised(x, window);
    XSync(x, False);
    return window;
}

// SIGTERM ends the hack by that signal; then the window and its colormap go.
void EndAndDestroy(pid_t pid, ::Display* x, ::Window window, Colormap colormap)
{
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
    XDestroyWindow(x, window);
    XFreeColormap(x, colormap);
    XSync(x, False);
}

// Polls the own pixels of a 640 x 480 window showing frame kFrame of seed
// kSeed until each is `white` or `black` as the stage's middle has it: how
// many were not at the last look (-1: the window could not be read), and
// one of them in `sample`.
int WrongPixels(::Display* x, ::Window window, unsigned long white, unsigned long black, unsigned long& sample)
{
    const figure::Surface middle =
        Crop(SimulatorStage(kSeed, kFrame), (kStageW - 640) / 2, (kStageH - 480) / 2, 640, 480);
    int wrong = -1;
    for (double start = Now(); wrong != 0 && Now() - start < 20; Sleep(0.05)) {
        XImage* image = XGetImage(x, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
        if (image == nullptr) return -1;
        wrong = 0;
        for (int row = 0; row < 480; ++row)
            for (int col = 0; col < 640; ++col) {
                const unsigned long pixel = XGetPixel(image, col, row) & 0xFFFFFFFFu;
                if (pixel != (middle.IsWhite(col, row) ? white : black) && wrong++ == 0) sample = pixel;
            }
        XDestroyImage(image);
    }
    return wrong;
}

// --- a large screen, flat out ---

// At --delay 0 on a 3840 x 2160 window every frame is due at once; events
// are still read after each, so a key and the window manager's close end it.
TEST_F(Hack, FlatOutOnA4KWindowAKeyAndTheWindowManagersCloseEachEndItWithinASecond)
{
    ServerOptions options;
    options.size = "3840x2160";
    TestDisplay large(options);
    const std::vector<std::string> arguments = {"--geometry", "3840x2160+0+0", "--delay", "0"};
    for (const char* end : {"a key", "the window manager's close"}) {
        pid_t pid = StartOn(large, "Xvfb " + large.Name() + " (3840 x 2160 x 24), --delay 0", arguments);
        ASSERT_TRUE(WaitFor(large, 0, 0, 3840, 1, HasBoth, 20)) << "no moire on the top row";
        Sleep(1);  // flat out for a while
        const double asked = Now();
        if (std::string(end) == "a key") {
            large.Key("space");
        } else {
            const ::Window found = WindowNamed(large, "vidider");
            ASSERT_NE(found, 0u) << "no window named vidider";
            CloseLikeAWindowManager(large, found);
        }
        const Finished finished = WaitExit(pid, 10);
        EXPECT_EQ(finished.code, 0) << end;
        EXPECT_LT(Now() - asked, 1.0) << end << " ends it within a second";
    }
}

// --- servers of other makes ---

class Servers : public Hack {
protected:
    void SetUp() override { ASSERT_FALSE(ShownBefore(kSeed, kFrame)) << "a frame shown before looks the same"; }
};

TEST_F(Servers, WithoutSharedMemoryAPlainImageShowsTheSamePixels)
{
    TestDisplay usual;
    ServerOptions options;
    options.more = {"-extension", "MIT-SHM"};
    TestDisplay plain(options);
    const figure::Surface expected = SimulatorStage(kSeed, kFrame);
    const std::vector<std::string> arguments = With({"--geometry", "1024x768+0+0"}, kStill);
    pid_t shared = StartOn(usual, "Xvfb " + usual.Name() + " (1280 x 1024 x 24, MIT-SHM)", arguments);
    pid_t unshared = StartOn(plain, "Xvfb " + plain.Name() + " (1280 x 1024 x 24, -extension MIT-SHM)", arguments);
    auto frame = [&](const Shot& s) { return Shows(s, 0, 0, expected); };
    EXPECT_TRUE(WaitFor(usual, 0, 0, kStageW, kStageH, frame, 20))
        << "with shared memory; " << SaveShot(usual.Grab(0, 0, kStageW, kStageH), "x11-shm");
    EXPECT_TRUE(WaitFor(plain, 0, 0, kStageW, kStageH, frame, 20))
        << "without; " << SaveShot(plain.Grab(0, 0, kStageW, kStageH), "x11-no-shm");
    const Shot one = usual.Grab(0, 0, 1280, 1024), other = plain.Grab(0, 0, 1280, 1024);
    EXPECT_TRUE(one == other) << "the two screens differ: " << SaveShot(one, "x11-shm-screen") << ", "
                              << SaveShot(other, "x11-no-shm-screen");
    // Each took the way its server offers.
    EXPECT_EQ(SharedSegmentsOf(shared).size(), 1u);
    EXPECT_EQ(SharedSegmentsOf(unshared).size(), 0u);
}

TEST_F(Servers, AtDepthSixteenTheStageIsExactlyBlackAndWhite)
{
    ServerOptions options;
    options.depth = 16;
    TestDisplay shallow(options);
    ASSERT_EQ(DefaultDepth(X(shallow), DefaultScreen(X(shallow))), 16);
    const figure::Surface expected = SimulatorStage(kSeed, kFrame);
    pid_t pid = StartOn(shallow, "Xvfb " + shallow.Name() + " (1280 x 1024 x 16)",
                        With({"--geometry", "1280x1024+0+0", "--classic"}, kStill));
    // The classic stage in the middle, every pixel 0xFFFF or 0 (read as 255
    // or 0 a channel), and the border black.
    EXPECT_TRUE(WaitFor(shallow, 128, 128, kStageW, kStageH, [&](const Shot& s) { return Shows(s, 128, 128, expected); },
                        20))
        << SaveShot(shallow.Grab(0, 0, 1280, 1024), "x11-depth16");
    const Shot screen = shallow.Grab(0, 0, 1280, 1024);
    int border = 0;
    for (int y = 0; y < 1024; y += 2)
        for (int x = 0; x < 1280; x += 2)
            if (!(x >= 128 && x < 128 + kStageW && y >= 128 && y < 128 + kStageH)) border += !screen.At(x, y).Black();
    EXPECT_EQ(border, 0) << "border pixels that are not black";
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
}

TEST_F(Servers, AWindowOfA32BitVisualGetsOpaqueBlackAndWhite)
{
    TestDisplay& d = Screen();
    ::Display* x = X(d);
    XVisualInfo argb{};
    const bool offered = XMatchVisualInfo(x, DefaultScreen(x), 32, TrueColor, &argb) != 0;
    NeedOrFail(offered, "this Xvfb offers no 32-bit TrueColor visual (its Composite extension makes one)");
    if (!offered) return;
    ASSERT_NE(argb.visual, DefaultVisual(x, DefaultScreen(x)));

    // A window as a compositing daemon might give: 32 bits, a colormap of
    // its own, half-transparent red where nothing draws.
    const Colormap own = XCreateColormap(x, DefaultRootWindow(x), argb.visual, AllocNone);
    const ::Window window = GivenWindow(x, argb.visual, 32, own, 0x80FF0000);
    pid_t pid = StartOn(d, "Xvfb " + d.Name() + " (1280 x 1024 x 24), into a window of depth 32",
                        With({"--window-id", Hex(window)}, kStill));

    // The window's own pixels: opaque white or opaque black, as the frame's
    // middle 640 x 480 has them.
    unsigned long sample = 0;
    EXPECT_EQ(WrongPixels(x, window, 0xFFFFFFFFu, 0xFF000000u, sample), 0)
        << "pixels other than the frame's opaque black and white, such as " << Hex(sample);
    EndAndDestroy(pid, x, window, own);
}

TEST_F(Servers, InAFullColormapItsDarkestAndLightestColoursServeAsBlackAndWhite)
{
    // An 8-bit PseudoColor screen, and a window whose colormap a program has
    // taken whole for writing: greys and tints, none exactly black or white,
    // so the hack can allocate no colour of its own there.
    ServerOptions options;
    options.depth = 8;
    options.more = {"-cc", "3"};  // PseudoColor
    TestDisplay pseudo(options);
    ::Display* x = X(pseudo);
    Visual* visual = DefaultVisual(x, DefaultScreen(x));
    ASSERT_EQ(visual->c_class, PseudoColor);
    ASSERT_EQ(visual->map_entries, 256);
    const Colormap full = XCreateColormap(x, DefaultRootWindow(x), visual, AllocAll);
    constexpr unsigned long kDarkest = 77, kLightest = 200;
    std::vector<XColor> cells(256);
    for (unsigned long i = 0; i < cells.size(); ++i) {
        XColor& c = cells[i];
        c.pixel = i;
        c.flags = DoRed | DoGreen | DoBlue;
        // Mid colours, from 0x3000 to 0xCF00 a channel.
        c.red = std::uint16_t(0x3000 + (i * 0x9F) % 0xA000);
        c.green = std::uint16_t(0x3000 + (i * 0x3B00) % 0xA000);
        c.blue = std::uint16_t(0x3000 + ((255 - i) * 0x80) % 0xA000);
    }
    cells[kDarkest].red = cells[kDarkest].green = cells[kDarkest].blue = 0x1000;
    cells[kLightest].red = 0xF000, cells[kLightest].green = 0xE800, cells[kLightest].blue = 0xF000;
    XStoreColors(x, full, cells.data(), int(cells.size()));
    const ::Window window = GivenWindow(x, visual, 8, full, 5);
    pid_t pid = StartOn(pseudo, "Xvfb " + pseudo.Name() + " (1280 x 1024 x 8, PseudoColor), into a window of a full colormap",
                        With({"--window-id", Hex(window)}, kStill));

    unsigned long sample = 0;
    EXPECT_EQ(WrongPixels(x, window, kLightest, kDarkest, sample), 0)
        << "pixels other than the colormap's darkest and lightest, as the frame has them, such as " << sample;
    EndAndDestroy(pid, x, window, full);
}

// --- the window or the server gone, kills and signals ---

class Ending : public Hack {
protected:
    // Its own 640 x 480 window at the origin of the usual screen, showing the moire.
    pid_t StartShowing()
    {
        pid_t pid = Start({"--geometry", "640x480+0+0"});
        EXPECT_TRUE(WaitFor(0, 0, 640, 480, HasBoth)) << "no moire";
        return pid;
    }
};

TEST_F(Ending, TheWindowDestroyedUnderWindowIdEndsItAtOnceAndQuietly)
{
    TestDisplay& d = Screen();
    ::Window window = MakeWindow(d, 100, 100, 320, 240);
    pid_t pid = Start({"--window-id", Hex(window)});
    ASSERT_TRUE(WaitFor(100, 100, 320, 240, HasBoth)) << "it draws there";
    XDestroyWindow(X(d), window);
    XSync(X(d), False);
    Finished end = WaitExit(pid, 5);
    EXPECT_EQ(end.code, 0);
    EXPECT_LT(end.seconds, 0.1) << "ends within 100 ms";
    EXPECT_EQ(Slurp(errors), "") << "no X error text";
    EXPECT_TRUE(SegmentsGone(pid));
}

TEST_F(Ending, TheServerKilledEndsItWithOneLineOfItsOwnAndStatusOne)
{
    TestDisplay doomed;
    pid_t pid = StartOn(doomed, "Xvfb " + doomed.Name() + " (1280 x 1024 x 24), killed under it",
                        {"--geometry", "640x480+0+0"});
    ASSERT_TRUE(WaitFor(doomed, 0, 0, 640, 480, HasBoth)) << "no moire";
    ASSERT_EQ(SharedSegmentsOf(pid).size(), 1u) << "it paints through shared memory";
    const std::string name = doomed.Name();
    doomed.KillServer();
    Finished end = WaitExit(pid, 5);
    EXPECT_EQ(end.code, 1) << "killed by signal " << end.signal;
    EXPECT_FALSE(end.core);
    EXPECT_LT(end.seconds, 1.0);
    const std::string said = Slurp(errors);
    EXPECT_EQ(said, "vidider: the display " + name + " went away\n");
    EXPECT_TRUE(SegmentsGone(pid)) << "its shared memory is left";
}

TEST_F(Ending, KillNineLeavesNoSharedMemory)
{
    pid_t pid = StartShowing();
    // As `ipcs -m -p` lists them: the segment it made, by its creator.
    ASSERT_EQ(SharedSegmentsOf(pid).size(), 1u) << "before: it paints through shared memory";
    ::kill(pid, SIGKILL);
    EXPECT_EQ(WaitExit(pid, 5).signal, SIGKILL);
    EXPECT_TRUE(SegmentsGone(pid)) << "after: its segment is left";
}

TEST_F(Ending, SigtermSigintAndSighupEachEndItByThatSignalWithin100Ms)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        pid_t pid = StartShowing();
        ASSERT_EQ(SharedSegmentsOf(pid).size(), 1u);
        ::kill(pid, signal);
        Finished end = WaitExit(pid, 5);
        EXPECT_EQ(end.signal, signal) << strsignal(signal) << ": exit status " << end.code;
        EXPECT_FALSE(end.core) << strsignal(signal);
        EXPECT_LT(end.seconds, 0.1) << strsignal(signal);
        EXPECT_TRUE(SharedSegmentsOf(pid).empty()) << strsignal(signal) << ": its shared memory is left";
        EXPECT_EQ(Slurp(errors), "") << strsignal(signal);
    }
}

TEST_F(Ending, SigpipeIsIgnored)
{
    pid_t pid = StartShowing();
    ::kill(pid, SIGPIPE);
    Sleep(0.3);
    ASSERT_TRUE(Running(pid)) << "SIGPIPE ended it";
    EXPECT_GT(Changes(0, 0, 640, 480, 0.5), 2) << "and it goes on drawing";
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 5).signal, SIGTERM);
}

TEST_F(Ending, NoDescriptorForTheSignalsIsOneLineAndStatusTwo)
{
    // signalfd fails in the hack as it would with no descriptor left.
    pid_t pid = Start({"--geometry", "640x480+0+0"}, {"LD_PRELOAD=" SIGNALFD_FAILS_PATH});
    Finished end = WaitExit(pid, 5);
    const std::string said = Slurp(errors);
    EXPECT_EQ(end.code, 2) << said;
    EXPECT_EQ(said, "vidider: cannot wait for signals (signalfd: Too many open files)\n");
    EXPECT_EQ(Lines(said), 1);
}

}  // namespace
}  // namespace e2e
