#include "win32/Window.h"

#include "forms/EventLoop.h"

#include <algorithm>
#include <cmath>

namespace win32 {

WindowManager& WindowManager::instance() {
    static WindowManager manager;
    return manager;
}

forms::Form* WindowManager::windowOf(std::intptr_t hwnd) const {
    for (forms::Form* form : forms::LoadedForms()) {
        if (form->hwnd == hwnd) {
            return form;
        }
    }
    return nullptr;
}

forms::Form* WindowManager::windowAt(Point point) const {
    const auto& forms = forms::LoadedForms();
    // The last form loaded lies on top.
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        if (!(*it)->Visible()) {
            continue;
        }
        const Rect r = windowRect(**it);
        if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) {
            return *it;
        }
    }
    return nullptr;
}

void WindowManager::setFrame(std::intptr_t hwnd, Frame frame) {
    const auto it = std::find_if(frames_.begin(), frames_.end(),
                                 [&](const FrameEntry& e) { return e.hwnd == hwnd; });
    if (it != frames_.end()) {
        it->frame = frame;
    } else {
        frames_.push_back(FrameEntry{hwnd, frame});
    }
}

Frame WindowManager::frameOf(std::intptr_t hwnd) const {
    const auto it = std::find_if(frames_.begin(), frames_.end(),
                                 [&](const FrameEntry& e) { return e.hwnd == hwnd; });
    return it != frames_.end() ? it->frame : Frame{};
}

std::int32_t WindowManager::toPixels(float twips) const {
    return static_cast<std::int32_t>(std::lround(twips / static_cast<float>(screen.twipsPerPixel)));
}

Rect WindowManager::windowRect(const forms::Form& form) const {
    const std::int32_t left = toPixels(form.Left);
    const std::int32_t top = toPixels(form.Top);
    return Rect{left, top, left + toPixels(form.Width), top + toPixels(form.Height)};
}

Point WindowManager::clientOrigin(const forms::Form& form) const {
    const Rect r = windowRect(form);
    const Frame f = frameOf(form.hwnd);
    return Point{r.left + f.border, r.top + f.border + f.title};
}

void WindowManager::moveTo(forms::Form& form, Point topLeft) const {
    form.Left = static_cast<float>(topLeft.x * screen.twipsPerPixel);
    form.Top = static_cast<float>(topLeft.y * screen.twipsPerPixel);
}

void WindowManager::setCursor(Point point) {
    cursor_ = point;
    if (drag_.hwnd == 0 || buttons == 0) {
        return;
    }
    if (forms::Form* form = windowOf(drag_.hwnd)) {
        moveTo(*form, Point{point.x - drag_.grip.x, point.y - drag_.grip.y});
    }
}

void WindowManager::dragWindow(std::intptr_t hwnd) {
    const forms::Form* form = windowOf(hwnd);
    if (form == nullptr || buttons == 0 || drag_.hwnd != 0) {
        return;
    }
    const Rect start = windowRect(*form);
    drag_ = Drag{hwnd, Point{cursor_.x - start.left, cursor_.y - start.top}};
    auto& loop = forms::EventLoop::instance();
    // Mouse events run inside this loop, one by one, and move the window as they come.
    while (buttons != 0 && windowOf(hwnd) != nullptr) {
        if (!loop.waitEvents()) {
            break; // no mouse event can ever come
        }
    }
    drag_ = Drag{};
}

void WindowManager::reset() {
    *this = WindowManager{};
}

std::int32_t ReleaseCapture() {
    WindowManager::instance().capture = 0;
    return 1;
}

std::int32_t SendMessageA(std::intptr_t hwnd, std::uint32_t msg, std::intptr_t wParam,
                          std::intptr_t) {
    if (msg == WM_NCLBUTTONDOWN && wParam == HTCAPTION) {
        WindowManager::instance().dragWindow(hwnd);
    }
    return 0;
}

} // namespace win32
