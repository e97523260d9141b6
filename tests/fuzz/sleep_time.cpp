// The SleepTime setting's text, and the integer reading under it, held
// against the standard library's reading of the same text.
#include "figure/integer_text.h"
#include "saver/saver_window.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> meant = fuzz::MeantInteger(text);
    const std::optional<std::int32_t> read = figure::ParseInteger(text);
    const std::string shown = fuzz::Shown(text) + " read as " + (read ? std::to_string(*read) : "nothing") +
                              ", meant " + (meant ? std::to_string(*meant) : "nothing");
    FUZZ_CHECK(read == meant, shown);

    try {
        const std::int32_t value = figure::StrToInt(text);
        FUZZ_CHECK(meant && value == *meant, shown);
    } catch (const figure::ConversionError&) {
        FUZZ_CHECK(!meant, shown);
    }
    if (read) FUZZ_CHECK(figure::ParseInteger(figure::IntToStr(*read)) == read, shown);

    platform::RegistryValue setting;
    setting.Kind = platform::ValueKind::Text;
    setting.Text = text;
    const std::uint32_t sleepTime = saver::SleepTimeFrom(setting);
    // A text that is a number of 0 or more is that number; anything else the default.
    const std::uint32_t expected = meant && *meant >= 0 ? std::uint32_t(*meant) : saver::kDefaultSleepTime;
    FUZZ_CHECK(sleepTime == expected, shown + ": SleepTime " + std::to_string(sleepTime));
    return 0;
}
