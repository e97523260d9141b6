// The scale a display asks for when --scale is not given: its Xft.dpi, the
// resource desktops set in the server's resource database (the root window's
// RESOURCE_MANAGER) for the fonts of every program, read as screen pixels
// per figure pixel by the saver's DPI rule.
#pragma once

#include <optional>
#include <string>

namespace x11 {

// The value of Xft.dpi in the text of a resource database, as
// XResourceManagerString returns it (null where the server has none); none
// where no entry names it.
std::optional<std::string> XftDpiIn(const char* resources);

// The scale of an Xft.dpi value: its DPI (a decimal number, a fraction
// allowed, blanks around it ignored) rounded to a whole number, halves to
// even, then saver::ScaleForDpi. 1 where there is no value or it is no
// such number.
int ScaleForXftDpi(const std::optional<std::string>& value);

}  // namespace x11
