#include "forms/Control.h"

#include "forms/Form.h"

namespace forms {

Control::Control(Container& parent, vb::String name) : parent_(parent), name_(std::move(name)) {
    parent_.add(this);
}

Control::~Control() {
    parent_.remove(this);
}

void Control::Move(float left, float top, float width, float height) {
    Left = left;
    Top = top;
    Width = width;
    Height = height;
}

void Control::Refresh() {
    parent_.Refresh();
}

Label::Label(Container& parent, vb::String name, vb::String caption)
    : Control(parent, std::move(name)), Caption(std::move(caption)) {}

TextBox::TextBox(Container& parent, vb::String name, vb::String text)
    : Control(parent, std::move(name)), Text(std::move(text)) {}

} // namespace forms
