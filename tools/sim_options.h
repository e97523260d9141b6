// vidider-sim's command line: which command to run and the options it was
// given. The program and its fuzz target share this one parser.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace sim {

// A command line that cannot be run; what() is one line, the control bytes
// of any argument it quotes written as \xNN. The program exits with 2 on it.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message);
};

enum class Command { Help, Trace, Pattern, Frames };

struct SimOptions {
    Command Run = Command::Help;
    std::optional<std::uint32_t> Seed;
    std::optional<std::uint64_t> Frames;
    std::optional<std::string> Out;
};

// The arguments after the program's own name: a command, then its options,
// each followed by its value. Every option a command takes is required, and
// given once. "--help" or "-h" anywhere, or "help" as the command, asks for
// the usage. Throws UsageError for anything else it cannot run.
SimOptions ParseSimArguments(const std::vector<std::string>& arguments);

extern const char* const kSimUsage;

}  // namespace sim
