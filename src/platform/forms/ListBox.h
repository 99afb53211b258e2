#pragma once
// A list of text lines shown in a box.

#include "forms/Control.h"

#include <vector>

namespace forms {

class ListBox : public Control {
public:
    using Control::Control;

    std::vector<vb::String> List;
};

} // namespace forms
