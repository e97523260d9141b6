// The X11 hack's command line: the fuzz input cut into arguments at NUL
// bytes. Either the options come back whole and within their ranges, or one
// UsageError line says what is wrong. The first argument is also tried as a
// geometry, against a regular expression's reading of it.
#include <regex>

#include "app/hack_options.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/saver_options_check.h"

namespace {

struct Geometry {
    int Width, Height;
    std::optional<int> X, Y;
    bool FromRight = false, FromBottom = false;
};

// WxH or WxH+X+Y, either offset - for one counted from the far side (the
// window's right or bottom edge from the screen's); every number is at most
// 32767 and the size is not 0.
std::optional<Geometry> MeantGeometry(const std::string& text)
{
    static const std::regex form("([0-9]+)x([0-9]+)(([+-])([0-9]+)([+-])([0-9]+))?");
    std::smatch part;
    if (!std::regex_match(text, part, form)) return std::nullopt;
    std::optional<int> number[8];
    for (int i : {1, 2, 5, 7}) {
        if (!part[i].matched) continue;
        auto value = fuzz::DigitsValue(part[i].str());
        if (!value || *value > 32767) return std::nullopt;
        number[i] = int(*value);
    }
    if (*number[1] == 0 || *number[2] == 0) return std::nullopt;
    Geometry geometry{*number[1], *number[2], std::nullopt, std::nullopt};
    if (part[3].matched) {
        geometry.X = *number[5];
        geometry.Y = *number[7];
        geometry.FromRight = part[4] == "-";
        geometry.FromBottom = part[6] == "-";
    }
    return geometry;
}

void CheckGeometry(const std::string& text)
{
    const std::optional<Geometry> meant = MeantGeometry(text);
    std::optional<Geometry> read;
    try {
        app::HackOptions options = app::ParseHackOptions({"--geometry", text});
        read = Geometry{options.Width, options.Height, options.X, options.Y, options.FromRight, options.FromBottom};
    } catch (const app::UsageError&) {
    }
    auto shown = [](const std::optional<Geometry>& g) {
        if (!g) return std::string("nothing");
        std::string s = std::to_string(g->Width) + " by " + std::to_string(g->Height);
        if (g->X)
            s += std::string(" at ") + (g->FromRight ? "-" : "+") + std::to_string(*g->X) +
                 (g->FromBottom ? "-" : "+") + std::to_string(*g->Y);
        return s;
    };
    FUZZ_CHECK(read.has_value() == meant.has_value() &&
                   (!read || (read->Width == meant->Width && read->Height == meant->Height && read->X == meant->X &&
                              read->Y == meant->Y && (!read->X || (read->FromRight == meant->FromRight &&
                                                                   read->FromBottom == meant->FromBottom)))),
               "--geometry " + fuzz::Shown(text) + " read as " + shown(read) + ", meant " + shown(meant));
}


// The options written back as the one command line that means them.
std::vector<std::string> Written(const app::HackOptions& o)
{
    std::vector<std::string> line;
    switch (o.Where) {
    case app::HackOptions::Mode::Window: line = {"--window"}; break;
    case app::HackOptions::Mode::Root: line = {"--root"}; break;
    case app::HackOptions::Mode::WindowId: line = {"-window-id", std::to_string(o.WindowId)}; break;
    }
    std::string geometry = std::to_string(o.Width) + "x" + std::to_string(o.Height);
    if (o.X) geometry += (o.FromRight ? "-" : "+") + std::to_string(*o.X) + (o.FromBottom ? "-" : "+") + std::to_string(*o.Y);
    line.insert(line.end(), {"--geometry", geometry});
    fuzz::WriteSaverOptions(o, line);
    if (!o.Display.empty()) line.insert(line.end(), {"--display", o.Display});
    return line;
}

bool Same(const app::HackOptions& a, const app::HackOptions& b)
{
    return a.Where == b.Where && a.Width == b.Width && a.Height == b.Height && a.X == b.X && a.Y == b.Y &&
           (!a.X || (a.FromRight == b.FromRight && a.FromBottom == b.FromBottom)) &&
           (a.Where != app::HackOptions::Mode::WindowId || a.WindowId == b.WindowId) && a.Display == b.Display &&
           fuzz::SameSaverOptions(a, b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> arguments = fuzz::ArgumentsOf(data, size);
    const std::string shown = fuzz::Shown(arguments);
    if (!arguments.empty()) CheckGeometry(arguments[0]);
    app::HackOptions options;
    try {
        options = app::ParseHackOptions(arguments);
    } catch (const app::UsageError& error) {
        fuzz::CheckOnePlainLine(error.what(), shown);
        return 0;
    }
    FUZZ_CHECK(options.Width >= 1 && options.Width <= 32767 && options.Height >= 1 && options.Height <= 32767, shown);
    FUZZ_CHECK(options.X.has_value() == options.Y.has_value(), shown);
    if (options.X) FUZZ_CHECK(*options.X >= 0 && *options.X <= 32767 && *options.Y >= 0 && *options.Y <= 32767, shown);
    if (options.Scale) FUZZ_CHECK(*options.Scale >= 1 && *options.Scale <= 8, shown);
    if (options.Where == app::HackOptions::Mode::WindowId)
        FUZZ_CHECK(options.WindowId != 0 && options.WindowId <= 0x1FFFFFFF, shown);
    const std::vector<std::string> written = Written(options);
    try {
        FUZZ_CHECK(Same(app::ParseHackOptions(written), options), shown + " written " + fuzz::Shown(written));
    } catch (const app::UsageError& error) {
        fuzz::Fail("what it accepted, written back, is accepted", shown + " written " + fuzz::Shown(written) + " said " + error.what());
    }
    return 0;
}
