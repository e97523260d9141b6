// The saver's command line as the desktop hands it over: split into
// arguments, the run mode chosen, the parent window's handle read.
#include <algorithm>
#include <cctype>

#include "app/command_line.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The characters that carry meaning: neither blanks nor quotes.
std::string Solid(std::string_view text)
{
    std::string solid;
    for (char c : text)
        if (!IsBlank(c) && c != '"') solid += c;
    return solid;
}

std::string Joined(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) line += argument;
    return line;
}

// The arguments written back as a command line, each in quotes.
std::string Quoted(const std::vector<std::string>& arguments)
{
    std::string line = "vidider.scr";
    for (const std::string& argument : arguments) line += " \"" + argument + "\"";
    return line;
}

char SwapCase(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80 && std::islower(u)) return char(std::toupper(u));
    if (u < 0x80 && std::isupper(u)) return char(std::tolower(u));
    return c;
}

// The handle a desktop means: a decimal of 0 up to the signed 32-bit limit,
// with an optional + sign; -0 is 0.
platform::WindowHandle MeantHandle(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) return 0;
    const std::optional<std::int32_t> number = fuzz::MeantInteger(arguments[1]);
    return number && *number >= 0 ? platform::WindowHandle(*number) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = app::SplitArguments("vidider.scr " + std::string(line));
    const std::string shown = fuzz::Shown(line) + " gave " + fuzz::Shown(arguments);

    // Nothing is lost and nothing made up: the arguments hold every
    // character of the line that is neither a blank nor a quote, in order.
    FUZZ_CHECK(Solid(Joined(arguments)) == Solid(line), shown);
    const bool hasQuote = line.find('"') != std::string_view::npos;
    for (const std::string& argument : arguments) {
        FUZZ_CHECK(argument.find('"') == std::string::npos, shown);
        // Only quotes make an empty argument or one holding blanks.
        FUZZ_CHECK(hasQuote || (!argument.empty() && Solid(argument) == argument), shown);
    }
    // Written back in quotes, the arguments split the same again.
    FUZZ_CHECK(app::SplitArguments(Quoted(arguments)) == arguments, shown + " rewritten " + fuzz::Shown(Quoted(arguments)));
    // The line as the whole command line: its first word is the program's.
    const std::vector<std::string> own = app::SplitArguments(line);
    FUZZ_CHECK(arguments.empty() ? own.empty() : std::equal(own.begin(), own.end(), arguments.begin() + 1, arguments.end()),
               shown + "; alone it gave " + fuzz::Shown(own));

    // The mode is the first argument's second letter, whatever its case.
    const app::RunMode mode = app::ChooseMode(arguments);
    if (arguments.empty() || arguments[0].size() < 2) {
        FUZZ_CHECK(mode == app::RunMode::Configure, shown);
    } else {
        std::string swapped = arguments[0];
        swapped[1] = SwapCase(swapped[1]);
        FUZZ_CHECK(app::ChooseMode({swapped}) == mode, shown);
        FUZZ_CHECK(app::ChooseMode({arguments[0]}) == mode, shown);
    }

    const platform::WindowHandle handle = app::ReadParentWindow(arguments);
    FUZZ_CHECK(handle == MeantHandle(arguments), shown + " read " + std::to_string(handle));
    return 0;
}
