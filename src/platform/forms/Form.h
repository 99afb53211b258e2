#pragma once
// A window with its controls, registered in the runtime's collection of loaded forms so
// that lower layers can reach a form's controls by name.

#include "forms/Control.h"
#include "forms/Picture.h"

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

// What holds controls: a form, or a user control with child controls of its own.
class Container {
public:
    Container() = default;
    virtual ~Container() = default;
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;

    const std::vector<Control*>& Controls() const { return controls_; }
    Control* FindControl(vb::StringView name) const;
    template <typename T> T* Find(vb::StringView name) const {
        return dynamic_cast<T*>(FindControl(name));
    }
    // Redraws the container at once, as far as anything shows it.
    virtual void Refresh() = 0;

private:
    friend class Control;
    void add(Control* control);
    void remove(Control* control);

    std::vector<Control*> controls_;
};

// A control that carries child controls of its own.
class UserControl : public Control, public Container {
public:
    UserControl(Container& parent, vb::String name) : Control(parent, std::move(name)) {}
    void Refresh() override { Control::Refresh(); }
};

class Form : public Container {
public:
    explicit Form(vb::String name);
    ~Form() override;

    const vb::String& Name() const { return name_; }

    vb::String Caption;
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;

    bool Visible() const { return visible_; }
    void Show();
    void Hide();
    void Refresh() override;

    // The window's handle, unique in the process, given when the form is created.
    const std::intptr_t hwnd;

    // Background picture of the client area, and the window's icon.
    forms::Picture Picture;
    forms::Picture Icon;

    // Mouse-down on the part of the client area that no control covers:
    // button, shift, x, y (twips).
    std::function<void(int, int, float, float)> MouseDown;
    // What a click on the window's close box does; Ctrl+C on a visible window clicks it.
    // Empty when the window has no close box.
    std::function<void()> CloseBox;

    // Process-wide presenter in force (headless by default).
    static void SetPresenter(Presenter* presenter);
    static Presenter& CurrentPresenter();

private:
    vb::String name_;
    bool visible_ = false;
};

// The runtime's collection of loaded forms.
const std::vector<Form*>& LoadedForms();
Form* FindForm(vb::StringView name);
// How many forms are visible now; safe to read from a signal handler.
int VisibleFormCount();

} // namespace forms
