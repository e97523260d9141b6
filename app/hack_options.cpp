#include "app/hack_options.h"

#include <algorithm>

namespace app {

#ifndef VIDIDER_VERSION
#error "VIDIDER_VERSION, the project's version, comes from CMake"
#endif

const char* const kHackUsage =
    "usage: vidider [--window] [--geometry WxH[+X+Y]] [--classic] [--scale N]\n"
    "               [--delay MICROSECONDS] [--seed S] [--frames N] [--fps]\n"
    "               [--verbose] [--display NAME]\n"
    "       vidider --root [options]\n"
    "       vidider --window-id ID [options]\n"
    "       vidider --help | --version\n"
    "\n"
    "A black-and-white moire: two copies of one ring pattern, combined by\n"
    "exclusive-or, drift around the middle of a stage that fills the window.\n"
    "  --window          its own window (the default), 1024 x 768 unless\n"
    "                    --geometry says otherwise (WxH-X-Y counts from the\n"
    "                    right and bottom); a key, a double click on the moire\n"
    "                    or closing the window ends it\n"
    "  --root            the window named by $XSCREENSAVER_WINDOW, else the root\n"
    "  --window-id ID    that window (decimal or 0x hex)\n"
    "  --classic         keep the 1024 x 768 stage, black around it in a larger\n"
    "                    window; without it the stage fills the window (at\n"
    "                    least 1024 x 768, cut equally on both sides)\n"
    "  --scale N         draw each pixel of the figure as N x N (1 to 8); by\n"
    "                    default Xft.dpi / 96 rounded (halves to even), else 1\n"
    VIDIDER_SAVER_OPTIONS_USAGE
    "  --display NAME    the X display (default $DISPLAY)\n"
    "  --help, --version this text; the version\n"
    "When the window is resized the stage is centred at once and made anew for\n"
    "the new size once the resizing stops. Options take one dash or two.\n"
    "SIGTERM, SIGINT and SIGHUP end it.\n";

const char* const kHackVersion = "vidider " VIDIDER_VERSION "\n";

namespace {

// The longest side and the farthest place X11 takes (16-bit coordinates).
constexpr std::uint64_t kLargestCoordinate = 32767;

// WxH, WxH+X+Y or WxH-X-Y (and the mixed forms): the size, and the distance
// of the window's edges from the screen's, counted from the left and top
// after +, from the right and bottom after -.
void ParseGeometry(const std::string& text, HackOptions& options)
{
    const std::string bad = "--geometry takes WxH or WxH+X+Y, not '" + text + "'";
    auto digits = [](const std::string& part) {
        return !part.empty() && part.find_first_not_of("0123456789") == std::string::npos;
    };
    // A part that is a number at all, but too large, is a range error.
    auto number = [&](const std::string& part, const std::string& what, std::uint64_t least) {
        if (!digits(part)) throw UsageError(bad);
        std::uint64_t value = 0;
        for (char c : part) value = std::min<std::uint64_t>(value * 10 + std::uint64_t(c - '0'), kLargestCoordinate + 1);
        if (value < least || value > kLargestCoordinate)
            throw UsageError("--geometry's " + what + " is out of range (" + std::to_string(least) + " to " +
                             std::to_string(kLargestCoordinate) + "): '" + text + "'");
        return int(value);
    };
    const std::size_t x = text.find('x');
    if (x == std::string::npos) throw UsageError(bad);
    const std::size_t place = text.find_first_of("+-", x);
    const std::string width = text.substr(0, x);
    const std::string height = text.substr(x + 1, place == std::string::npos ? place : place - x - 1);
    if (!digits(width) || !digits(height)) throw UsageError(bad);
    options.Width = number(width, "size", 1);
    options.Height = number(height, "size", 1);
    if (place == std::string::npos) return;
    const std::size_t second = text.find_first_of("+-", place + 1);
    if (second == std::string::npos) throw UsageError(bad);
    const std::string left = text.substr(place + 1, second - place - 1), top = text.substr(second + 1);
    if (!digits(left) || !digits(top)) throw UsageError(bad);
    options.X = number(left, "place", 0);
    options.Y = number(top, "place", 0);
    options.FromRight = text[place] == '-';
    options.FromBottom = text[second] == '-';
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
    ReadOptions(arguments, options, [&](const std::string& name, const OptionValue& value) {
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
        } else if (name == "display") {
            options.Display = value();
            if (options.Display.empty()) throw UsageError("--display needs a value");
        } else {
            return false;
        }
        return true;
    });
    return options;
}

}  // namespace app
