#include "x11/display_scale.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include "figure/rounding.h"
#include "saver/stage_view.h"

namespace x11 {

std::optional<std::string> XftDpiIn(const char* resources)
{
    if (resources == nullptr) return std::nullopt;
    XrmInitialize();
    XrmDatabase database = XrmGetStringDatabase(resources);
    if (database == nullptr) return std::nullopt;
    std::optional<std::string> found;
    char* type = nullptr;
    XrmValue value{};
    if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr)
        found = std::string(value.addr);
    XrmDestroyDatabase(database);
    return found;
}

int ScaleForXftDpi(const std::optional<std::string>& value)
{
    if (!value) return 1;
    const std::string& text = *value;
    std::size_t at = text.find_first_not_of(" \t");
    const std::size_t end = text.find_last_not_of(" \t") + 1;
    if (at == std::string::npos) return 1;
    // Whole DPI and a fraction, by hand: the C library's reading follows the
    // locale's decimal point.
    long double dpi = 0, unit = 1;
    bool digits = false, point = false;
    for (; at < end; ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (point)
                dpi += (unit /= 10) * (c - '0');
            else if (dpi < 1e6L)  // far past the largest scale already
                dpi = dpi * 10 + (c - '0');
        } else {
            return 1;
        }
    }
    if (!digits) return 1;
    return saver::ScaleForDpi(figure::Round(dpi));
}

}  // namespace x11
