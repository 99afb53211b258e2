#pragma once
// A window with its controls, registered in the runtime's collection of loaded forms so
// that lower layers can reach a form's controls by name.

#include "forms/Container.h"
#include "forms/Control.h"
#include "forms/Measure.h"
#include "forms/Picture.h"
#include "forms/UserControl.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace forms {

class Form;

// What shows a form to a person. The default shows nothing (headless).
class Presenter {
public:
    virtual ~Presenter() = default;
    // The form or one of its controls asked to be redrawn at once.
    virtual void refresh(Form& form) = 0;
    // The form was shown or hidden.
    virtual void visibilityChanged(Form& form) = 0;
};

// Window states.
inline constexpr std::int16_t Normal = 0;
inline constexpr std::int16_t Minimized = 1;
inline constexpr std::int16_t Maximized = 2;

class Form : public Container, public MouseEvents, private Measured {
public:
    explicit Form(vb::String name);
    ~Form() override;

    const vb::String& Name() const { return name_; }

    vb::String Caption;
    // Twips on the screen. Maximised, the form reports the screen; minimised, a small
    // rectangle far off it; sizes set meanwhile apply once it is back to normal.
    Measure Left{*this, Axis::Left};
    Measure Top{*this, Axis::Top};
    Measure Width{*this, Axis::Width};
    Measure Height{*this, Axis::Height};

    void Move(float left, float top);
    void Move(float left, float top, float width, float height);

    // 0 normal, 1 minimised, 2 maximised; any other value raises error 380.
    std::int16_t WindowState() const { return state_; }
    void WindowState(std::int16_t state);

    bool Visible() const { return visible_; }
    // The first showing raises Resize, as the runtime does once a form is laid out.
    void Show();
    void Hide();
    void Refresh() override;

    // Background picture of the client area, and the window's icon.
    Drawn<forms::Picture> Picture;
    forms::Picture Icon;
    Drawn<std::uint32_t> BackColor{Rgb(212, 208, 200)};
    // On a terminal: drawn as a picture of its window scaled to the terminal, rather than
    // as lines of text.
    Drawn<bool> ScaledOnTerminal{false};

    // What a click on the window's close box does; Ctrl+C on a visible window clicks it.
    // Empty when the window has no close box.
    std::function<void()> CloseBox;

    Window* ParentWindow() const override { return nullptr; }
    PixelRect Placement() const override;
    void Place(const PixelRect& rect) override;
    bool Shown() const override { return visible_; }
    float ReadWidth() const override { return Width; }
    float ReadHeight() const override { return Height; }
    void ClientAreaResized() override { RaiseResize(); }

    // Process-wide presenter in force (headless by default).
    static void SetPresenter(Presenter* presenter);
    static Presenter& CurrentPresenter();

private:
    float MeasureOf(Axis axis) const override;
    void SetMeasure(Axis axis, float value) override;
    void RaiseResize();

    vb::String name_;
    bool visible_ = false;
    bool shownOnce_ = false;
    std::int16_t state_ = Normal;
    // The normal placement, in twips.
    float twips_[4] = {};
};

// The runtime's collection of loaded forms.
const std::vector<Form*>& LoadedForms();
Form* FindForm(vb::StringView name);
// How many forms are visible now; safe to read from a signal handler.
int VisibleFormCount();

} // namespace forms
