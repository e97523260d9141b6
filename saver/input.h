// Input as every host hands it to its form: a key by its keysym (the X11
// and xkbcommon numbering), the pointer at a window point, a press of a
// button, and the double click that a host without one of its own (X11,
// Wayland) makes of two presses. Windows points map to the image here, once.
#pragma once

#include <cstdint>
#include <optional>

#include "figure/pattern.h"

namespace saver {

class TForm1;

// The Windows virtual-key code of a keysym, for the form's key handlers;
// 0 for a key they do not tell apart (it ends the saver all the same).
std::uint16_t VirtualKeyOf(std::uint32_t keysym);

// A point of the form's image, in the image's own pixels.
struct ImagePoint {
    int X = 0;
    int Y = 0;
};

// The image point under the window point (x, y), where the stage shows the
// image there; none off the stage, where the image does not reach, or while
// the stage is hidden.
std::optional<ImagePoint> ImagePointAt(const TForm1& form, int x, int y);

// The pointer moved to the window point (x, y): over the image it may steer,
// elsewhere the form's own handler hears of it.
void PointerMoved(TForm1& form, int x, int y);
// A button went down at the window point (x, y): over the image the image's
// handler hears of it; elsewhere nothing happens.
void PointerPressed(TForm1& form, figure::MouseButton button, int x, int y);
// A double click of the first button at the window point (x, y): over the
// image it ends the saver; on the black border it does nothing.
void PointerDoubleClicked(TForm1& form, int x, int y);

class DoubleClick;

// A press of a button (none: one the form does not tell apart) at the
// window point (x, y) at `ms`, for a host that makes its double clicks of
// presses: over the image the image's handler hears of it, and two presses
// of the first button there make a double click, which ends the saver. A
// press off the image, or of a button the form does not know, breaks the
// pair.
void PointerButtonPressed(TForm1& form, DoubleClick& clicks, std::optional<figure::MouseButton> button,
                          std::uint32_t ms, int x, int y);

// Two presses of the first button make a double click when they come within
// 500 ms and 2 pixels of each other, as on Windows by default; a third
// press starts a new pair.
class DoubleClick {
public:
    // A press of the first button at `ms` (a millisecond clock of the
    // host's) and window point (x, y): true when it completes a double click.
    bool Press(std::uint32_t ms, int x, int y);
    // A press elsewhere, or of another button, breaks the pair.
    void Break() { pressed_ = false; }

private:
    bool pressed_ = false;
    std::uint32_t lastMs_ = 0;
    int x_ = 0, y_ = 0;
};

}  // namespace saver
