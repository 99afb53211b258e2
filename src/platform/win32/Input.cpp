#include "win32/Input.h"

#include "forms/EventLoop.h"

#include <utility>

namespace win32 {

namespace {

// The label a press landed on, clicked when the button comes up over it.
struct Pressed {
    std::intptr_t hwnd = 0;
    const forms::Label* label = nullptr;
};
Pressed gPressed;

struct Hit {
    forms::Form* form = nullptr;
    forms::Control* control = nullptr;
    float x = 0; // client twips
    float y = 0;
};

Hit HitTest(Point point) {
    const auto& wm = WindowManager::instance();
    Hit hit;
    hit.form = wm.windowAt(point);
    if (hit.form == nullptr) {
        return hit;
    }
    const Point origin = wm.clientOrigin(*hit.form);
    const auto twips = static_cast<float>(wm.screen.twipsPerPixel);
    hit.x = static_cast<float>(point.x - origin.x) * twips;
    hit.y = static_cast<float>(point.y - origin.y) * twips;
    const auto& controls = hit.form->Controls();
    // The control made last lies on top.
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        const forms::Control& c = **it;
        if (c.Visible && hit.x >= c.Left && hit.x < c.Left + c.Width && hit.y >= c.Top &&
            hit.y < c.Top + c.Height) {
            hit.control = *it;
            break;
        }
    }
    return hit;
}

void ButtonDown(int button) {
    auto& wm = WindowManager::instance();
    wm.buttons |= button;
    const Hit hit = HitTest(wm.cursor());
    if (hit.form == nullptr) {
        return;
    }
    wm.capture = hit.form->hwnd;
    if (hit.control != nullptr) {
        gPressed = Pressed{hit.form->hwnd, dynamic_cast<const forms::Label*>(hit.control)};
        return;
    }
    gPressed = Pressed{};
    if (hit.form->MouseDown) {
        const auto handler = hit.form->MouseDown; // it may unload the form
        handler(button, 0, hit.x, hit.y);
    }
}

void ButtonUp(int button) {
    auto& wm = WindowManager::instance();
    wm.buttons &= ~button;
    if (wm.buttons == 0) {
        wm.capture = 0;
    }
    const Pressed pressed = std::exchange(gPressed, Pressed{});
    if (pressed.label == nullptr) {
        return;
    }
    const Hit hit = HitTest(wm.cursor());
    if (hit.form == nullptr || hit.form->hwnd != pressed.hwnd || hit.control != pressed.label) {
        return;
    }
    if (pressed.label->Click) {
        const auto click = pressed.label->Click;
        click();
    }
}

} // namespace

void QueueMouseMove(Point screenPoint) {
    forms::EventLoop::instance().post(
        [screenPoint] { WindowManager::instance().setCursor(screenPoint); });
}

void QueueButtonDown(int button) {
    forms::EventLoop::instance().post([button] { ButtonDown(button); });
}

void QueueButtonUp(int button) {
    forms::EventLoop::instance().post([button] { ButtonUp(button); });
}

} // namespace win32
