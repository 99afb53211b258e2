#pragma once
// A list of text lines shown in a box.

#include "forms/Control.h"

#include <vector>

namespace forms {

class ListBox : public WindowedControl<Window> {
public:
    using WindowedControl::WindowedControl;

    Drawn<std::vector<vb::String>> List;
};

} // namespace forms
