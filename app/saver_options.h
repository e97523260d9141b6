// What the command lines of the Linux hosts share (vidider on X11,
// vidider-wayland): the stage's mode and scale, the least interval between
// frames, a fixed seed, a still after N frames, the frame-rate box, --verbose,
// --help and --version, each read the same way; and the one-line usage error.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace app {

// A command line that cannot be run; what() is one line for stderr, the
// control bytes of any argument it quotes written as \xNN.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message);
};

struct SaverOptions {
    // --delay, in microseconds, as the frame clock's SleepTime: milliseconds,
    // rounded up so that the interval is at least the one asked for.
    std::uint32_t SleepTime = 20;
    std::optional<std::uint32_t> Seed;
    std::optional<std::uint64_t> Frames;
    bool Fps = false;
    // --classic: the 1024 x 768 stage whatever the window; else the stage
    // fills it.
    bool Classic = false;
    // --scale: screen pixels per figure pixel, 1 to saver::kMaxScale (8);
    // none: from the screen (the display's Xft.dpi, the output's scale).
    std::optional<int> Scale;
    // --verbose: each stage made, its scale and where it shows, one line on
    // stderr.
    bool Verbose = false;
    bool Help = false;
    bool Version = false;
};

// The shared options' lines of the hosts' usage texts, in their place.
#define VIDIDER_SAVER_OPTIONS_USAGE \
    "  --delay US        least interval between frames in microseconds, from 0\n" \
    "                    (as fast as it goes) to 49.7 days; default 20000\n" \
    "  --seed S          seed of the motion (0 to 4294967295), for a repeatable run\n" \
    "  --frames N        stop after N frames and keep showing frame N\n" \
    "  --fps             show the frame rate in the bottom-left corner\n" \
    "  --verbose         say each stage it makes on stderr\n"

// An option's value: the next argument; UsageError where there is none.
using OptionValue = std::function<const std::string&()>;
// A host's own option, by its name without dashes: false where it knows no
// such option.
using OwnOption = std::function<bool(const std::string& name, const OptionValue& value)>;

// Reads the arguments after the program's name in order, each option with
// one dash or two ("--seed" and "-seed" are one): the shared ones into
// `options`, every other through `own`. The last of an option repeated
// counts. Throws UsageError for an argument that is no option, an unknown
// option, a missing or malformed value, or a value out of range.
void ReadOptions(const std::vector<std::string>& arguments, SaverOptions& options, const OwnOption& own);

}  // namespace app
