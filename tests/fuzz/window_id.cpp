// A window id as X11 programs write one, held against the standard library's
// reading of the same text.
#include "app/hack_options.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Decimal of up to 10 digits, or 0x (0X) and up to 8 hexadecimal digits;
// a resource id has 29 bits and 0 names no window.
std::optional<std::uint64_t> MeantId(std::string_view text)
{
    std::optional<std::uint64_t> value;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        std::uint64_t hex = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), hex, 16);
        // from_chars takes no sign, but the digits must all be read.
        if (digits.size() <= 8 && error == std::errc() && end == digits.data() + digits.size()) value = hex;
    } else if (text.size() <= 10) {
        value = fuzz::DigitsValue(text);
    }
    if (!value || *value == 0 || *value > 0x1FFFFFFF) return std::nullopt;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::uint64_t> id = app::ParseWindowId(text);
    const std::optional<std::uint64_t> meant = MeantId(text);
    const std::string shown = fuzz::Shown(text) + " read as " + (id ? std::to_string(*id) : "nothing") + ", meant " +
                              (meant ? std::to_string(*meant) : "nothing");
    FUZZ_CHECK(id == meant, shown);
    if (!id) return 0;
    FUZZ_CHECK(*id != 0 && *id <= 0x1FFFFFFF, shown);
    // The id reads back from both ways of writing it.
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(*id));
    FUZZ_CHECK(app::ParseWindowId(hex) == id, shown + " written " + hex);
    FUZZ_CHECK(app::ParseWindowId(std::to_string(*id)) == id, shown);
    return 0;
}
