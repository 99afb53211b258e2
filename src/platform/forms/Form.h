#pragma once
// A window with its controls, registered in the runtime's collection of loaded forms so
// that lower layers can reach a form's controls by name.

#include "forms/Control.h"

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

class Form {
public:
    explicit Form(vb::String name);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const vb::String& Name() const { return name_; }

    vb::String Caption;
    float Left = 0;
    float Top = 0;
    float Width = 0;
    float Height = 0;

    bool Visible() const { return visible_; }
    void Show();
    void Hide();
    void Refresh();

    // The window handle in the window manager model (0 until one is given).
    std::intptr_t hwnd = 0;

    // Mouse-down on the part of the client area that no control covers:
    // button, shift, x, y (twips).
    std::function<void(int, int, float, float)> MouseDown;

    const std::vector<Control*>& Controls() const { return controls_; }
    Control* FindControl(vb::StringView name) const;
    template <typename T> T* Find(vb::StringView name) const {
        return dynamic_cast<T*>(FindControl(name));
    }

    // Process-wide presenter in force (headless by default).
    static void SetPresenter(Presenter* presenter);
    static Presenter& CurrentPresenter();

private:
    friend class Control;
    void add(Control* control);
    void remove(Control* control);

    vb::String name_;
    bool visible_ = false;
    std::vector<Control*> controls_;
};

// The runtime's collection of loaded forms.
const std::vector<Form*>& LoadedForms();
Form* FindForm(vb::StringView name);

} // namespace forms
