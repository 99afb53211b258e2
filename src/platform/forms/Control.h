#pragma once
// Controls of a form: the properties the system reads and writes, as plain values.
// Positions and sizes are kept in twips and read and written in the container's scale.

#include "forms/Drawn.h"
#include "forms/Measure.h"
#include "forms/Picture.h"
#include "forms/RaiseEvent.h"
#include "forms/Window.h"
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

// Mouse events as the runtime raises them: the button pressed or released (for a move, the
// buttons held), the shift keys, and the position in the object's scale.
struct MouseEvents {
    using MouseHandler = std::function<void(int Button, int Shift, float X, float Y)>;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    MouseHandler MouseMove;
    std::function<void()> Click;
    std::function<void()> DblClick;
};

class Control : public MouseEvents, private Measured {
public:
    Control(Container& parent, vb::String name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const vb::String& Name() const { return name_; }
    Container& Parent() const { return parent_; }

    Drawn<bool> Visible{true};
    // In the container's scale; a negative width or height raises error 380.
    Measure Left{*this, Axis::Left};
    Measure Top{*this, Axis::Top};
    Measure Width{*this, Axis::Width};
    Measure Height{*this, Axis::Height};
    Font FontInfo;
    Drawn<std::uint32_t> ForeColor{0};

    void Move(float left, float top, float width, float height);
    // 0 brings the control to the front of its siblings, 1 sends it to the back.
    void ZOrder(std::int16_t position = 0);
    // Redraws the control at once (as far as the form's presenter draws anything).
    virtual void Refresh();

    // A measure in twips, whatever the container's scale.
    float Twips(Axis axis) const { return twips_[static_cast<int>(axis)]; }

protected:
    // Sets a measure in twips, whatever the container's scale; a negative size raises 380.
    void SetTwips(Axis axis, float twips);
    PixelRect PixelPlacement() const { return TwipsToPixels(twips_); }
    void PlacePixels(const PixelRect& rect) {
        PixelsToTwips(rect, twips_);
        NoteDrawnChange();
    }
    Window* ContainerWindow() const;
    // The control's size changed through its properties.
    virtual void Resized() {}

private:
    float MeasureOf(Axis axis) const override;
    void SetMeasure(Axis axis, float value) override;

    Container& parent_;
    vb::String name_;
    float twips_[4] = {};
};

// The handle of a control's own window; error 438 for a control that has none.
std::intptr_t HwndOf(const Control& control);

// A control with a window of its own. Base is Window, or Container for one that holds
// controls; such a control raises its container's Resize when its size changes.
template <typename Base> class WindowedControl : public Control, public Base {
public:
    WindowedControl(Container& parent, vb::String name) : Control(parent, std::move(name)) {
        this->SetStyle(WS_CHILD);
    }

    Window* ParentWindow() const override { return ContainerWindow(); }
    PixelRect Placement() const override { return PixelPlacement(); }
    void Place(const PixelRect& rect) override { PlacePixels(rect); }
    bool Shown() const override { return Visible; }
    float ReadWidth() const override { return Width; }
    float ReadHeight() const override { return Height; }
    void ClientAreaResized() override { Resized(); }
    void Refresh() override { Control::Refresh(); }

protected:
    void Resized() override {
        if constexpr (requires(Base & b) { b.Resize; }) {
            RaiseEvent(this->Resize);
        }
    }
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

    Drawn<vb::String> Caption;
    // 0 left, 1 right, 2 centred.
    Drawn<std::int16_t> Alignment{std::int16_t{0}};
    // 0 transparent, 1 opaque.
    Drawn<std::int16_t> BackStyle{std::int16_t{1}};
    Drawn<std::uint32_t> BackColor{Rgb(212, 208, 200)};

    vb::String caption() const override { return Caption; }
    void setCaption(vb::String text) override { Caption = std::move(text); }
    void Refresh() override { Control::Refresh(); }
};

// A picture without a window of its own, stretched to its size when Stretch is set.
class Image : public Control {
public:
    using Control::Control;

    Drawn<forms::Picture> Picture;
    Drawn<bool> Stretch{false};
};

// Any object with a Text property that others write into (a trace target, say).
class TextHolder {
public:
    virtual ~TextHolder() = default;
    virtual vb::String text() const = 0;
    virtual void setText(vb::String text) = 0;
};

class TextBox : public WindowedControl<Window>, public TextHolder {
public:
    TextBox(Container& parent, vb::String name, vb::String text = {});

    Drawn<vb::String> Text;

    vb::String text() const override { return Text; }
    void setText(vb::String text) override { Text = std::move(text); }
};

} // namespace forms
