#include "tests/wayland/compositor.h"

#include <dirent.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/pbm.h"

namespace e2e {
namespace {

// The user the tests run sway and the program as, where they run as root.
constexpr const char* kUser = "vidider-wayland-test";

bool Installed(const char* path) { return ::access(path, X_OK) == 0; }

// The user, made once: a system user without a home or a login. Two tests
// that start at once may both try; useradd then finds the user there, or
// /etc/passwd locked for a moment.
const passwd* TestUser()
{
    const std::string make = std::string("/usr/sbin/useradd --system --no-create-home --home-dir /nonexistent "
                                         "--shell /usr/sbin/nologin ") + kUser + " >/dev/null 2>&1";
    for (int attempt = 0; attempt < 20; ++attempt, Sleep(0.25)) {
        if (const passwd* user = ::getpwnam(kUser)) return user;
        if (std::system(make.c_str()) == 0) return ::getpwnam(kUser);
    }
    return ::getpwnam(kUser);
}

// A file named `prefix`... in `folder`, not a lock; empty when none.
std::string FileStarting(const std::string& folder, const std::string& prefix, const std::string& without)
{
    std::string found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind(prefix, 0) == 0 && (without.empty() || name.find(without) == std::string::npos)) found = name;
        }
        ::closedir(dir);
    }
    return found;
}

// A P6 file as a screenshot.
Shot ReadPpm(const std::string& path)
{
    const std::string data = Slurp(path);
    Shot shot;
    std::size_t at = 0;
    auto word = [&]() {
        while (at < data.size() && std::isspace(static_cast<unsigned char>(data[at]))) ++at;
        const std::size_t from = at;
        while (at < data.size() && !std::isspace(static_cast<unsigned char>(data[at]))) ++at;
        return data.substr(from, at - from);
    };
    if (word() != "P6") throw std::runtime_error("not a P6 screenshot: " + path);
    shot.width = std::stoi(word());
    shot.height = std::stoi(word());
    if (word() != "255") throw std::runtime_error("not 8 bits a channel: " + path);
    ++at;
    if (data.size() < at + std::size_t(shot.width) * std::size_t(shot.height) * 3)
        throw std::runtime_error("a screenshot cut short: " + path);
    shot.pixels.resize(std::size_t(shot.width) * std::size_t(shot.height));
    for (std::size_t i = 0; i < shot.pixels.size(); ++i)
        shot.pixels[i] = {std::uint8_t(data[at + 3 * i]), std::uint8_t(data[at + 3 * i + 1]),
                          std::uint8_t(data[at + 3 * i + 2])};
    return shot;
}

}  // namespace

void NeedOrFail(bool have, const std::string& what)
{
    if (have) return;
    if (std::getenv("CI") != nullptr) FAIL() << "cannot run here: " << what;
    std::printf("SKIPPED: cannot run here: %s\n", what.c_str());
    GTEST_SKIP() << "SKIPPED, cannot run here: " << what;
}

Compositor::Compositor(int width, int height, const std::string& scale, const std::vector<std::string>& more)
{
    for (const char* tool : {"/usr/bin/sway", "/usr/bin/swaymsg", "/usr/bin/grim", "/usr/bin/wtype"})
        NeedOrFail(Installed(tool), std::string(tool) + " is not installed (tools/deps.sh test)");
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
    std::string who;
    if (::geteuid() == 0) {
        // sway refuses to run as root.
        const passwd* user = TestUser();
        NeedOrFail(user != nullptr && Installed("/usr/bin/setpriv"),
                   std::string("sway refuses root, and no user ") + kUser + " could be made (useradd), or no setpriv");
        if (::testing::Test::IsSkipped() || ::testing::Test::HasFailure()) return;
        uid_ = user->pw_uid;
        gid_ = user->pw_gid;
        switchUser_ = true;
        who = kUser;
    } else {
        uid_ = ::geteuid();
        gid_ = ::getegid();
        who = "this test's own user";
    }

    // The runtime folder: the user's alone, as XDG_RUNTIME_DIR must be.
    char folder[] = "/tmp/vidider-wayland-XXXXXX";
    if (::mkdtemp(folder) == nullptr) throw std::runtime_error("cannot make a runtime folder");
    runtime_ = folder;
    std::ofstream config(runtime_ + "/sway.conf");
    config << "xwayland disable\n"
           << "output HEADLESS-1 resolution " << width << "x" << height << " position 0 0 scale " << scale << "\n";
    for (const std::string& line : more) config << line << "\n";
    config.close();
    for (const std::string& path : {runtime_, runtime_ + "/sway.conf"})
        if (::chown(path.c_str(), uid_, gid_) != 0) throw std::runtime_error("cannot chown " + path);
    ::chmod(folder, 0700);
    program_ = Copy(VIDIDER_WAYLAND_PATH);

    sway_ = Spawn(AsUser({"/usr/bin/sway", "--config", runtime_ + "/sway.conf"}),
                  Environment({"WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"}), "",
                  runtime_ + "/sway.log");
    for (double start = Now(); Now() - start < 15 && Running(sway_); Sleep(0.05)) {
        const std::string socket = FileStarting(runtime_, "wayland-", ".lock");
        const std::string ipc = FileStarting(runtime_, "sway-ipc.", "");
        if (socket.empty() || ipc.empty()) continue;
        display_ = socket;
        swaysock_ = runtime_ + "/" + ipc;
        if (Message("-t get_outputs") == 0) {
            ready_ = true;
            break;
        }
    }
    what_ = "sway 1.7, headless (pixman), HEADLESS-1 " + std::to_string(width) + " x " + std::to_string(height) +
            " at scale " + scale + ", as " + who;
    if (!ready_) ADD_FAILURE() << "sway did not start:\n" << Slurp(runtime_ + "/sway.log");
}

Compositor::~Compositor()
{
    if (sway_ > 0 && Running(sway_)) {
        ::kill(sway_, SIGTERM);
        if (WaitExit(sway_, 10).code < 0) Kill(sway_);
    }
    if (!runtime_.empty()) std::filesystem::remove_all(runtime_);
}

std::string Compositor::Copy(const std::string& path)
{
    const std::string copy = runtime_ + "/" + std::filesystem::path(path).filename().string();
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    if (::chown(copy.c_str(), uid_, gid_) != 0) throw std::runtime_error("cannot chown " + copy);
    return copy;
}

std::vector<std::string> Compositor::AsUser(std::vector<std::string> argv) const
{
    if (!switchUser_) return argv;
    // setpriv runs the program in its own place: its process id, its exit
    // status and its signals are the program's.
    std::vector<std::string> as = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                                   "--regid=" + std::to_string(gid_), "--clear-groups", "--"};
    as.insert(as.end(), argv.begin(), argv.end());
    return as;
}

std::vector<std::string> Compositor::Environment(const std::vector<std::string>& more) const
{
    std::vector<std::string> with = {"XDG_RUNTIME_DIR=" + runtime_, "HOME=" + runtime_, "PATH=/usr/bin:/bin",
                                     "LANG=C.UTF-8"};
    if (!display_.empty()) with.insert(with.end(), {"WAYLAND_DISPLAY=" + display_, "SWAYSOCK=" + swaysock_});
    with.insert(with.end(), more.begin(), more.end());
    return with;
}

pid_t Compositor::Start(const std::vector<std::string>& argv, const std::string& errors,
                        const std::vector<std::string>& environment, const std::string& output)
{
    return Spawn(AsUser(argv), Environment(environment), output, errors);
}

int Compositor::Message(const std::string& command, std::string* said)
{
    const std::string out = runtime_ + "/swaymsg.out";
    std::vector<std::string> argv = {"/usr/bin/swaymsg"};
    // "-t get_outputs" is two arguments; anything else one command.
    if (command.rfind("-t ", 0) == 0) {
        argv.insert(argv.end(), {"-t", command.substr(3)});
    } else {
        argv.push_back("--");
        argv.push_back(command);
    }
    const pid_t pid = Start(argv, "", {}, out);
    const int status = WaitExit(pid, 10).code;
    if (said != nullptr) *said = Slurp(out);
    return status;
}

Shot Compositor::Grab(const std::string& output)
{
    const std::string path = runtime_ + "/shot.ppm";
    std::vector<std::string> argv = {"/usr/bin/grim", "-t", "ppm"};
    if (!output.empty()) argv.insert(argv.end(), {"-o", output});
    argv.push_back(path);
    const Finished done = WaitExit(Start(argv, runtime_ + "/grim.log"), 10);
    if (done.code != 0) throw std::runtime_error("grim failed: " + Slurp(runtime_ + "/grim.log"));
    return ReadPpm(path);
}

int Compositor::Type(const std::vector<std::string>& keys)
{
    std::vector<std::string> argv = {"/usr/bin/wtype", "-s", "300"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    return WaitExit(Start(argv, runtime_ + "/wtype.log"), 10).code;
}

int Compositor::Point(int width, int height, const std::vector<std::string>& steps)
{
    if (pointer_.empty()) pointer_ = Copy(VIDIDER_WAYLAND_POINTER_PATH);
    std::vector<std::string> argv = {pointer_, std::to_string(width), std::to_string(height)};
    argv.insert(argv.end(), steps.begin(), steps.end());
    return WaitExit(Start(argv, runtime_ + "/pointer.log"), 60).code;
}

void Compositor::KillCompositor()
{
    ::kill(sway_, SIGKILL);
    WaitExit(sway_, 10);
}

figure::Surface SimulatorFrame(std::uint32_t seed, int frame, figure::StageSize stage)
{
    const std::filesystem::path out = std::filesystem::temp_directory_path() /
                                      ("vidider-wayland-frames-" + std::to_string(::getpid()));
    std::filesystem::remove_all(out);
    const std::string command = std::string(VIDIDER_SIM_PATH) + " frames --seed " + std::to_string(seed) +
                                " --frames " + std::to_string(frame) + " --stage " + std::to_string(stage.Width) +
                                "x" + std::to_string(stage.Height) + " --out " + out.string() + " >/dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.pbm", frame);
    figure::Surface picture = sim::DecodePbm(Slurp((out / name).string()));
    std::filesystem::remove_all(out);
    return picture;
}

figure::Surface Enlarged(const figure::Surface& picture, int scale)
{
    figure::Surface large(picture.Width() * scale, picture.Height() * scale);
    for (int y = 0; y < large.Height(); ++y)
        for (int x = 0; x < large.Width(); ++x) large.SetWhite(x, y, picture.IsWhite(x / scale, y / scale));
    return large;
}

int Differences(const Shot& shot, int x, int y, const figure::Surface& picture)
{
    int differ = 0;
    for (int row = 0; row < picture.Height(); ++row)
        for (int col = 0; col < picture.Width(); ++col) {
            const Pixel p = shot.At(x + col, y + row);
            differ += !(picture.IsWhite(col, row) ? p.White() : p.Black());
        }
    return differ;
}

bool EdgesHaveBoth(const Shot& s)
{
    auto both = [&](int x0, int y0, int dx, int dy, int count) {
        bool black = false, white = false;
        for (int i = 0; i < count; ++i) {
            const Pixel p = s.At(s.x + x0 + i * dx, s.y + y0 + i * dy);
            black = black || p.Black();
            white = white || p.White();
        }
        return black && white;
    };
    return both(0, 0, 1, 0, s.width) && both(0, s.height - 1, 1, 0, s.width) && both(0, 0, 0, 1, s.height) &&
           both(s.width - 1, 0, 0, 1, s.height);
}

void WaylandTest::TearDown()
{
    for (pid_t pid : started_)
        if (Running(pid)) Kill(pid);
    std::remove(errors.c_str());
}

pid_t WaylandTest::StartOn(Compositor& on, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment)
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string ran = std::string(VIDIDER_WAYLAND_PATH) + " (the native build, run from a copy) on " + on.What() +
                            ", natively on this machine";
    std::printf("[wayland] %s.%s ran %s\n", test->test_suite_name(), test->name(), ran.c_str());
    std::fflush(stdout);
    RecordProperty("ran", ran);
    std::vector<std::string> argv = {on.Program()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    // The user writes the errors file: it is made for it first.
    std::ofstream(errors).close();
    ::chmod(errors.c_str(), 0666);
    started_.push_back(on.Start(argv, errors, environment));
    return started_.back();
}

int WaylandTest::Changes(Compositor& on, const std::string& output, int count)
{
    Shot previous = on.Grab(output);
    int changes = 0;
    for (int i = 0; i < count; ++i) {
        Sleep(0.1);
        Shot now = on.Grab(output);
        changes += !(now == previous);
        previous = std::move(now);
    }
    return changes;
}

}  // namespace e2e
