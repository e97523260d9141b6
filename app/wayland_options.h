// The command line of vidider-wayland, the saver as a Wayland client: where
// its surfaces go (over every output as the saver, an ordinary window to try
// it out, or below everything as a moving wallpaper), the options every Linux
// host shares (app/saver_options.h), and the help and version texts.
#pragma once

#include <string>
#include <vector>

#include "app/saver_options.h"

namespace app {

struct WaylandOptions : SaverOptions {
    enum class Mode {
        // One surface over each output, taking the keyboard: the saver.
        Saver,
        // --window: one resizable window.
        Window,
        // --background: one surface under everything on each output, no keyboard.
        Background,
    };
    Mode Where = Mode::Saver;
};

// The options after the program's own name; the last of --window and
// --background counts. Throws UsageError for an unknown option, a missing
// or malformed value, or a value out of range.
WaylandOptions ParseWaylandOptions(const std::vector<std::string>& arguments);

extern const char* const kWaylandUsage;
// "vidider-wayland VERSION\n", the project's version.
extern const char* const kWaylandVersion;

}  // namespace app
