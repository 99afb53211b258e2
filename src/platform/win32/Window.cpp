#include "win32/Window.h"

#include "forms/EventLoop.h"

namespace win32 {

WindowManager& WindowManager::instance() {
    static WindowManager manager;
    return manager;
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
    if (forms::Window* window = forms::WindowFromHandle(hwnd)) {
        window->frame = frame;
        forms::NoteDrawnChange();
    }
}

Frame WindowManager::frameOf(std::intptr_t hwnd) const {
    const forms::Window* window = forms::WindowFromHandle(hwnd);
    return window != nullptr ? window->frame : Frame{};
}

Rect WindowManager::windowRect(const forms::Window& window) const {
    const forms::PixelRect r = forms::ScreenRect(window);
    return Rect{r.x, r.y, r.x + r.width, r.y + r.height};
}

Point WindowManager::clientOrigin(const forms::Window& window) const {
    const forms::PixelRect client = forms::ClientRect(window);
    return Point{client.x, client.y};
}

void WindowManager::moveTo(forms::Window& window, Point topLeft) const {
    forms::PixelRect placement = window.Placement();
    const Point base =
        window.ParentWindow() != nullptr ? clientOrigin(*window.ParentWindow()) : Point{};
    placement.x = topLeft.x - base.x;
    placement.y = topLeft.y - base.y;
    window.Place(placement);
}

void WindowManager::setCursor(Point point) {
    cursor_ = point;
    if (drag_.hwnd == 0 || buttons == 0) {
        return;
    }
    if (forms::Window* window = forms::WindowFromHandle(drag_.hwnd)) {
        moveTo(*window, Point{point.x - drag_.grip.x, point.y - drag_.grip.y});
    }
}

void WindowManager::dragWindow(std::intptr_t hwnd) {
    const forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr || buttons == 0 || drag_.hwnd != 0) {
        return;
    }
    const Rect start = windowRect(*window);
    drag_ = Drag{hwnd, Point{cursor_.x - start.left, cursor_.y - start.top}};
    auto& loop = forms::EventLoop::instance();
    // Mouse events run inside this loop, one by one, and move the window as they come.
    while (buttons != 0 && forms::WindowFromHandle(hwnd) != nullptr) {
        if (!loop.waitEvents()) {
            break; // no mouse event can ever come
        }
    }
    drag_ = Drag{};
    capture = 0;
}

void WindowManager::reset() {
    screen = Screen{};
    buttons = 0;
    capture = 0;
    cursor_ = Point{};
    drag_ = Drag{};
}

std::int32_t GetWindowRect(std::intptr_t hwnd, Rect& rect) {
    const forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr) {
        return 0;
    }
    rect = WindowManager::instance().windowRect(*window);
    return 1;
}

std::int32_t ClientToScreen(std::intptr_t hwnd, Point& point) {
    const forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr) {
        return 0;
    }
    const Point origin = WindowManager::instance().clientOrigin(*window);
    point.x += origin.x;
    point.y += origin.y;
    return 1;
}

std::int32_t MoveWindow(std::intptr_t hwnd, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, std::int32_t) {
    forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr) {
        return 0;
    }
    window->Place(forms::PixelRect{x, y, width, height});
    return 1;
}

std::int32_t GetWindowLongA(std::intptr_t hwnd, std::int32_t index) {
    const forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr || index != GWL_STYLE) {
        return 0;
    }
    return static_cast<std::int32_t>(window->Style);
}

std::int32_t SetWindowLongA(std::intptr_t hwnd, std::int32_t index, std::int32_t value) {
    forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr || index != GWL_STYLE) {
        return 0;
    }
    const auto previous = static_cast<std::int32_t>(window->Style);
    window->Style = static_cast<std::uint32_t>(value);
    forms::NoteDrawnChange();
    return previous;
}

std::int32_t SetWindowPos(std::intptr_t hwnd, std::intptr_t, std::int32_t x, std::int32_t y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
    forms::Window* window = forms::WindowFromHandle(hwnd);
    if (window == nullptr) {
        return 0;
    }
    forms::PixelRect placement = window->Placement();
    if ((flags & SWP_NOMOVE) == 0) {
        placement.x = x;
        placement.y = y;
    }
    if ((flags & SWP_NOSIZE) == 0) {
        placement.width = cx;
        placement.height = cy;
    }
    if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        window->Place(placement);
    }
    if ((flags & SWP_FRAMECHANGED) != 0) {
        const std::int32_t width = window->ClientWidth();
        const std::int32_t height = window->ClientHeight();
        window->frame = forms::FrameOf(window->Style);
        forms::NoteDrawnChange();
        if (window->ClientWidth() != width || window->ClientHeight() != height) {
            window->ClientAreaResized();
        }
    }
    return 1;
}

std::int32_t GetCursorPos(Point& point) {
    point = WindowManager::instance().cursor();
    return 1;
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
