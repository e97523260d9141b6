// The desktop's request on the command line: which of the four run modes, and
// the window handle that the password and preview requests carry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace app {

enum class RunMode { Saver, Configure, Preview, Password };

// The arguments after the program's own name: split at blanks, double quotes
// grouping blanks into one argument and dropped.
std::vector<std::string> SplitArguments(std::string_view commandLine);

// The mode from the second character of the first argument, upper-cased:
// A password, C configure, P preview, any other saver. No argument, or one
// too short to carry a mode letter, means configure.
RunMode ChooseMode(const std::vector<std::string>& arguments);

// The second argument as a window handle: a decimal number of 0 up to the
// signed 32-bit limit; anything else (missing, malformed, negative, too
// large) is 0.
platform::WindowHandle ReadParentWindow(const std::vector<std::string>& arguments);

}  // namespace app
