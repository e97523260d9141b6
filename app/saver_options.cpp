#include "app/saver_options.h"

#include <limits>

#include "app/message_text.h"
#include "saver/stage_view.h"

namespace app {

UsageError::UsageError(const std::string& message) : std::runtime_error(Printable(message)) {}

namespace {

// `range` says the range as a person reads it, for the error.
std::uint64_t ParseUnsigned(const std::string& option, const std::string& text, std::uint64_t max,
                            const std::string& range = {})
{
    if (text.empty()) throw UsageError(option + " needs a value");
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw UsageError(option + " takes a whole number of 0 or more, not '" + text + "'");
        const auto digit = std::uint64_t(c - '0');
        if (digit > max || value > (max - digit) / 10)
            throw UsageError(option + " is out of range (" + (range.empty() ? "0 to " + std::to_string(max) : range) +
                             "): " + text);
        value = value * 10 + digit;
    }
    return value;
}

// Screen pixels per figure pixel: 1 to saver::kMaxScale.
int ParseScale(const std::string& text)
{
    const std::string range = "1 to " + std::to_string(saver::kMaxScale);
    if (text.empty()) throw UsageError("--scale needs a value");
    if (text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("--scale takes a whole number from " + range + ", not '" + text + "'");
    const std::uint64_t scale = ParseUnsigned("--scale", text, saver::kMaxScale, range);
    if (scale < 1) throw UsageError("--scale is out of range (" + range + "): " + text);
    return int(scale);
}

bool ReadSaverOption(const std::string& name, const OptionValue& value, SaverOptions& options)
{
    if (name == "delay") {
        // Up to 49.7 days, the longest interval the frame clock holds.
        std::uint64_t microseconds =
            ParseUnsigned("--delay", value(), std::uint64_t(std::numeric_limits<std::uint32_t>::max()) * 1000,
                          "0 to 4294967295000 microseconds, 49.7 days");
        options.SleepTime = std::uint32_t((microseconds + 999) / 1000);
    } else if (name == "seed") {
        options.Seed = std::uint32_t(ParseUnsigned("--seed", value(), std::numeric_limits<std::uint32_t>::max()));
    } else if (name == "frames") {
        options.Frames = ParseUnsigned("--frames", value(), std::numeric_limits<std::uint64_t>::max());
    } else if (name == "fps") {
        options.Fps = true;
    } else if (name == "classic") {
        options.Classic = true;
    } else if (name == "scale") {
        options.Scale = ParseScale(value());
    } else if (name == "verbose") {
        options.Verbose = true;
    } else if (name == "help" || name == "h") {
        options.Help = true;
    } else if (name == "version") {
        options.Version = true;
    } else {
        return false;
    }
    return true;
}

}  // namespace

void ReadOptions(const std::vector<std::string>& arguments, SaverOptions& options, const OwnOption& own)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name.rfind("--", 0) == 0) name.erase(0, 1);
        if (name.size() < 2 || name[0] != '-') throw UsageError("unknown argument '" + arguments[i] + "'");
        name.erase(0, 1);
        const OptionValue value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError("--" + name + " needs a value");
            return arguments[++i];
        };
        const std::size_t at = i;
        if (!ReadSaverOption(name, value, options) && !own(name, value))
            throw UsageError("unknown option '" + arguments[at] + "'");
    }
}

}  // namespace app
