#include "forms/Form.h"

#include <algorithm>

namespace forms {

namespace {

class HeadlessPresenter final : public Presenter {
public:
    void refresh(Form&) override {}
    void visibilityChanged(Form&) override {}
};

HeadlessPresenter gHeadless;
Presenter* gPresenter = &gHeadless;

std::vector<Form*>& Registry() {
    static std::vector<Form*> forms;
    return forms;
}

} // namespace

Form::Form(vb::String name) : name_(std::move(name)) {
    Registry().push_back(this);
}

Form::~Form() {
    std::erase(Registry(), this);
}

void Form::Show() {
    if (!visible_) {
        visible_ = true;
        gPresenter->visibilityChanged(*this);
    }
}

void Form::Hide() {
    if (visible_) {
        visible_ = false;
        gPresenter->visibilityChanged(*this);
    }
}

void Form::Refresh() {
    if (visible_) {
        gPresenter->refresh(*this);
    }
}

Control* Container::FindControl(vb::StringView name) const {
    const auto it = std::find_if(controls_.begin(), controls_.end(), [&](const Control* c) {
        return vb::Equal(c->Name(), name, vb::Compare::Text);
    });
    return it == controls_.end() ? nullptr : *it;
}

void Container::add(Control* control) {
    controls_.push_back(control);
}

void Container::remove(Control* control) {
    std::erase(controls_, control);
}

void Form::SetPresenter(Presenter* presenter) {
    gPresenter = presenter != nullptr ? presenter : &gHeadless;
}

Presenter& Form::CurrentPresenter() {
    return *gPresenter;
}

const std::vector<Form*>& LoadedForms() {
    return Registry();
}

Form* FindForm(vb::StringView name) {
    for (Form* form : Registry()) {
        if (vb::Equal(form->Name(), name, vb::Compare::Text)) {
            return form;
        }
    }
    return nullptr;
}

} // namespace forms
