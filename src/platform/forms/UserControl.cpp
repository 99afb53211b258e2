#include "forms/UserControl.h"

namespace forms {

void UserControl::Site(const PropertyBag* design) {
    if (design != nullptr) {
        ReadProperties(*design);
    } else {
        InitProperties();
    }
    Resized();
}

PropertyBag UserControl::Save() const {
    PropertyBag bag;
    WriteProperties(bag);
    return bag;
}

} // namespace forms
