#include "tests/e2e/harness.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "saver/dib.h"


namespace e2e {
namespace {

bool Exists(const std::string& path)
{
    struct stat s;
    return ::stat(path.c_str(), &s) == 0;
}


// Can this machine run 32-bit x86 programs at all? Its own 32-bit dynamic
// loader answers --help where it can.
bool Runs32Bit()
{
    if (!Exists("/usr/lib/wine/wine") || !Exists("/lib/ld-linux.so.2")) return false;
    return std::system("/lib/ld-linux.so.2 --help >/dev/null 2>&1") == 0;
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

}  // namespace

Harness& Harness::Get(TestDisplay::Screens screens, const std::string& size)
{
    static Harness harness(screens, size);
    return harness;
}

Harness::Harness(TestDisplay::Screens screens, const std::string& size)
{
    // VIDIDER_E2E_ARCH=win64 tests the 64-bit twin where 32-bit code runs
    // too, as make test does when told to take the emulated way.
    const char* arch = std::getenv("VIDIDER_E2E_ARCH");
    bool native = Runs32Bit() && !(arch != nullptr && std::string(arch) == "win64");
    const char* where = std::getenv("VIDIDER_E2E_WHERE");
    emulated_ = where != nullptr && std::string(where) == "emulated";
    arch_ = native ? "win32" : "win64";
    loader_ = native ? "/usr/lib/wine/wine" : "/usr/lib/wine/wine64";
    build_ = std::string(VIDIDER_SOURCE_DIR) + "/build/" + arch_;
    const char* prefix = std::getenv("VIDIDER_E2E_PREFIX");
    prefix_ = prefix != nullptr && *prefix != '\0' ? prefix : std::string(VIDIDER_SOURCE_DIR) + "/build/wine-" + arch_;
    shared_ = prefix_;
    if (!Exists(Saver()))
        throw std::runtime_error(Saver() + " is missing: build the " + arch_ + " preset first (make test does)");
    double start = Now();
    display_ = std::make_unique<TestDisplay>(screens, size);
    PreparePrefix();
    std::fprintf(stderr, "[e2e] the display and the Wine server were ready in %.1f s\n", Now() - start);
}

std::vector<std::string> Harness::Environment() const
{
    return EnvironmentWith({"DISPLAY=", "WINE"}, {"DISPLAY=" + display_->Name(), "WINEPREFIX=" + prefix_,
                                                  "WINEARCH=" + arch_, "WINELOADER=" + loader_, "WINEDEBUG=-all",
                                                  "WINEDLLOVERRIDES=mscoree,mshtml=;winedbg.exe=d"});
}

void Harness::PreparePrefix()
{
    // A server of this prefix left from elsewhere would show the programs
    // on its own display: it ends first.
    WaitExit(Spawn({"/usr/lib/wine/wineserver", "-k"}, ""), 10);
    if (!Exists(prefix_ + "/system.reg")) {
        std::fprintf(stderr, "[e2e] preparing the Wine prefix %s\n", prefix_.c_str());
        int code = 0;
        Run({"wineboot", "-i"}, &code, 300);
    }
    // Unmanaged windows (no window manager here) and no crash dialog; the
    // copy in the prefix says they are in.
    const std::string settings = std::string(VIDIDER_SOURCE_DIR) + "/tests/e2e/wine-settings.reg";
    const std::string done = prefix_ + "/vidider-settings.reg";
    if (Slurp(settings) != Slurp(done)) {
        int code = 0;
        Run({"regedit", "/S", settings}, &code, 60);
        if (code != 0) throw std::runtime_error("cannot import " + settings + " into the Wine prefix");
        std::ofstream(done, std::ios::binary) << Slurp(settings);
    }
    // The server stays up between programs: they start in a fraction of a second.
    pid_t server = Spawn({"/usr/lib/wine/wineserver", "-p"}, "");
    WaitExit(server, 10);
}

void Harness::Shutdown()
{
    KillStray();
    pid_t server = Spawn({"/usr/lib/wine/wineserver", "-k"}, "");
    WaitExit(server, 10);
    display_.reset();
}

std::string Harness::Describe() const
{
    std::string build = arch_ == "win32" ? "the 32-bit build " : "the 64-bit twin ";
    std::string wine = arch_ == "win32" ? "32-bit Wine" : "64-bit Wine (this machine runs no 32-bit code)";
    return build + Saver() + ", under " + wine + ", " +
           (emulated_ ? "in the emulated PC (QEMU, TCG)" : "natively on this machine");
}

std::string Harness::Saver() const { return build_ + "/vidider.scr"; }
std::string Harness::SaverWindowsPath() const { return WindowsPath(Saver()); }
std::string Harness::Binary(const std::string& name) const { return build_ + "/" + name; }

pid_t Harness::Spawn(const std::vector<std::string>& argv, const std::string& output)
{
    return e2e::Spawn(argv, Environment(), output);
}

pid_t Harness::Start(const std::vector<std::string>& arguments, const std::string& output)
{
    std::vector<std::string> argv = {loader_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return Spawn(argv, output);
}

Finished Harness::WaitExit(pid_t pid, double seconds) { return e2e::WaitExit(pid, seconds); }
bool Harness::Running(pid_t pid) { return e2e::Running(pid); }
void Harness::Kill(pid_t pid) { e2e::Kill(pid); }

std::string Harness::Run(const std::vector<std::string>& arguments, int* code, double seconds)
{
    char name[] = "/tmp/vidider-e2e-XXXXXX";
    int fd = ::mkstemp(name);
    ::close(fd);
    pid_t pid = Start(arguments, name);
    Finished finished = WaitExit(pid, seconds);
    if (finished.code < 0) Kill(pid);
    if (code != nullptr) *code = finished.code;
    std::string text = Slurp(name);
    ::unlink(name);
    std::string clean;
    for (char c : text)
        if (c != '\r') clean += c;
    return clean;
}

std::vector<pid_t> Harness::Processes(const std::string& comm)
{
    // Only this prefix's: other runs of the suite (another clone's, another
    // build's) may share the machine, and their programs are none of ours.
    const std::string mine = std::string("WINEPREFIX=") + prefix_ + '\0';
    std::vector<pid_t> ours;
    for (pid_t pid : ProcessesNamed(comm)) {
        const std::string environment = '\0' + Slurp("/proc/" + std::to_string(pid) + "/environ");
        if (environment.find('\0' + mine) != std::string::npos) ours.push_back(pid);
    }
    return ours;
}

bool Harness::WaitForProgramsToEnd(double seconds)
{
    // Wine's own processes, which stay while the server does.
    static const char* const wines[] = {"wineserver32",  "wineserver64", "services.exe", "winedevice.exe",
                                        "explorer.exe",  "plugplay.exe", "svchost.exe",  "rpcss.exe",
                                        "conhost.exe"};
    const std::string mine = std::string("WINEPREFIX=") + prefix_ + '\0';
    std::string running;
    for (double start = Now(); Now() - start < seconds; Sleep(0.05)) {
        running.clear();
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            std::string comm = Slurp("/proc/" + name + "/comm");
            if (!comm.empty() && comm.back() == '\n') comm.pop_back();
            bool wine = false;
            for (const char* w : wines) wine = wine || comm == w;
            if (wine || comm.empty()) continue;
            const std::string stat = Slurp("/proc/" + name + "/stat");
            const std::size_t close = stat.rfind(')');
            if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z') continue;
            if (('\0' + Slurp("/proc/" + name + "/environ")).find('\0' + mine) != std::string::npos)
                running += " " + comm;
        }
        if (running.empty()) return true;
    }
    std::fprintf(stderr, "[e2e] still running in %s:%s\n", prefix_.c_str(), running.c_str());
    return false;
}

void Harness::KillStray()
{
    for (const char* comm : {"vidider.scr", "preview-host.ex", "preview-probe.e", "vidider-sim.exe", "frame-pace.exe"})
        for (pid_t pid : Processes(comm)) ::kill(pid, SIGKILL);
    Sleep(0.1);
}

long Harness::CpuTicks(pid_t pid) { return e2e::CpuTicks(pid); }

int Harness::Reg(const std::vector<std::string>& arguments, std::string* output)
{
    std::vector<std::string> argv = {"reg"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int code = -1;
    std::string text = Run(argv, &code, 60);
    if (output != nullptr) *output = text;
    return code;
}

int Harness::ImportReg(const std::string& text)
{
    char name[] = "/tmp/vidider-e2e-XXXXXX.reg";
    int fd = ::mkstemps(name, 4);
    if (fd < 0) return -1;
    ::close(fd);
    std::ofstream(name) << text;
    int code = -1;
    Run({"regedit", "/S", name}, &code, 60);
    ::unlink(name);
    return code;
}

FreshPrefix::FreshPrefix(Harness& harness) : harness_(harness), path_(harness.shared_ + "-fresh")
{
    const std::string clean = harness_.shared_ + "-clean";
    if (!Exists(clean + "/vidider-clean.ready")) PrepareClean(clean);
    // A copy that a killed test left with a folder made immutable (chattr
    // +i) gives that up first.
    std::error_code failed;
    std::filesystem::remove_all(path_, failed);
    if (failed) {
        const std::string release = "chattr -R -i '" + path_ + "' 2>/dev/null";
        if (std::system(release.c_str()) != 0) std::fprintf(stderr, "[e2e] %s failed\n", release.c_str());
        std::filesystem::remove_all(path_);
    }
    const std::string copy = "cp -a '" + clean + "' '" + path_ + "'";
    if (std::system(copy.c_str()) != 0) throw std::runtime_error("cannot copy the clean prefix: " + copy);
    harness_.prefix_ = path_;
    harness_.WaitExit(harness_.Spawn({"/usr/lib/wine/wineserver", "-p"}, ""), 10);
}

FreshPrefix::~FreshPrefix()
{
    harness_.WaitExit(harness_.Spawn({"/usr/lib/wine/wineserver", "-k"}, ""), 10);
    harness_.WaitExit(harness_.Spawn({"/usr/lib/wine/wineserver", "-w"}, ""), 10);
    harness_.prefix_ = harness_.shared_;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void FreshPrefix::PrepareClean(const std::string& clean)
{
    std::fprintf(stderr, "[e2e] preparing the clean Wine prefix %s (once)\n", clean.c_str());
    std::filesystem::remove_all(clean);
    harness_.prefix_ = clean;
    int code = 0;
    harness_.Run({"wineboot", "-i"}, &code, 300);
    const std::string settings = std::string(VIDIDER_SOURCE_DIR) + "/tests/e2e/wine-settings.reg";
    if (code == 0) harness_.Run({"regedit", "/S", settings}, &code, 60);
    // The registry reaches its files when the server ends.
    harness_.WaitExit(harness_.Spawn({"/usr/lib/wine/wineserver", "-w"}, ""), 60);
    harness_.prefix_ = harness_.shared_;
    if (code != 0 || !Exists(clean + "/system.reg")) throw std::runtime_error("cannot prepare the clean prefix " + clean);
    std::ofstream(clean + "/vidider-clean.ready") << "wineboot -i, then " << settings << "\n";
}

std::string FreshPrefix::UnixPath(const std::string& windowsPath) const
{
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') || windowsPath[1] != ':') return "";
    std::string path = path_ + "/drive_c" + windowsPath.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::optional<Shot> ReadBmp(const std::string& path)
{
    std::string bytes = Slurp(path);
    if (bytes.size() < 14 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    auto data = reinterpret_cast<const std::uint8_t*>(bytes.data()) + 14;
    auto info = saver::ReadDibInfo(data, bytes.size() - 14);
    if (!info) return std::nullopt;
    Shot shot{0, 0, info->Width, info->Height, std::vector<Pixel>(std::size_t(info->Width) * info->Height)};
    for (int y = 0; y < info->Height; ++y) {
        int stored = info->TopDown ? y : info->Height - 1 - y;
        const std::uint8_t* row = data + info->BitsOffset + std::size_t(stored) * info->RowBytes;
        for (int x = 0; x < info->Width; ++x) {
            int index = info->BitCount == 8 ? row[x] : (row[x >> 3] >> (7 - (x & 7))) & 1;
            const std::uint8_t* colour = data + info->HeaderSize + 4 * index;
            shot.pixels[std::size_t(y) * info->Width + x] = {colour[2], colour[1], colour[0]};
        }
    }
    return shot;
}

}  // namespace e2e
