#include "app/wayland_options.h"

namespace app {

#ifndef VIDIDER_VERSION
#error "VIDIDER_VERSION, the project's version, comes from CMake"
#endif

const char* const kWaylandUsage =
    "usage: vidider-wayland [--window | --background] [--classic] [--scale N]\n"
    "                       [--delay MICROSECONDS] [--seed S] [--frames N] [--fps]\n"
    "                       [--verbose]\n"
    "       vidider-wayland --help | --version\n"
    "\n"
    "A black-and-white moire: two copies of one ring pattern, combined by\n"
    "exclusive-or, drift around the middle of a stage that fills each output.\n"
    "By default it covers every output and takes the keyboard: a key, or a\n"
    "double click on the moire, ends it.\n"
    "  --window          one ordinary window instead, resizable\n"
    "  --background      under every other window, without the keyboard: a moving\n"
    "                    wallpaper (for lockers that show a program behind them)\n"
    "  --classic         keep the 1024 x 768 stage, black around it on a larger\n"
    "                    output; without it the stage fills the output (at least\n"
    "                    1024 x 768, cut equally on both sides)\n"
    "  --scale N         draw each pixel of the figure as N x N (1 to 8); by\n"
    "                    default from the output's scale\n"
    VIDIDER_SAVER_OPTIONS_USAGE
    "  --help, --version this text; the version\n"
    "The compositor is the one WAYLAND_DISPLAY names. Options take one dash or\n"
    "two. SIGTERM, SIGINT and SIGHUP end it.\n";

const char* const kWaylandVersion = "vidider-wayland " VIDIDER_VERSION "\n";

WaylandOptions ParseWaylandOptions(const std::vector<std::string>& arguments)
{
    WaylandOptions options;
    ReadOptions(arguments, options, [&](const std::string& name, const OptionValue&) {
        if (name == "window")
            options.Where = WaylandOptions::Mode::Window;
        else if (name == "background")
            options.Where = WaylandOptions::Mode::Background;
        else
            return false;
        return true;
    });
    return options;
}

}  // namespace app
