#pragma once
// A control that carries child controls of its own, on a window of its own. It handles its
// own surface's events (its Resize and mouse events) and keeps persisted properties.

#include "forms/Container.h"
#include "forms/Control.h"
#include "forms/PropertyBag.h"

namespace forms {

class UserControl : public WindowedControl<Container> {
public:
    UserControl(Container& parent, vb::String name) : WindowedControl(parent, std::move(name)) {}

    std::uint32_t BackColor = Rgb(212, 208, 200);

    // Puts the control on its form as the form loads: its persisted properties from the
    // form's design (InitProperties for a control that has none yet), then a first Resize.
    void Site(const PropertyBag* design = nullptr);
    // Its persisted properties, as the form saves them.
    PropertyBag Save() const;

protected:
    virtual void InitProperties() {}
    virtual void ReadProperties(const PropertyBag&) {}
    virtual void WriteProperties(PropertyBag&) const {}
};

} // namespace forms
