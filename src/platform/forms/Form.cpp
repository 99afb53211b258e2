#include "forms/Form.h"

#include "forms/RaiseEvent.h"
#include "vb/Error.h"

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

std::vector<Form*>& Registry() {
    static std::vector<Form*> forms;
    return forms;
}

// Where Windows keeps a minimised window, and the size of its button.
constexpr std::int32_t kMinimizedAt = -32000;
constexpr std::int32_t kMinimizedWidth = 160;
constexpr std::int32_t kMinimizedHeight = 24;

int Index(Axis axis) {
    return static_cast<int>(axis);
}

} // namespace

Form::Form(vb::String name) : name_(std::move(name)) {
    Registry().push_back(this);
    NoteDrawnChange();
}

Form::~Form() {
    if (visible_) {
        --gVisibleForms;
    }
    std::erase(Registry(), this);
    NoteDrawnChange();
}

PixelRect Form::Placement() const {
    const Screen& screen = TheScreen();
    switch (state_) {
    case Maximized:
        return PixelRect{0, 0, screen.width, screen.height};
    case Minimized:
        return PixelRect{kMinimizedAt, kMinimizedAt, kMinimizedWidth, kMinimizedHeight};
    default:
        return TwipsToPixels(twips_);
    }
}

void Form::Place(const PixelRect& rect) {
    PixelsToTwips(rect, twips_);
    NoteDrawnChange();
}

float Form::MeasureOf(Axis axis) const {
    if (state_ == Normal) {
        return twips_[Index(axis)];
    }
    const PixelRect r = Placement();
    const std::int32_t pixels[] = {r.x, r.y, r.width, r.height};
    return static_cast<float>(pixels[Index(axis)] * TheScreen().twipsPerPixel);
}

void Form::SetMeasure(Axis axis, float value) {
    float placement[4];
    std::copy(std::begin(twips_), std::end(twips_), placement);
    placement[Index(axis)] = value;
    Move(placement[0], placement[1], placement[2], placement[3]);
}

void Form::Move(float left, float top) {
    Move(left, top, twips_[2], twips_[3]);
}

void Form::Move(float left, float top, float width, float height) {
    if (width < 0 || height < 0) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    const bool resized = width != twips_[2] || height != twips_[3];
    twips_[0] = left;
    twips_[1] = top;
    twips_[2] = width;
    twips_[3] = height;
    NoteDrawnChange();
    if (resized && state_ == Normal) {
        RaiseResize();
    }
}

void Form::WindowState(std::int16_t state) {
    if (state != Normal && state != Minimized && state != Maximized) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    if (state != state_) {
        state_ = state;
        NoteDrawnChange();
        RaiseResize();
    }
}

void Form::RaiseResize() {
    RaiseEvent(Resize);
}

void Form::Show() {
    if (!visible_) {
        visible_ = true;
        ++gVisibleForms;
        NoteDrawnChange();
        gPresenter->visibilityChanged(*this);
    }
    if (!shownOnce_) {
        shownOnce_ = true;
        RaiseResize();
    }
}

void Form::Hide() {
    if (visible_) {
        visible_ = false;
        --gVisibleForms;
        NoteDrawnChange();
        gPresenter->visibilityChanged(*this);
    }
}

void Form::Refresh() {
    if (visible_) {
        gPresenter->refresh(*this);
    }
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
