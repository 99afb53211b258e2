#include "forms/Control.h"

#include "forms/Container.h"
#include "vb/Error.h"

namespace forms {

namespace {

int Index(Axis axis) {
    return static_cast<int>(axis);
}

bool IsSize(Axis axis) {
    return axis == Axis::Width || axis == Axis::Height;
}

} // namespace

Control::Control(Container& parent, vb::String name) : parent_(parent), name_(std::move(name)) {
    parent_.add(this);
}

Control::~Control() {
    parent_.remove(this);
}

float Control::MeasureOf(Axis axis) const {
    return twips_[Index(axis)] / parent_.UnitTwips();
}

void Control::SetMeasure(Axis axis, float value) {
    SetTwips(axis, value * parent_.UnitTwips());
}

void Control::SetTwips(Axis axis, float twips) {
    if (IsSize(axis) && twips < 0) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    if (twips == twips_[Index(axis)]) {
        return;
    }
    twips_[Index(axis)] = twips;
    NoteDrawnChange();
    if (IsSize(axis)) {
        Resized();
    }
}

void Control::Move(float left, float top, float width, float height) {
    if (width < 0 || height < 0) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    const float unit = parent_.UnitTwips();
    const bool resized =
        width * unit != twips_[Index(Axis::Width)] || height * unit != twips_[Index(Axis::Height)];
    twips_[Index(Axis::Left)] = left * unit;
    twips_[Index(Axis::Top)] = top * unit;
    twips_[Index(Axis::Width)] = width * unit;
    twips_[Index(Axis::Height)] = height * unit;
    NoteDrawnChange();
    if (resized) {
        Resized();
    }
}

void Control::ZOrder(std::int16_t position) {
    parent_.reorder(this, position == 0);
}

void Control::Refresh() {
    parent_.Refresh();
}

Window* Control::ContainerWindow() const {
    return &parent_;
}

std::intptr_t HwndOf(const Control& control) {
    const auto* window = dynamic_cast<const Window*>(&control);
    if (window == nullptr) {
        vb::Raise(vb::err::ObjectDoesNotSupport);
    }
    return window->hwnd;
}

Label::Label(Container& parent, vb::String name, vb::String caption)
    : Control(parent, std::move(name)), Caption(std::move(caption)) {}

TextBox::TextBox(Container& parent, vb::String name, vb::String text)
    : WindowedControl(parent, std::move(name)), Text(std::move(text)) {}

} // namespace forms
