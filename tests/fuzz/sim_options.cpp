// vidider-sim's command line: the fuzz input cut into arguments at NUL
// bytes. Either a command comes back with exactly the options it needs, or
// one UsageError line says what is wrong.
#include "tests/fuzz/fuzz_check.h"
#include "tools/sim_options.h"

namespace {

std::vector<std::string> Written(const sim::SimOptions& o)
{
    std::vector<std::string> line;
    switch (o.Run) {
    case sim::Command::Help: return {"help"};
    case sim::Command::Trace: line = {"trace"}; break;
    case sim::Command::Pattern: line = {"pattern"}; break;
    case sim::Command::Frames: line = {"frames"}; break;
    }
    // The options in the reverse order of the usage text: order is free.
    if (o.Out) line.insert(line.end(), {"--out", *o.Out});
    if (o.Frames) line.insert(line.end(), {"--frames", std::to_string(*o.Frames)});
    if (o.Seed) line.insert(line.end(), {"--seed", std::to_string(*o.Seed)});
    if (o.Stage)
        line.insert(line.end(), {"--stage", std::to_string(o.Stage->Width) + "x" + std::to_string(o.Stage->Height)});
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> arguments = fuzz::ArgumentsOf(data, size);
    const std::string shown = fuzz::Shown(arguments);
    sim::SimOptions options;
    try {
        options = sim::ParseSimArguments(arguments);
    } catch (const sim::UsageError& error) {
        fuzz::CheckOnePlainLine(error.what(), shown);
        return 0;
    }
    const bool seeded = options.Run == sim::Command::Trace || options.Run == sim::Command::Frames;
    const bool writes = options.Run == sim::Command::Pattern || options.Run == sim::Command::Frames;
    if (options.Run != sim::Command::Help) {
        FUZZ_CHECK(options.Seed.has_value() == seeded && options.Frames.has_value() == seeded, shown);
        FUZZ_CHECK(options.Out.has_value() == writes, shown);
    }
    if (options.Frames) FUZZ_CHECK(*options.Frames <= 4294967295u, shown);
    if (options.Out) FUZZ_CHECK(!options.Out->empty(), shown);
    if (options.Stage) FUZZ_CHECK(figure::IsValidStage(*options.Stage), shown);
    const std::vector<std::string> written = Written(options);
    try {
        const sim::SimOptions again = sim::ParseSimArguments(written);
        FUZZ_CHECK(again.Run == options.Run && again.Seed == options.Seed && again.Frames == options.Frames &&
                       again.Out == options.Out && again.Stage == options.Stage,
                   shown + " written " + fuzz::Shown(written));
    } catch (const sim::UsageError& error) {
        fuzz::Fail("what it accepted, written back, is accepted", shown + " written " + fuzz::Shown(written) + " said " + error.what());
    }
    return 0;
}
