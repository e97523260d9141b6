// Outside text quoted in a one-line message: a command-line argument may hold
// line breaks, escape sequences or any other control byte, and a message
// that echoes it must still be one line that leaves the terminal as it was.
#pragma once

#include <string>
#include <string_view>

namespace app {

// The text with every control byte (below 0x20, and 0x7F) written as \xNN;
// everything else, UTF-8 included, as it is.
std::string Printable(std::string_view text);

}  // namespace app
