// The command line of vidider, the X11 hack: where it draws and how (the
// stage, the scale, the pace, a fixed seed, a frame-rate box, a still after
// N frames), and the help and version texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/saver_options.h"

namespace app {

// The options of every Linux host (app/saver_options.h), and where it draws.
struct HackOptions : SaverOptions {
    enum class Mode { Window, Root, WindowId };
    Mode Where = Mode::Window;
    // --window: the window's size, and its place when the geometry gives one:
    // X and Y are distances (0 or more) of the window's left and top edges
    // from the screen's, or with FromRight / FromBottom (WxH-X-Y) of its
    // right and bottom edges from the screen's.
    int Width = 1024;
    int Height = 768;
    std::optional<int> X, Y;
    bool FromRight = false, FromBottom = false;
    // --window-id: the window to draw into.
    std::uint64_t WindowId = 0;
    std::string Display;  // empty: $DISPLAY
};

// The options after the program's own name. Throws UsageError for an unknown
// option, a missing or malformed value, or a value out of range.
HackOptions ParseHackOptions(const std::vector<std::string>& arguments);

// A window id as X11 programs write one: decimal, or hexadecimal after 0x.
std::optional<std::uint64_t> ParseWindowId(const std::string& text);

extern const char* const kHackUsage;
// "vidider VERSION\n", the project's version.
extern const char* const kHackVersion;

}  // namespace app
