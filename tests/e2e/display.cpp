#include "tests/e2e/display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

::Display* X(void* x) { return static_cast<::Display*>(x); }

// One channel of a pixel, as 0 to 255.
std::uint8_t Channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0) return 0;
    const int shift = __builtin_ctzl(mask);
    const unsigned long top = mask >> shift;
    return std::uint8_t(((pixel & mask) >> shift) * 255 / top);
}

// Starts an X server that writes its display number to a pipe (-displayfd)
// and waits for the number. `display` is the display it shows itself on,
// for Xephyr. Its output goes to build/xserver.log.
pid_t StartServer(std::vector<std::string> argv, const std::string& display, std::string& name)
{
    int fds[2];
    if (::pipe(fds) != 0) throw std::runtime_error("pipe");
    argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(fds[1])});
    std::vector<char*> rawArgv;
    for (auto& a : argv) rawArgv.push_back(a.data());
    rawArgv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("DISPLAY=", 0) != 0) env.push_back(*e);
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    std::vector<char*> rawEnv;
    for (auto& e : env) rawEnv.push_back(e.data());
    rawEnv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string log = std::string(VIDIDER_SOURCE_DIR) + "/build/xserver.log";
    // Not the test's output: a pipe reading it would wait for the server.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    int failed = posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, rawArgv.data(), rawEnv.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (failed != 0) {
        ::close(fds[0]);
        throw std::runtime_error("cannot start " + argv[0]);
    }
    // The number, then a newline: the pipe stays open until both have come.
    std::string number;
    char digit;
    while (::read(fds[0], &digit, 1) == 1 && digit != '\n') number += digit;
    ::close(fds[0]);
    if (number.empty()) throw std::runtime_error(argv[0] + " chose no display (see build/xserver.log)");
    name = ":" + number;
    return pid;
}

void Stop(pid_t& pid)
{
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

}  // namespace

bool Shot::operator==(const Shot& o) const
{
    return width == o.width && height == o.height && pixels.size() == o.pixels.size() &&
           std::equal(pixels.begin(), pixels.end(), o.pixels.begin());
}

double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool HasBoth(const Shot& s)
{
    bool black = false, white = false;
    for (const Pixel& p : s.pixels) {
        black = black || p.Black();
        white = white || p.White();
        if (black && white) return true;
    }
    return false;
}

bool AllBlack(const Shot& s)
{
    return std::all_of(s.pixels.begin(), s.pixels.end(), [](const Pixel& p) { return p.Black(); });
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

TestDisplay::TestDisplay(Screens screens, const std::string& size, bool openToAll)
{
    if (screens == Screens::One) {
        ServerOptions options;
        options.size = size;
        options.openToAll = openToAll;
        StartOne(options);
        return;
    }
    std::string host, outer = "2400x1100x24";
    std::vector<std::string> argv = {"Xephyr", "+xinerama", "-screen", "1280x1024+0+0", "-screen", "1024x768+1280+0",
                                     "-nolisten", "tcp", "-noreset"};
    if (screens == Screens::EqualMonitors) {
        int count = 0, width = 0, height = 0;
        if (std::sscanf(size.c_str(), "%dx%dx%d", &count, &width, &height) != 3 || count < 1)
            throw std::runtime_error("equal monitors as NxWxH, not " + size);
        outer = std::to_string(count * width) + "x" + std::to_string(height + 20) + "x24";
        argv = {"Xephyr", "+xinerama"};
        for (int k = 0; k < count; ++k) {
            argv.push_back("-screen");
            argv.push_back(std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(k * width) + "+0");
        }
        argv.insert(argv.end(), {"-nolisten", "tcp", "-noreset"});
    }
    host_ = StartServer({"Xvfb", "-screen", "0", outer, "-nolisten", "tcp", "-noreset"}, "", host);
    if (openToAll) argv.push_back("-ac");
    server_ = StartServer(argv, host, name_);
    Connect(true);
}

TestDisplay::TestDisplay(const ServerOptions& options) { StartOne(options); }

void TestDisplay::StartOne(const ServerOptions& options)
{
    // A black root: nothing on the screen looks like a moire until a
    // program draws one.
    std::vector<std::string> argv = {"Xvfb", "-screen", "0", options.size + "x" + std::to_string(options.depth),
                                     "-nolisten", "tcp", "-noreset", "-br"};
    if (options.openToAll) argv.push_back("-ac");
    argv.insert(argv.end(), options.more.begin(), options.more.end());
    server_ = StartServer(argv, "", name_);
    Connect(false);
}

void TestDisplay::Connect(bool whiteRoot)
{
    for (double start = Now(); x_ == nullptr && Now() - start < 10; Sleep(0.05)) x_ = XOpenDisplay(name_.c_str());
    if (x_ == nullptr) throw std::runtime_error("cannot open the display " + name_);
    int a, b, c, d;
    if (!XTestQueryExtension(X(x_), &a, &b, &c, &d)) throw std::runtime_error("the display has no XTest");
    if (whiteRoot) {
        ::Display* dpy = X(x_);
        XSetWindowBackground(dpy, DefaultRootWindow(dpy), WhitePixel(dpy, DefaultScreen(dpy)));
        XClearWindow(dpy, DefaultRootWindow(dpy));
        XSync(dpy, False);
    }
}

void TestDisplay::KillServer()
{
    if (x_ != nullptr) XCloseDisplay(X(x_));
    x_ = nullptr;
    if (server_ > 0) {
        ::kill(server_, SIGKILL);
        ::waitpid(server_, nullptr, 0);
        server_ = -1;
    }
}

TestDisplay::~TestDisplay()
{
    if (x_ != nullptr) XCloseDisplay(X(x_));
    Stop(server_);
    Stop(host_);
}

Shot TestDisplay::Grab(int x, int y, int width, int height)
{
    ::Display* d = X(x_);
    XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("cannot read the screen");
    Shot shot{x, y, width, height, std::vector<Pixel>(std::size_t(width) * height)};
    // A 24-bit screen keeps a pixel in 32 bits, red in the high byte: read
    // the rows as they lie, which is many times faster than XGetPixel, a
    // difference that counts under emulation.
    const bool direct = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 &&
                        image->blue_mask == 0xFF && image->byte_order == LSBFirst;
    for (int row = 0; row < height; ++row) {
        Pixel* out = &shot.pixels[std::size_t(row) * width];
        if (direct) {
            const auto* in = reinterpret_cast<const std::uint8_t*>(image->data + std::size_t(row) * image->bytes_per_line);
            for (int col = 0; col < width; ++col, in += 4) out[col] = {in[2], in[1], in[0]};
            continue;
        }
        // Other depths (16 bits: 5, 6 and 5 of red, green and blue) by the
        // visual's masks, each channel stretched to 0..255, so that only the
        // brightest value of a channel reads 255.
        for (int col = 0; col < width; ++col) {
            unsigned long p = XGetPixel(image, col, row);
            out[col] = {Channel(p, image->red_mask), Channel(p, image->green_mask), Channel(p, image->blue_mask)};
        }
    }
    XDestroyImage(image);
    return shot;
}

std::optional<Area> TestDisplay::WindowTitled(const std::string& title)
{
    ::Display* d = X(x_);
    // A window may go between the listing and the questions about it.
    XSync(d, False);
    auto previous = XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    std::optional<Area> found;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(d, children[i], &name) && name != nullptr && title == name &&
            XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable) {
            int x = 0, y = 0;
            ::Window child = 0;
            XTranslateCoordinates(d, children[i], root, 0, 0, &x, &y, &child);
            found = Area{x, y, attributes.width, attributes.height};
        }
        if (name != nullptr) XFree(name);
    }
    if (children != nullptr) XFree(children);
    XSync(d, False);
    XSetErrorHandler(previous);
    return found;
}

void TestDisplay::Key(const char* keysym)
{
    ::Display* d = X(x_);
    KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym));
    XTestFakeKeyEvent(d, code, True, 0);
    XTestFakeKeyEvent(d, code, False, 20);
    XSync(d, False);
}

void TestDisplay::MoveTo(int x, int y)
{
    ::Display* d = X(x_);
    XTestFakeMotionEvent(d, -1, x, y, 0);
    XSync(d, False);
}

void TestDisplay::Click(int x, int y, int times, unsigned button)
{
    ::Display* d = X(x_);
    MoveTo(x, y);
    for (int i = 0; i < times; ++i) {
        XTestFakeButtonEvent(d, button, True, 0);
        XTestFakeButtonEvent(d, button, False, 10);
        XSync(d, False);
        Sleep(0.06);
    }
}

std::string SaveShot(const Shot& shot, const std::string& name)
{
    std::string folder = std::string(VIDIDER_SOURCE_DIR) + "/build/e2e-shots";
    ::mkdir(folder.c_str(), 0755);
    std::string path = folder + "/" + name + ".ppm";
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << shot.width << " " << shot.height << "\n255\n";
    for (const Pixel& p : shot.pixels) out << char(p.r) << char(p.g) << char(p.b);
    return path;
}

}  // namespace e2e
