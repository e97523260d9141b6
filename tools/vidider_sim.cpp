// vidider-sim: the saver's figure without a screen.
//
//   vidider-sim trace  --seed S --frames N          the motion, one line a frame
//   vidider-sim pattern --out FILE                  the ring pattern as PBM
//   vidider-sim frames --seed S --frames N --out DIR  the stage of N paced frames
//
// Exit status: 0 done, 1 an output could not be written, 2 a usage error.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "figure/pattern.h"
#include "app/fpu.h"
#include "tools/pbm.h"
#include "tools/simulation.h"
#include "tools/title.h"

namespace {

constexpr const char* kUsage =
    "usage: vidider-sim trace --seed S --frames N\n"
    "       vidider-sim pattern --out FILE\n"
    "       vidider-sim frames --seed S --frames N --out DIR\n"
    "\n"
    "Runs the saver's figure on a simulated 1024 x 768 stage, starting right\n"
    "after the saver's first activation, its generator seeded with S\n"
    "(0 to 4294967295).\n"
    "  trace    prints one line per frame after each motion step:\n"
    "           k MoveState Centre1X Centre1Y Centre2X Centre2Y Image1Left Image1Top SecondX SecondY\n"
    "  pattern  writes the ring pattern (2200 x 1700) as a binary PBM file\n"
    "  frames   writes DIR/frame-000001.pbm and on: the stage after each of N\n"
    "           frames paced 20 ms apart (the first 225 carry the title)\n";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Options {
    std::optional<std::uint32_t> seed;
    std::optional<std::uint64_t> frames;
    std::optional<std::string> out;
};

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

Options ParseOptions(const std::vector<std::string>& args, const std::vector<std::string>& allowed)
{
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        bool known = false;
        for (const std::string& a : allowed) known = known || a == name;
        if (!known) throw UsageError(name.rfind("--", 0) == 0 ? "unknown option " + name : "unexpected argument " + name);
        if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
        const std::string& value = args[++i];
        if (name == "--seed") {
            if (options.seed) throw UsageError("--seed given twice");
            options.seed = std::uint32_t(ParseUnsigned("--seed", value, 4294967295u));
        } else if (name == "--frames") {
            if (options.frames) throw UsageError("--frames given twice");
            options.frames = ParseUnsigned("--frames", value, 4294967295u);
        } else {
            if (options.out) throw UsageError("--out given twice");
            if (value.empty()) throw UsageError("--out needs a value");
            options.out = value;
        }
    }
    for (const std::string& a : allowed) {
        bool missing = (a == "--seed" && !options.seed) || (a == "--frames" && !options.frames) ||
                       (a == "--out" && !options.out);
        if (missing) throw UsageError("missing " + a);
    }
    return options;
}

int Trace(const Options& options)
{
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(*options.seed, &title);
    for (std::uint64_t k = 1; k <= *options.frames; ++k) {
        std::string line = simulation.TraceStep(k);
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) break;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "vidider-sim: cannot write the trace\n");
        return 1;
    }
    return 0;
}

int Pattern(const Options& options)
{
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(0, &title);
    sim::WritePbm(simulation.Form().Figure.PatternBitmap, *options.out);
    return 0;
}

int Frames(const Options& options)
{
    std::filesystem::path dir(*options.out);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (!std::filesystem::is_directory(dir)) throw std::runtime_error("cannot create the folder " + dir.string());
    figure::Surface title = vidider::LoadTitlePicture();
    sim::Simulation simulation(*options.seed, &title);
    figure::Surface panel(1024, 768);
    for (std::uint64_t k = 1; k <= *options.frames; ++k) {
        simulation.PacedFrame(k);
        simulation.ShownPanel(panel);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06llu.pbm", static_cast<unsigned long long>(k));
        sim::WritePbm(panel, (dir / name).string());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    app::UseExtendedPrecision();
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError("no command given");
        const std::string command = args[0];
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& a : rest) {
            if (a == "--help" || a == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            }
        }
        if (command == "trace") return Trace(ParseOptions(rest, {"--seed", "--frames"}));
        if (command == "pattern") return Pattern(ParseOptions(rest, {"--out"}));
        if (command == "frames") return Frames(ParseOptions(rest, {"--seed", "--frames", "--out"}));
        throw UsageError("unknown command " + command);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vidider-sim: %s (see vidider-sim --help)\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vidider-sim: %s\n", e.what());
        return 1;
    }
}
