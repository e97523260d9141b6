// Programs the end-to-end tests start: with their own environment, their
// output to files, waited for with a time limit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

struct Finished {
    int code = -1;         // the exit status; 128 + the signal when killed; -1 when it did not end in time
    int signal = 0;        // the signal that ended it, 0 when it exited or did not end
    bool core = false;     // it left a core dump
    double seconds = 0.0;  // how long it took to end
};

// `argv[0]` is a path. Standard output and error go to the files named, or
// nowhere when a name is empty; standard input reads nothing.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            const std::string& output = "", const std::string& errors = "");
Finished WaitExit(pid_t pid, double seconds);
bool Running(pid_t pid);
void Kill(pid_t pid);

// This process's environment, less the variables named, plus those given.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& without, const std::vector<std::string>& with);

// Processes with this command name (as /proc shows it, 15 characters at
// most), ended ones that are not yet reaped left out.
std::vector<pid_t> ProcessesNamed(const std::string& comm);

// The System V shared-memory segments a process created that still exist
// (their ids, as `ipcs -m -p` lists them with their creator).
std::vector<int> SharedSegmentsOf(pid_t creator);

// CPU time a process has used, in clock ticks (utime + stime); -1 when it
// is gone.
long CpuTicks(pid_t pid);

// A field of /proc/PID/status in kB (VmRSS, VmHWM, VmSize); -1 when the
// process or the field is not there.
long StatusKb(pid_t pid, const std::string& field);

// A whole file; empty when it cannot be read.
std::string Slurp(const std::string& path);

// The lines of `text` from each place `start` stands on, to the end of its line.
std::vector<std::string> LinesFrom(const std::string& text, const std::string& start);

}  // namespace e2e
