#pragma once
// A picture box: a window that shows a picture and holds controls.

#include "forms/Container.h"
#include "forms/Control.h"

namespace forms {

class PictureBox : public WindowedControl<Container> {
public:
    PictureBox(Container& parent, vb::String name);

    Drawn<forms::Picture> Picture;
    Drawn<std::uint32_t> BackColor{Rgb(212, 208, 200)};

    // 0 none, 1 a fixed single border (1 pixel), as made.
    std::int16_t BorderStyle() const { return (Style & WS_BORDER) != 0 ? 1 : 0; }
    void BorderStyle(std::int16_t style);
};

} // namespace forms
