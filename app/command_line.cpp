#include "app/command_line.h"

#include "figure/integer_text.h"

namespace app {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> SplitArguments(std::string_view commandLine)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
        if (i >= commandLine.size()) break;
        std::string word;
        bool quoted = false;
        for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                word += commandLine[i];
        }
        words.push_back(word);
    }
    if (!words.empty()) words.erase(words.begin());  // the program's own name
    return words;
}

RunMode ChooseMode(const std::vector<std::string>& arguments)
{
    if (arguments.empty() || arguments[0].size() < 2) return RunMode::Configure;
    char letter = arguments[0][1];
    if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
    switch (letter) {
    case 'A': return RunMode::Password;
    case 'C': return RunMode::Configure;
    case 'P': return RunMode::Preview;
    default: return RunMode::Saver;
    }
}

platform::WindowHandle ReadParentWindow(const std::vector<std::string>& arguments)
{
    if (arguments.size() < 2) return 0;
    auto number = figure::ParseInteger(arguments[1]);
    if (!number || *number < 0) return 0;
    return static_cast<platform::WindowHandle>(*number);
}

}  // namespace app
