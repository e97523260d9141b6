// vidider-sim's command line: which command to run and the options it was
// given. The program and its fuzz target share this one parser.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "figure/stage.h"

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
    // --stage WxH: the stage in figure pixels (the classic one unless given).
    std::optional<figure::StageSize> Stage;
};

// The arguments after the program's own name: a command, then its options,
// each followed by its value, each given once. Every option a command takes
// is required but --stage, which every command takes: WxH, both sides even,
// at least 1024 x 768, no side over 16384 and surfaces of
// (2W + 152) x (2H + 164) within 64 MiB. "--help" or "-h" anywhere, or "help" as the command, asks for
// the usage. Throws UsageError for anything else it cannot run.
SimOptions ParseSimArguments(const std::vector<std::string>& arguments);

extern const char* const kSimUsage;

}  // namespace sim
