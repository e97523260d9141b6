#include "figure/integer_text.h"

namespace figure {

ConversionError::ConversionError(std::string_view text)
    : std::runtime_error("\"" + std::string(text) + "\" is not an integer")
{
}

std::optional<std::int32_t> ParseInteger(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t StrToInt(std::string_view text)
{
    if (auto value = ParseInteger(text)) return *value;
    throw ConversionError(text);
}

std::string IntToStr(std::int32_t value) { return std::to_string(value); }

}  // namespace figure
