// An X display of the tests' own and what a person sees and does on it:
// the server (Xvfb, or two monitors of Xephyr inside an Xvfb) started with
// -displayfd so that it picks a free number, screenshots, and keys, pointer
// moves and clicks sent through XTest.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Pixel {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
    bool Black() const { return r == 0 && g == 0 && b == 0; }
    bool White() const { return r == 255 && g == 255 && b == 255; }
};

struct Shot {
    int x = 0, y = 0, width = 0, height = 0;
    std::vector<Pixel> pixels;
    // (x, y) in screen coordinates.
    Pixel At(int sx, int sy) const { return pixels[std::size_t(sy - y) * width + (sx - x)]; }
    bool operator==(const Shot& o) const;
};

// A rectangle of the screen.
struct Area {
    int x = 0, y = 0, width = 0, height = 0;
};

// Whether a screenshot holds both pure black and pure white; whether it is
// all black.
bool HasBoth(const Shot& s);
bool AllBlack(const Shot& s);

// Seconds on a monotonic clock, and a sleep.
double Now();
void Sleep(double seconds);

// A one-screen Xvfb of another make than the usual 24-bit one.
struct ServerOptions {
    std::string size = "1280x1024";
    int depth = 24;
    bool openToAll = false;
    std::vector<std::string> more;  // further arguments, as {"-extension", "MIT-SHM"}
};

class TestDisplay {
public:
    // One screen of `size` (WxH, 24 bits, black root); or two monitors side
    // by side in one root, 1280 x 1024 at the origin and 1024 x 768 to its
    // right; or `size` = "NxWxH": N equal monitors of W x H side by side.
    // Where there are monitors, the root is white, so that a monitor
    // nothing covers shows white.
    enum class Screens { One, TwoMonitors, EqualMonitors };
    // `openToAll`: clients of any user may connect (a daemon run as another).
    explicit TestDisplay(Screens screens = Screens::One, const std::string& size = "1280x1024", bool openToAll = false);
    // One screen, the root black, made as `options` say.
    explicit TestDisplay(const ServerOptions& options);
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    const std::string& Name() const { return name_; }  // ":N"
    pid_t Server() const { return server_; }           // the server the programs draw on
    void* Connection() const { return x_; }             // the harness's own Xlib Display*

    Shot Grab(int x, int y, int width, int height);
    // Where a mapped top-level window of that title lies; none when there is none.
    std::optional<Area> WindowTitled(const std::string& title);
    void Key(const char* keysym);
    void MoveTo(int x, int y);
    void Click(int x, int y, int times = 1, unsigned button = 1);

    // Kills the server as a crash would (SIGKILL). The harness lets go of
    // its own connection first; the display is of no further use.
    void KillServer();

private:
    void StartOne(const ServerOptions& options);
    void Connect(bool whiteRoot);

    std::string name_;
    pid_t server_ = -1;
    pid_t host_ = -1;  // the Xvfb that Xephyr shows its monitors in
    void* x_ = nullptr;
};

// Keeps a screenshot as build/e2e-shots/NAME.ppm, to look at when a check fails.
std::string SaveShot(const Shot& shot, const std::string& name);

}  // namespace e2e
