#pragma once
// A control that carries child controls of its own, on a window of its own. It handles its
// own surface's events (its Resize and mouse events) and keeps persisted properties.

#include "forms/Container.h"
#include "forms/Control.h"
#include "forms/PropertyBag.h"

namespace forms {

class UserControl : public WindowedControl<Container> {
    // Made before the measures that refer to it.
    class OwnSize final : public forms::Measured {
    public:
        explicit OwnSize(UserControl& control) : control_(control) {}
        OwnSize(const OwnSize&) = delete;
        OwnSize& operator=(const OwnSize&) = delete;
        virtual ~OwnSize() = default;
        float MeasureOf(Axis axis) const override { return control_.Twips(axis); }
        void SetMeasure(Axis axis, float twips) override { control_.SetTwips(axis, twips); }

    private:
        UserControl& control_;
    };
    OwnSize ownSize_{*this};

public:
    UserControl(Container& parent, vb::String name) : WindowedControl(parent, std::move(name)) {}

    Drawn<std::uint32_t> BackColor{Rgb(212, 208, 200)};
    // The control's own size, as its own code reads and sets it: twips whatever the
    // container's scale. Width and Height are what the container sees, in its scale.
    Measure OwnWidth{ownSize_, Axis::Width};
    Measure OwnHeight{ownSize_, Axis::Height};

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
