#include "forms/Form.h"

#include <algorithm>
#include <atomic>

namespace forms {

namespace {

class HeadlessPresenter final : public Presenter {
public:
    void refresh(Form&) override {}
    void visibilityChanged(Form&) override {}
};

HeadlessPresenter gHeadless;
Presenter* gPresenter = &gHeadless;

std::atomic<int> gVisibleForms{0};
static_assert(std::atomic<int>::is_always_lock_free);

std::intptr_t NextHandle() {
    static std::intptr_t next = 0x10010;
    const std::intptr_t handle = next;
    next += 0x10;
    return handle;
}

std::vector<Form*>& Registry() {
    static std::vector<Form*> forms;
    return forms;
}

} // namespace

Form::Form(vb::String name) : hwnd(NextHandle()), name_(std::move(name)) {
    Registry().push_back(this);
}

Form::~Form() {
    if (visible_) {
        --gVisibleForms;
    }
    std::erase(Registry(), this);
}

void Form::Show() {
    if (!visible_) {
        visible_ = true;
        ++gVisibleForms;
        gPresenter->visibilityChanged(*this);
    }
}

void Form::Hide() {
    if (visible_) {
        visible_ = false;
        --gVisibleForms;
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

int VisibleFormCount() {
    return gVisibleForms.load();
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
