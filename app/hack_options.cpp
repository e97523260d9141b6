#include "app/hack_options.h"

#include <limits>

#include "app/message_text.h"

namespace app {

UsageError::UsageError(const std::string& message) : std::runtime_error(Printable(message)) {}

const char* const kHackUsage =
    "usage: vidider [--window] [--geometry WxH[+X+Y]] [--delay MICROSECONDS] [--seed S]\n"
    "               [--frames N] [--fps] [--display NAME]\n"
    "       vidider --root [options]\n"
    "       vidider --window-id ID [options]\n"
    "\n"
    "A black-and-white moire: two copies of one ring pattern, combined by\n"
    "exclusive-or, drift around the middle of a 1024 x 768 stage.\n"
    "  --window          its own window (the default), 1024 x 768 unless\n"
    "                    --geometry says otherwise; a key, a double click on the\n"
    "                    moire or closing the window ends it\n"
    "  --root            the window named by $XSCREENSAVER_WINDOW, else the root\n"
    "  --window-id ID    that window (decimal or 0x hex); SIGTERM ends it\n"
    "  --delay US        least interval between frames in microseconds\n"
    "                    (default 20000; 0 runs as fast as it goes)\n"
    "  --seed S          seed of the motion (0 to 4294967295), for a repeatable run\n"
    "  --frames N        stop after N frames and keep showing frame N\n"
    "  --fps             print the frame rate on stderr once a second\n"
    "  --display NAME    the X display (default $DISPLAY)\n"
    "Options take one dash or two.\n";

namespace {

std::uint64_t ParseUnsigned(const std::string& option, const std::string& text, std::uint64_t max)
{
    if (text.empty()) throw UsageError(option + " needs a value");
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') throw UsageError(option + " takes a whole number of 0 or more, not '" + text + "'");
        if (value > (max - std::uint64_t(c - '0')) / 10)
            throw UsageError(option + " is out of range (0 to " + std::to_string(max) + "): " + text);
        value = value * 10 + std::uint64_t(c - '0');
    }
    return value;
}

// WxH or WxH+X+Y (X and Y may be negative: WxH-X-Y counts from the right).
void ParseGeometry(const std::string& text, HackOptions& options)
{
    const std::string bad = "--geometry takes WxH or WxH+X+Y, not '" + text + "'";
    std::size_t x = text.find('x');
    if (x == std::string::npos) throw UsageError(bad);
    std::size_t place = text.find_first_of("+-", x);
    std::string width = text.substr(0, x), height = text.substr(x + 1, place == std::string::npos ? place : place - x - 1);
    try {
        options.Width = int(ParseUnsigned("--geometry", width, 32767));
        options.Height = int(ParseUnsigned("--geometry", height, 32767));
    } catch (const UsageError&) {
        throw UsageError(bad);
    }
    if (options.Width == 0 || options.Height == 0) throw UsageError(bad);
    if (place == std::string::npos) return;
    std::size_t second = text.find_first_of("+-", place + 1);
    if (second == std::string::npos) throw UsageError(bad);
    auto offset = [&](std::size_t from, std::size_t to) {
        std::string digits = text.substr(from + 1, to == std::string::npos ? to : to - from - 1);
        int value;
        try {
            value = int(ParseUnsigned("--geometry", digits, 32767));
        } catch (const UsageError&) {
            throw UsageError(bad);
        }
        return text[from] == '-' ? -value : value;
    };
    options.X = offset(place, second);
    options.Y = offset(second, std::string::npos);
}

}  // namespace

std::optional<std::uint64_t> ParseWindowId(const std::string& text)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                               : -1;
        if (digit < 0) return std::nullopt;
        value = value * (hex ? 16 : 10) + std::uint64_t(digit);
    }
    // X resource ids have 29 bits; 0 is none.
    if (value == 0 || value > 0x1FFFFFFF) return std::nullopt;
    return value;
}

HackOptions ParseHackOptions(const std::vector<std::string>& arguments)
{
    HackOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        if (name.rfind("--", 0) == 0) name.erase(0, 1);
        if (name.size() < 2 || name[0] != '-') throw UsageError("unknown argument '" + arguments[i] + "'");
        name.erase(0, 1);
        // The option's value: the next argument.
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw UsageError("--" + name + " needs a value");
            return arguments[++i];
        };
        if (name == "window") {
            options.Where = HackOptions::Mode::Window;
        } else if (name == "root") {
            options.Where = HackOptions::Mode::Root;
        } else if (name == "window-id") {
            const std::string& text = value();
            auto id = ParseWindowId(text);
            if (!id) throw UsageError("--window-id takes a window id, decimal or 0x hex, not '" + text + "'");
            options.Where = HackOptions::Mode::WindowId;
            options.WindowId = *id;
        } else if (name == "geometry") {
            ParseGeometry(value(), options);
        } else if (name == "delay") {
            // Up to 49.7 days, the longest interval the frame clock holds.
            std::uint64_t microseconds =
                ParseUnsigned("--delay", value(), std::uint64_t(std::numeric_limits<std::uint32_t>::max()) * 1000);
            options.SleepTime = std::uint32_t((microseconds + 999) / 1000);
        } else if (name == "seed") {
            options.Seed = std::uint32_t(ParseUnsigned("--seed", value(), std::numeric_limits<std::uint32_t>::max()));
        } else if (name == "frames") {
            options.Frames = ParseUnsigned("--frames", value(), std::numeric_limits<std::uint64_t>::max());
        } else if (name == "fps") {
            options.Fps = true;
        } else if (name == "display") {
            options.Display = value();
            if (options.Display.empty()) throw UsageError("--display needs a value");
        } else if (name == "help" || name == "h") {
            options.Help = true;
        } else {
            throw UsageError("unknown option '" + arguments[i] + "'");
        }
    }
    return options;
}

}  // namespace app
