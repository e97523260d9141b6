#include "tests/e2e/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/e2e/display.h"

extern char** environ;

namespace e2e {

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& output, const std::string& errors)
{
    std::vector<std::string> args = argv, env = environment;
    std::vector<char*> rawArgv, rawEnv;
    for (auto& a : args) rawArgv.push_back(a.data());
    rawArgv.push_back(nullptr);
    for (auto& e : env) rawEnv.push_back(e.data());
    rawEnv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    posix_spawn_file_actions_addopen(&actions, 1, output.empty() ? "/dev/null" : output.c_str(), flags, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errors.empty() ? "/dev/null" : errors.c_str(), flags, 0644);
    pid_t pid = -1;
    int failed = posix_spawn(&pid, rawArgv[0], &actions, nullptr, rawArgv.data(), rawEnv.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

Finished WaitExit(pid_t pid, double seconds)
{
    double start = Now();
    while (Now() - start < seconds) {
        int status = 0;
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status)) return {WEXITSTATUS(status), 0, false, Now() - start};
            return {128 + WTERMSIG(status), WTERMSIG(status), bool(WCOREDUMP(status)), Now() - start};
        }
        if (done < 0) return {-1, 0, false, Now() - start};
        Sleep(0.002);
    }
    return {-1, 0, false, Now() - start};
}

bool Running(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

void Kill(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& without, const std::vector<std::string>& with)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry = *e;
        bool dropped = false;
        for (const std::string& name : without) dropped = dropped || entry.rfind(name, 0) == 0;
        if (!dropped) env.push_back(entry);
    }
    env.insert(env.end(), with.begin(), with.end());
    return env;
}

std::vector<pid_t> ProcessesNamed(const std::string& comm)
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return found;
    while (dirent* entry = ::readdir(proc)) {
        pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0) continue;
        std::string name = Slurp("/proc/" + std::string(entry->d_name) + "/comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        if (name != comm) continue;
        // A process that has ended but is not yet reaped is gone for us.
        std::string stat = Slurp("/proc/" + std::string(entry->d_name) + "/stat");
        std::size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z') continue;
        found.push_back(pid);
    }
    ::closedir(proc);
    return found;
}

std::vector<int> SharedSegmentsOf(pid_t creator)
{
    // key shmid perms size cpid lpid ...: one line a segment after a header.
    std::istringstream table(Slurp("/proc/sysvipc/shm"));
    std::vector<int> found;
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        long key = 0, size = 0;
        int id = -1, perms = 0;
        pid_t cpid = -1;
        if (fields >> key >> id >> perms >> size >> cpid && cpid == creator) found.push_back(id);
    }
    return found;
}

long StatusKb(pid_t pid, const std::string& field)
{
    std::istringstream status(Slurp("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    return -1;
}

long CpuTicks(pid_t pid)
{
    std::string stat = Slurp("/proc/" + std::to_string(pid) + "/stat");
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::atol(field.c_str());
        if (i == 15) stime = std::atol(field.c_str());
    }
    return utime + stime;
}

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> LinesFrom(const std::string& text, const std::string& start)
{
    std::vector<std::string> lines;
    for (std::size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1))
        lines.push_back(text.substr(at, text.find('\n', at) - at));
    return lines;
}

}  // namespace e2e
