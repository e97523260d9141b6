// What the fuzz targets share: a property check that stops the run and shows
// the values involved (libFuzzer then keeps the input as a crash), the fuzz
// input cut into a program's arguments, and an independent reading of
// decimal text to hold the parsers against.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The text with every byte outside printable ASCII written as \xNN, so that
// a report stays on one line whatever the input held.
inline std::string Shown(std::string_view text)
{
    std::string shown = "\"";
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            shown += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            shown += escape;
        }
    }
    return shown + "\"";
}

inline std::string Shown(const std::vector<std::string>& arguments)
{
    std::string shown = "{";
    for (const std::string& argument : arguments) shown += (shown.size() > 1 ? ", " : "") + Shown(argument);
    return shown + "}";
}

[[noreturn]] inline void Fail(const char* property, const std::string& detail)
{
    std::fprintf(stderr, "\nproperty broken: %s\n  %s\n", property, detail.c_str());
    std::abort();
}

// An argument list as exec passes one: the input cut at every NUL byte, so
// that an argument may hold any other byte, a line break included. An empty
// input is no argument at all.
inline std::vector<std::string> ArgumentsOf(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments;
    if (size == 0) return arguments;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (true) {
        std::size_t end = rest.find('\0');
        arguments.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return arguments;
}

// A text that is nothing but decimal digits (at least one), read by the
// standard library; nothing when it holds anything else or passes 2^64 - 1.
inline std::optional<std::uint64_t> DigitsValue(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9') return std::nullopt;
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// What a text means as an integer: an optional sign, then decimal digits,
// within the signed 32-bit range; -0 and +0 are 0.
inline std::optional<std::int32_t> MeantInteger(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    auto magnitude = DigitsValue(text);
    if (!magnitude) return std::nullopt;
    const std::int64_t limit = negative ? -std::int64_t(std::numeric_limits<std::int32_t>::min())
                                        : std::int64_t(std::numeric_limits<std::int32_t>::max());
    if (*magnitude > std::uint64_t(limit)) return std::nullopt;
    return std::int32_t(negative ? -std::int64_t(*magnitude) : std::int64_t(*magnitude));
}

// A usage error is one line of text, whatever bytes the arguments held.
inline void CheckOnePlainLine(std::string_view message, const std::string& shown)
{
    if (message.empty()) Fail("the message says something", shown);
    for (unsigned char c : message)
        if (c < 0x20 || c == 0x7F) Fail("the message is one line of text", shown + " said " + Shown(message));
}

}  // namespace fuzz

// Stops the run when a property does not hold; `detail` says with what.
#define FUZZ_CHECK(condition, detail) ((condition) ? (void)0 : ::fuzz::Fail(#condition, (detail)))
