#include "saver/input.h"

#include <cstdlib>

#include "saver/saver_window.h"

namespace saver {
namespace {

constexpr std::uint32_t kDoubleClickMs = 500;
constexpr int kDoubleClickSlack = 2;

// Keysyms of the X11 and xkbcommon numbering that the key handlers tell apart.
constexpr std::uint32_t kKeysymSmallA = 0x61, kKeysymSmallZ = 0x7A;
constexpr std::uint32_t kKeysymCapitalA = 0x41, kKeysymCapitalZ = 0x5A;
constexpr std::uint32_t kKeysymDigit0 = 0x30, kKeysymDigit9 = 0x39;
constexpr std::uint32_t kKeysymF1 = 0xFFBE, kKeysymF24 = 0xFFD5;

}  // namespace

std::uint16_t VirtualKeyOf(std::uint32_t keysym)
{
    if (keysym >= kKeysymSmallA && keysym <= kKeysymSmallZ) return std::uint16_t('A' + (keysym - kKeysymSmallA));
    if ((keysym >= kKeysymCapitalA && keysym <= kKeysymCapitalZ) || (keysym >= kKeysymDigit0 && keysym <= kKeysymDigit9))
        return std::uint16_t(keysym);
    if (keysym >= kKeysymF1 && keysym <= kKeysymF24) return std::uint16_t(0x70 + (keysym - kKeysymF1));
    switch (keysym) {
    case 0xFF1B: return 27;  // Escape
    case 0xFF0D: return 13;  // Return
    case 0x0020: return 32;  // space
    case 0xFF09: return 9;   // Tab
    case 0xFF08: return 8;   // BackSpace
    case 0xFFE1:             // Shift_L
    case 0xFFE2: return 16;  // Shift_R
    case 0xFFE3:             // Control_L
    case 0xFFE4: return 17;  // Control_R
    case 0xFFE9:             // Alt_L
    case 0xFFEA: return 18;  // Alt_R
    default: return 0;
    }
}

std::optional<ImagePoint> ImagePointAt(const TForm1& form, int x, int y)
{
    const std::optional<FigurePoint> at = form.View.ToStage(x, y);
    const figure::TImage& image = form.Figure.Image1;
    if (!at || !form.Figure.Panel1.Visible || !image.Contains(at->X, at->Y)) return std::nullopt;
    return ImagePoint{at->X - image.Left, at->Y - image.Top};
}

void PointerMoved(TForm1& form, int x, int y)
{
    if (const std::optional<ImagePoint> at = ImagePointAt(form, x, y))
        form.Image1MouseMove(at->X, at->Y);
    else
        form.FormMouseMove(x, y);
}

void PointerPressed(TForm1& form, figure::MouseButton button, int x, int y)
{
    if (const std::optional<ImagePoint> at = ImagePointAt(form, x, y)) form.Image1MouseDown(button, at->X, at->Y);
}

void PointerDoubleClicked(TForm1& form, int x, int y)
{
    if (ImagePointAt(form, x, y)) form.Image1DblClick();
}

void PointerButtonPressed(TForm1& form, DoubleClick& clicks, std::optional<figure::MouseButton> button,
                          std::uint32_t ms, int x, int y)
{
    if (!button || !ImagePointAt(form, x, y)) {
        clicks.Break();
        return;
    }
    PointerPressed(form, *button, x, y);
    if (*button == figure::MouseButton::Left && clicks.Press(ms, x, y)) PointerDoubleClicked(form, x, y);
}

bool DoubleClick::Press(std::uint32_t ms, int x, int y)
{
    const bool second = pressed_ && ms - lastMs_ <= kDoubleClickMs && std::abs(x - x_) <= kDoubleClickSlack &&
                        std::abs(y - y_) <= kDoubleClickSlack;
    pressed_ = !second;
    lastMs_ = ms;
    x_ = x;
    y_ = y;
    return second;
}

}  // namespace saver
