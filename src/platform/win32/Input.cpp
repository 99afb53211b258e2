#include "win32/Input.h"

#include "forms/EventLoop.h"
#include "forms/RaiseEvent.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace win32 {

namespace {

// What receives a mouse event: a window, or a control without a window of its own drawn
// on that window's client area.
struct Target {
    std::intptr_t hwnd = 0;
    forms::Control* windowless = nullptr;
    bool operator==(const Target&) const = default;
};

// From the first button down until the last one is up.
struct Press {
    Target target;
    bool doubleClick = false;
};
std::optional<Press> gPress;

bool Contains(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

Target HitTest(Point p) {
    const auto& wm = WindowManager::instance();
    forms::Container* container = wm.windowAt(p);
    const auto twips = static_cast<float>(wm.screen.twipsPerPixel);
    while (container != nullptr) {
        const Point o = wm.clientOrigin(*container);
        if (!Contains(
                Rect{o.x, o.y, o.x + container->ClientWidth(), o.y + container->ClientHeight()},
                p)) {
            return Target{}; // a frame: no mouse event
        }
        const auto& controls = container->Controls();
        // Windows lie above the controls drawn on their container's surface.
        forms::Window* child = nullptr;
        for (auto it = controls.rbegin(); it != controls.rend() && child == nullptr; ++it) {
            auto* window = dynamic_cast<forms::Window*>(*it);
            if (window != nullptr && (*it)->Visible && container->Shows(**it) &&
                Contains(wm.windowRect(*window), p)) {
                child = window;
            }
        }
        if (child != nullptr) {
            if (auto* inner = dynamic_cast<forms::Container*>(child)) {
                container = inner;
                continue;
            }
            return Target{child->hwnd};
        }
        const float x = static_cast<float>(p.x - o.x) * twips;
        const float y = static_cast<float>(p.y - o.y) * twips;
        for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
            forms::Control& c = **it;
            const float left = c.Twips(forms::Axis::Left);
            const float top = c.Twips(forms::Axis::Top);
            if (dynamic_cast<forms::Window*>(&c) == nullptr && c.Visible && container->Shows(c) &&
                x >= left && x < left + c.Twips(forms::Axis::Width) && y >= top &&
                y < top + c.Twips(forms::Axis::Height)) {
                return Target{container->hwnd, &c};
            }
        }
        return Target{container->hwnd};
    }
    return Target{};
}

// The object's events, or none when it is gone.
forms::MouseEvents* EventsOf(const Target& t) {
    forms::Window* window = forms::WindowFromHandle(t.hwnd);
    if (window == nullptr || t.windowless == nullptr) {
        return dynamic_cast<forms::MouseEvents*>(window);
    }
    const auto* container = dynamic_cast<forms::Container*>(window);
    if (container == nullptr ||
        std::find(container->Controls().begin(), container->Controls().end(), t.windowless) ==
            container->Controls().end()) {
        return nullptr;
    }
    return t.windowless;
}

// The point in the object's scale, from its client area's corner (a windowless control:
// from its own corner, in its container's scale).
std::pair<float, float> PositionIn(const Target& t, Point p) {
    const auto& wm = WindowManager::instance();
    forms::Window* window = forms::WindowFromHandle(t.hwnd);
    const Point o = wm.clientOrigin(*window);
    const auto twips = static_cast<float>(wm.screen.twipsPerPixel);
    float x = static_cast<float>(p.x - o.x) * twips;
    float y = static_cast<float>(p.y - o.y) * twips;
    float unit = 1;
    if (t.windowless != nullptr) {
        x -= t.windowless->Twips(forms::Axis::Left);
        y -= t.windowless->Twips(forms::Axis::Top);
        unit = t.windowless->Parent().UnitTwips();
    } else if (const auto* container = dynamic_cast<forms::Container*>(window)) {
        unit = container->UnitTwips();
    } else if (const auto* control = dynamic_cast<forms::Control*>(window)) {
        unit = control->Parent().UnitTwips();
    }
    return {x / unit, y / unit};
}

void RaiseMouse(const Target& t, forms::MouseEvents::MouseHandler forms::MouseEvents::*event,
                int button, Point p) {
    const forms::MouseEvents* events = EventsOf(t);
    if (events != nullptr && events->*event) {
        const auto [x, y] = PositionIn(t, p);
        forms::RaiseEvent(events->*event, button, 0, x, y);
    }
}

void RaiseClick(const Target& t, std::function<void()> forms::MouseEvents::*event) {
    if (const forms::MouseEvents* events = EventsOf(t)) {
        forms::RaiseEvent(events->*event);
    }
}

// The object pressed while it holds the capture, otherwise the one under the cursor.
Target Receiver() {
    const auto& wm = WindowManager::instance();
    if (gPress.has_value() && wm.capture != 0) {
        return gPress->target;
    }
    return HitTest(wm.cursor());
}

void MouseMove(Point p) {
    auto& wm = WindowManager::instance();
    wm.setCursor(p);
    if (!wm.dragging()) {
        RaiseMouse(Receiver(), &forms::MouseEvents::MouseMove, wm.buttons, p);
    }
}

void ButtonDown(int button, bool doubleClick) {
    auto& wm = WindowManager::instance();
    const bool first = wm.buttons == 0;
    wm.buttons |= button;
    if (wm.dragging()) {
        return;
    }
    if (first) {
        const Target hit = HitTest(wm.cursor());
        gPress = Press{hit, doubleClick};
        wm.capture = hit.hwnd;
    }
    if (doubleClick) {
        RaiseClick(Receiver(), &forms::MouseEvents::DblClick);
    } else {
        RaiseMouse(Receiver(), &forms::MouseEvents::MouseDown, button, wm.cursor());
    }
}

void ButtonUp(int button) {
    auto& wm = WindowManager::instance();
    wm.buttons &= ~button;
    if (wm.dragging()) {
        if (wm.buttons == 0) {
            gPress.reset(); // the drag took the release
        }
        return;
    }
    RaiseMouse(Receiver(), &forms::MouseEvents::MouseUp, button, wm.cursor());
    if (wm.buttons != 0) {
        return;
    }
    wm.capture = 0;
    const std::optional<Press> press = std::exchange(gPress, std::nullopt);
    if (press.has_value() && !press->doubleClick && press->target.hwnd != 0 &&
        HitTest(wm.cursor()) == press->target) {
        RaiseClick(press->target, &forms::MouseEvents::Click);
    }
}

} // namespace

void QueueMouseMove(Point screenPoint) {
    forms::EventLoop::instance().post([screenPoint] { MouseMove(screenPoint); });
}

void QueueButtonDown(int button) {
    forms::EventLoop::instance().post([button] { ButtonDown(button, false); });
}

void QueueButtonUp(int button) {
    forms::EventLoop::instance().post([button] { ButtonUp(button); });
}

void QueueDoubleClick(int button) {
    forms::EventLoop::instance().post([button] { ButtonDown(button, true); });
}

} // namespace win32

namespace win32 {

void FollowTerminalPointer(forms::TerminalPresenter& presenter) {
    presenter.setPointerSink([](const forms::PointerEvent& event) {
        switch (event.kind) {
        case forms::PointerEvent::Kind::Move:
            QueueMouseMove(Point{event.at.x, event.at.y});
            break;
        case forms::PointerEvent::Kind::Down:
            QueueButtonDown(event.button);
            break;
        case forms::PointerEvent::Kind::Up:
            QueueButtonUp(event.button);
            break;
        case forms::PointerEvent::Kind::DoubleClick:
            QueueDoubleClick(event.button);
            break;
        }
    });
}

} // namespace win32
