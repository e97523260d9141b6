// The hidden controls of the saver window that hold values or switches. They
// are never shown, so they are plain values here: a text, a checked state, a
// click handler.
#pragma once

#include <functional>
#include <string>
#include <utility>

namespace figure {

struct TEdit {
    std::string Text;
};

struct TCheckBox {
    std::string Caption;
    bool Checked = false;
};

using TRadioButton = TCheckBox;

struct TButton {
    std::string Caption;
    std::function<void()> OnClick;

    void Click() const
    {
        if (OnClick) OnClick();
    }
};

}  // namespace figure
