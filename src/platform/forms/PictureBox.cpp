#include "forms/PictureBox.h"

#include "vb/Error.h"

namespace forms {

PictureBox::PictureBox(Container& parent, vb::String name)
    : WindowedControl(parent, std::move(name)) {
    BorderStyle(1);
}

void PictureBox::BorderStyle(std::int16_t style) {
    if (style != 0 && style != 1) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    SetStyle(style == 1 ? Style | WS_BORDER : Style & ~WS_BORDER);
}

} // namespace forms
