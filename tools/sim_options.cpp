#include "tools/sim_options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "app/message_text.h"

namespace sim {

UsageError::UsageError(const std::string& message) : std::runtime_error(app::Printable(message)) {}

const char* const kSimUsage =
    "usage: vidider-sim trace --seed S --frames N [--stage WxH]\n"
    "       vidider-sim pattern --out FILE [--stage WxH]\n"
    "       vidider-sim frames --seed S --frames N --out DIR [--stage WxH]\n"
    "\n"
    "Runs the saver's figure on a simulated stage of W x H figure pixels\n"
    "(1024 x 768 unless --stage says otherwise: both sides even, at least\n"
    "1024 x 768, none over 16384, and surfaces of (2W + 152) x (2H + 164)\n"
    "within 64 MiB), starting right after the saver's first activation, its\n"
    "generator seeded with S (0 to 4294967295).\n"
    "  trace    prints one line per frame after each motion step:\n"
    "           k MoveState Centre1X Centre1Y Centre2X Centre2Y Image1Left Image1Top SecondX SecondY\n"
    "  pattern  writes the ring pattern, (2W + 152) x (2H + 164) (2200 x 1700\n"
    "           on the 1024 x 768 stage), as a binary PBM file\n"
    "  frames   writes DIR/frame-000001.pbm and on: the W x H stage after each\n"
    "           of N frames paced 20 ms apart (the first 225 carry the title)\n";

namespace {

std::uint64_t ParseUnsigned(const std::string& name, const std::string& text, std::uint64_t max)
{
    if (text.empty()) throw UsageError(name + " needs a value");
    if (text[0] == '-' && text.size() > 1 && std::isdigit(static_cast<unsigned char>(text[1])))
        throw UsageError(name + " must not be negative: " + text);
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw UsageError(name + " is not a number: " + text);
        value = value * 10 + std::uint64_t(c - '0');
        if (value > max) throw UsageError(name + " is out of range (0 to " + std::to_string(max) + "): " + text);
    }
    return value;
}

// One option: how its value is read into the options, and whether it has
// been given already.
struct OptionRule {
    std::string_view Name;
    void (*Read)(const std::string& value, SimOptions& options);
    bool (*Given)(const SimOptions& options);
};

const OptionRule kSeed{
    "--seed", [](const std::string& value, SimOptions& options) {
        options.Seed = std::uint32_t(ParseUnsigned("--seed", value, 4294967295u));
    },
    [](const SimOptions& options) { return options.Seed.has_value(); }};

const OptionRule kFrames{
    "--frames", [](const std::string& value, SimOptions& options) {
        options.Frames = ParseUnsigned("--frames", value, 4294967295u);
    },
    [](const SimOptions& options) { return options.Frames.has_value(); }};

const OptionRule kOut{
    "--out", [](const std::string& value, SimOptions& options) {
        if (value.empty()) throw UsageError("--out needs a value");
        options.Out = value;
    },
    [](const SimOptions& options) { return options.Out.has_value(); }};

// WxH, each side a whole number; the stage must be one the figure can have.
figure::StageSize ParseStage(const std::string& text)
{
    const std::size_t x = text.find('x');
    // A side's digits, the number held at 2^30: past 16384 it is too large anyway.
    const auto side = [&](const std::string& digits) -> std::int64_t {
        if (digits.empty()) return -1;
        std::int64_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9') return -1;
            value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t(1) << 30);
        }
        return value;
    };
    if (x == std::string::npos) throw UsageError("--stage takes WxH, not " + text);
    const std::int64_t width = side(text.substr(0, x)), height = side(text.substr(x + 1));
    if (width < 0 || height < 0) throw UsageError("--stage takes WxH, not " + text);
    if (width < figure::kClassicStageWidth || height < figure::kClassicStageHeight)
        throw UsageError("--stage is smaller than 1024x768: " + text);
    if (width % 2 != 0 || height % 2 != 0) throw UsageError("--stage takes even sides, not " + text);
    const figure::StageSize stage{int(width), int(height)};
    if (!figure::IsValidStage(stage))
        throw UsageError("--stage is too large (no side over 16384, surfaces within 64 MiB): " + text);
    return stage;
}

const OptionRule kStage{
    "--stage", [](const std::string& value, SimOptions& options) { options.Stage = ParseStage(value); },
    [](const SimOptions& options) { return options.Stage.has_value(); }};

// A command, the options it must have, in the order a missing one is named,
// and those it may have.
struct CommandRule {
    std::string_view Name;
    Command Run;
    std::vector<const OptionRule*> Options;
    std::vector<const OptionRule*> Optional = {&kStage};
};

const CommandRule kCommands[] = {
    {"trace", Command::Trace, {&kSeed, &kFrames}},
    {"pattern", Command::Pattern, {&kOut}},
    {"frames", Command::Frames, {&kSeed, &kFrames, &kOut}},
};

bool AsksForHelp(const std::string& argument) { return argument == "--help" || argument == "-h"; }

void ReadOptions(const CommandRule& command, const std::vector<std::string>& arguments, SimOptions& options)
{
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        const OptionRule* rule = nullptr;
        for (const auto* list : {&command.Options, &command.Optional})
            for (const OptionRule* known : *list)
                if (known->Name == name) rule = known;
        if (!rule) throw UsageError(name.rfind("--", 0) == 0 ? "unknown option " + name : "unexpected argument " + name);
        if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value");
        if (rule->Given(options)) throw UsageError(name + " given twice");
        rule->Read(arguments[++i], options);
    }
    for (const OptionRule* rule : command.Options)
        if (!rule->Given(options)) throw UsageError("missing " + std::string(rule->Name));
}

}  // namespace

SimOptions ParseSimArguments(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) throw UsageError("no command given");
    SimOptions options;
    const std::string& command = arguments[0];
    if (command == "help") return options;
    for (const std::string& argument : arguments)
        if (AsksForHelp(argument)) return options;
    for (const CommandRule& rule : kCommands) {
        if (command != rule.Name) continue;
        options.Run = rule.Run;
        ReadOptions(rule, arguments, options);
        return options;
    }
    throw UsageError("unknown command " + command);
}

}  // namespace sim
