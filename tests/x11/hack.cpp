#include "tests/x11/hack.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/pbm.h"
#include "tools/simulation.h"
#include "resources/title.h"

namespace e2e {

bool Shows(const Shot& shot, int x, int y, const figure::Surface& picture)
{
    for (int row = 0; row < picture.Height(); ++row)
        for (int col = 0; col < picture.Width(); ++col) {
            const Pixel p = shot.At(x + col, y + row);
            if (!(picture.IsWhite(col, row) ? p.White() : p.Black())) return false;
        }
    return true;
}

figure::Surface Crop(const figure::Surface& surface, int x, int y, int width, int height)
{
    figure::Surface part(width, height);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) part.SetWhite(col, row, surface.IsWhite(x + col, y + row));
    return part;
}

bool EdgesHaveBoth(const Shot& s, int x, int y, int width, int height)
{
    auto both = [&](int x0, int y0, int dx, int dy, int count) {
        bool black = false, white = false;
        for (int i = 0; i < count; ++i) {
            const Pixel p = s.At(x0 + i * dx, y0 + i * dy);
            black = black || p.Black();
            white = white || p.White();
        }
        return black && white;
    };
    return both(x, y, 1, 0, width) && both(x, y + height - 1, 1, 0, width) && both(x, y, 0, 1, height) &&
           both(x + width - 1, y, 0, 1, height);
}

namespace {

// The stages of frames 0 to `frames`, one by one, to `each` (frame, stage).
template <class Each>
void SimulatorStages(std::uint32_t seed, std::uint64_t frames, figure::StageSize size, Each each)
{
    static const figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(seed, &title, size);
    figure::Surface stage(size.Width, size.Height);
    for (std::uint64_t k = 0; k <= frames; ++k) {
        if (k > 0) simulation.PacedFrame(k);
        simulation.ShownPanel(stage);
        each(k, stage);
    }
}

}  // namespace

figure::Surface SimulatorStage(std::uint32_t seed, std::uint64_t frames, figure::StageSize stage)
{
    figure::Surface last;
    SimulatorStages(seed, frames, stage, [&](std::uint64_t k, const figure::Surface& shown) {
        if (k == frames) last = shown;
    });
    return last;
}

bool ShownBefore(std::uint32_t seed, std::uint64_t frames, figure::StageSize stage)
{
    // The title card's place on the stage, cleared on every frame.
    const int titleX = (stage.Width - 320) / 2, titleY = (stage.Height - 240) / 2;
    std::vector<figure::Surface> stages;
    SimulatorStages(seed, frames, stage, [&](std::uint64_t, const figure::Surface& shown) {
        stages.push_back(shown);
        for (int y = titleY; y < titleY + 240; ++y)
            for (int x = titleX; x < titleX + 320; ++x) stages.back().SetWhite(x, y, false);
    });
    return std::find(stages.begin(), stages.end() - 1, stages.back()) != stages.end() - 1;
}

SimulatorFrames RunSimulator(const std::string& seed, int frame, figure::StageSize stage)
{
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("vidider-x11-frames-" + std::to_string(::getpid()));
    std::filesystem::remove_all(out);
    const std::string command = std::string(VIDIDER_SIM_PATH) + " frames --seed " + seed + " --frames " +
                                std::to_string(frame) + " --stage " + std::to_string(stage.Width) + "x" +
                                std::to_string(stage.Height) + " --out " + out.string();
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    auto read = [&](int k) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.pbm", k);
        return sim::DecodePbm(Slurp((out / name).string()));
    };
    SimulatorFrames frames{read(frame), frame > 1 ? read(frame - 1) : figure::Surface()};
    std::filesystem::remove_all(out);
    return frames;
}

::Window WindowNamed(TestDisplay& on, const std::string& name)
{
    ::Display* x = X(on);
    ::Window root, parent, *children = nullptr, found = 0;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* named = nullptr;
        if (XFetchName(x, children[i], &named) && named != nullptr && name == named) found = children[i];
        if (named != nullptr) XFree(named);
    }
    if (children != nullptr) XFree(children);
    return found;
}

void CloseLikeAWindowManager(TestDisplay& on, ::Window window)
{
    ::Display* x = X(on);
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &close);
    XSync(x, False);
}

std::string Hex(unsigned long id)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%lx", id);
    return text;
}

void NeedOrFail(bool have, const std::string& what)
{
    if (have) return;
    if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << what;
    std::printf("SKIPPED: cannot run here: %s\n", what.c_str());
    GTEST_SKIP() << "SKIPPED, cannot run here: " << what;
}

DaemonRun::DaemonRun(TestDisplay& on, const std::string& hackArguments) : on_(on)
{
    const char* runuser = "/usr/sbin/runuser";
    NeedOrFail(::geteuid() == 0 && ::access(runuser, X_OK) == 0, "the daemon runs as nobody, through runuser as root");
    NeedOrFail(::access("/usr/bin/xscreensaver", X_OK) == 0, "xscreensaver is not installed (tools/deps.sh test)");
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) throw std::runtime_error("no user nobody");

    // A home of the test's, owned by nobody, with the hack and a settings
    // file whose programs list holds only it.
    char folder[] = "/tmp/vidider-daemon-XXXXXX";
    if (::mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a home for the daemon");
    home_ = folder;
    hack_ = home_ + "/vidider";
    std::filesystem::copy_file(VIDIDER_PATH, hack_);
    std::ofstream(home_ + "/.xscreensaver") << "timeout: 0:30:00\nlock: False\nmode: one\nselected: 0\n"
                                               "splash: False\nfade: False\nunfade: False\n"
                                               "programs: " << hack_ << " " << hackArguments << " \\n\n";
    for (const std::string& path : {home_, hack_, home_ + "/.xscreensaver"})
        if (::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) throw std::runtime_error("cannot chown " + path);
    ::chmod(folder, 0755);
    daemon_ = Spawn(AsNobody({"xscreensaver", "-no-splash", "-verbose"}), EnvironmentWith({}, {}), home_ + "/daemon.log",
                    home_ + "/daemon.log");
    for (double start = Now(); !ready_ && Now() - start < 15; Sleep(0.3)) ready_ = Command("-time") == 0;
}

DaemonRun::~DaemonRun()
{
    if (home_.empty()) return;
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        if (WaitExit(daemon_, 10).code < 0) Kill(daemon_);
    }
    // What the daemon started and left, should a check have failed.
    for (const char* name : {"xscreensaver", "xscreensaver-gfx", "xscreensaver-sy", "vidider"})
        for (pid_t pid : ProcessesNamed(name))
            if (Slurp("/proc/" + std::to_string(pid) + "/environ").find("HOME=" + home_) != std::string::npos)
                ::kill(pid, SIGKILL);
    std::filesystem::remove_all(home_);
}

std::vector<std::string> DaemonRun::AsNobody(std::vector<std::string> command) const
{
    std::vector<std::string> argv = {"/usr/sbin/runuser", "-u", "nobody", "--", "/usr/bin/env", "HOME=" + home_,
                                     "DISPLAY=" + on_.Name()};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

int DaemonRun::Command(const std::string& verb)
{
    pid_t pid = Spawn(AsNobody({"xscreensaver-command", verb}), EnvironmentWith({}, {}));
    return WaitExit(pid, 10).code;
}

std::vector<pid_t> DaemonRun::Running() const
{
    std::vector<pid_t> ours;
    for (pid_t pid : ProcessesNamed("vidider")) {
        std::error_code error;
        auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
        if (!error && exe == hack_) ours.push_back(pid);
    }
    return ours;
}

bool DaemonRun::Deactivate()
{
    if (Command("-deactivate") != 0) return false;
    bool ended = false;
    for (double start = Now(); !ended && Now() - start < 10; Sleep(0.1)) ended = Running().empty();
    return ended;
}

std::string DaemonRun::Log() const { return Slurp(home_ + "/daemon.log"); }

TestDisplay& Hack::Screen()
{
    static TestDisplay display;
    return display;
}

void Hack::TearDown()
{
    for (pid_t pid : started_)
        if (Running(pid)) Kill(pid);
    std::remove(errors.c_str());
}

pid_t Hack::StartOn(TestDisplay& on, const std::string& what, const std::vector<std::string>& arguments,
                    const std::vector<std::string>& environment)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string ran = program + " (the native X11 build) on " + what + ", natively on this machine";
    std::printf("[x11] %s.%s ran %s\n", test->test_suite_name(), test->name(), ran.c_str());
    std::fflush(stdout);
    RecordProperty("ran", ran);
    on.MoveTo(5, 5);
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> with = {"DISPLAY=" + on.Name()};
    with.insert(with.end(), environment.begin(), environment.end());
    started_.push_back(Spawn(argv, EnvironmentWith({"DISPLAY=", "XSCREENSAVER_WINDOW="}, with), "", errors));
    return started_.back();
}

int Hack::Changes(TestDisplay& on, int x, int y, int w, int h, double seconds)
{
    Shot previous = on.Grab(x, y, w, h);
    int changes = 0;
    for (double start = Now(); Now() - start < seconds;) {
        Sleep(0.1);
        Shot now = on.Grab(x, y, w, h);
        changes += !(now == previous);
        previous = std::move(now);
    }
    return changes;
}

::Window Hack::MakeWindow(TestDisplay& on, int x, int y, int width, int height)
{
    ::Display* dpy = X(on);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xFF0000;
    attributes.override_redirect = True;
    ::Window window = XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, unsigned(width), unsigned(height), 0,
                                    CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWOverrideRedirect,
                                    &attributes);
    XMapRaised(dpy, window);
    XSync(dpy, False);
    return window;
}

}  // namespace e2e
