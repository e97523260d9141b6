// Whole numbers held as decimal text: the hidden edit controls, the ring
// parameters, settings and command-line handles all go through these two.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace figure {

// A text that holds no integer where one is needed.
class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(std::string_view text);
};

// An optional sign followed by decimal digits, within the signed 32-bit range;
// nothing else (no blanks, no hexadecimal) is an integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// ParseInteger, or ConversionError for a text that holds no integer.
std::int32_t StrToInt(std::string_view text);

std::string IntToStr(std::int32_t value);

}  // namespace figure
