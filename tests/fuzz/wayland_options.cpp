// vidider-wayland's command line: the fuzz input cut into arguments at NUL
// bytes. Either the options come back whole and within their ranges, or one
// UsageError line says what is wrong; written back they parse the same; and
// a line of the options both Linux hosts take reads alike in both.
#include "app/hack_options.h"
#include "app/wayland_options.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/saver_options_check.h"

namespace {

std::vector<std::string> Written(const app::WaylandOptions& o)
{
    std::vector<std::string> line;
    if (o.Where == app::WaylandOptions::Mode::Window) line.push_back("-window");
    if (o.Where == app::WaylandOptions::Mode::Background) line.push_back("--background");
    fuzz::WriteSaverOptions(o, line);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> arguments = fuzz::ArgumentsOf(data, size);
    const std::string shown = fuzz::Shown(arguments);
    app::WaylandOptions options;
    std::optional<std::string> refused;
    try {
        options = app::ParseWaylandOptions(arguments);
    } catch (const app::UsageError& error) {
        fuzz::CheckOnePlainLine(error.what(), shown);
        refused = error.what();
    }
    // Where no argument is one of the hosts' own options, the X11 hack reads
    // the line alike: the same values, or the same error.
    bool shared = true;
    for (const std::string& argument : arguments)
        for (const char* own : {"window", "background", "root", "window-id", "geometry", "display"})
            shared = shared && argument != std::string("-") + own && argument != std::string("--") + own;
    if (shared) {
        try {
            const app::HackOptions x11 = app::ParseHackOptions(arguments);
            FUZZ_CHECK(!refused && fuzz::SameSaverOptions(x11, options), shown + " read otherwise by the X11 hack");
        } catch (const app::UsageError& error) {
            FUZZ_CHECK(refused && *refused == error.what(), shown + " refused otherwise by the X11 hack: " + error.what());
        }
    }
    if (refused) return 0;
    if (options.Scale) FUZZ_CHECK(*options.Scale >= 1 && *options.Scale <= 8, shown);
    const std::vector<std::string> written = Written(options);
    try {
        const app::WaylandOptions again = app::ParseWaylandOptions(written);
        FUZZ_CHECK(again.Where == options.Where && fuzz::SameSaverOptions(again, options), shown + " written " + fuzz::Shown(written));
    } catch (const app::UsageError& error) {
        fuzz::Fail("what it accepted, written back, is accepted",
                   shown + " written " + fuzz::Shown(written) + " said " + error.what());
    }
    return 0;
}
