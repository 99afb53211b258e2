#pragma once
// Controls of a form: the properties the system reads and writes, as plain values.
// Positions and sizes are in twips.

#include "vb/String.h"

#include <cstdint>
#include <functional>

namespace forms {

class Container;

struct Font {
    vb::String Name = u"MS Sans Serif";
    float Size = 8.25F;
    bool Bold = false;
};

// Colours as the runtime stores them: red in the low byte, then green, then blue.
inline constexpr std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

// Mouse buttons and shift keys as the runtime passes them to mouse events.
inline constexpr int LeftButton = 1;
inline constexpr int RightButton = 2;
inline constexpr int MiddleButton = 4;

class Control {
public:
    Control(Container& parent, vb::String name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const vb::String& Name() const { return name_; }
    Container& Parent() const { return parent_; }

    bool Visible = true;
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;
    Font FontInfo;
    std::uint32_t ForeColor = 0;

    void Move(float left, float top, float width, float height);
    // Redraws the control at once (as far as the form's presenter draws anything).
    virtual void Refresh();

private:
    Container& parent_;
    vb::String name_;
};

// Any control with a caption that can be redrawn at once: what progress is written to.
class ProgressLabel {
public:
    virtual ~ProgressLabel() = default;
    virtual vb::String caption() const = 0;
    virtual void setCaption(vb::String text) = 0;
    virtual void Refresh() = 0;
};

class Label : public Control, public ProgressLabel {
public:
    Label(Container& parent, vb::String name, vb::String caption = {});

    vb::String Caption;
    std::function<void()> Click;

    vb::String caption() const override { return Caption; }
    void setCaption(vb::String text) override { Caption = std::move(text); }
    void Refresh() override { Control::Refresh(); }
};

// Any object with a Text property that others write into (a trace target, say).
class TextHolder {
public:
    virtual ~TextHolder() = default;
    virtual vb::String text() const = 0;
    virtual void setText(vb::String text) = 0;
};

class TextBox : public Control, public TextHolder {
public:
    TextBox(Container& parent, vb::String name, vb::String text = {});

    vb::String Text;

    vb::String text() const override { return Text; }
    void setText(vb::String text) override { Text = std::move(text); }
};

} // namespace forms
