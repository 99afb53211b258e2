#include "forms/Container.h"

#include "forms/Control.h"
#include "vb/Error.h"

#include <algorithm>

namespace forms {

Control* Container::FindControl(vb::StringView name) const {
    const auto it = std::find_if(controls_.begin(), controls_.end(), [&](const Control* c) {
        return vb::Equal(c->Name(), name, vb::Compare::Text);
    });
    return it == controls_.end() ? nullptr : *it;
}

void Container::ScaleMode(std::int16_t mode) {
    if (mode != ScaleTwips && mode != ScalePixels) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    scaleMode_ = mode;
}

float Container::UnitTwips() const {
    return scaleMode_ == ScalePixels ? static_cast<float>(TheScreen().twipsPerPixel) : 1.0F;
}

float Container::ScaleWidth() const {
    return static_cast<float>(ClientWidth() * TheScreen().twipsPerPixel) / UnitTwips();
}

float Container::ScaleHeight() const {
    return static_cast<float>(ClientHeight() * TheScreen().twipsPerPixel) / UnitTwips();
}

void Container::add(Control* control) {
    controls_.push_back(control);
    NoteDrawnChange();
}

void Container::remove(Control* control) {
    std::erase(controls_, control);
    NoteDrawnChange();
}

void Container::reorder(Control* control, bool toFront) {
    std::erase(controls_, control);
    if (toFront) {
        controls_.push_back(control);
    } else {
        controls_.insert(controls_.begin(), control);
    }
    NoteDrawnChange();
}

} // namespace forms
