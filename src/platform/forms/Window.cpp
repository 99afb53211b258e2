#include "forms/Window.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace forms {

namespace {

// By handle: a window's timer looks its own up at every tick, whatever the count of windows.
std::unordered_map<std::intptr_t, Window*>& Windows() {
    static std::unordered_map<std::intptr_t, Window*> windows;
    return windows;
}

std::intptr_t NextHandle() {
    static std::intptr_t next = 0x10010;
    const std::intptr_t handle = next;
    next += 0x10;
    return handle;
}

} // namespace

Frame FrameOf(std::uint32_t style) {
    Frame frame;
    if ((style & WS_THICKFRAME) != 0) {
        frame.border = 4;
    } else if ((style & (WS_BORDER | WS_DLGFRAME)) != 0) {
        frame.border = 1;
    }
    if ((style & WS_CAPTION) == WS_CAPTION) {
        frame.title = 26;
    }
    return frame;
}

Screen& TheScreen() {
    static Screen screen;
    return screen;
}

std::int32_t TwipsToPixels(float twips) {
    const double pixels = std::round(twips / static_cast<float>(TheScreen().twipsPerPixel));
    // A window cannot reach beyond 32-bit coordinates.
    return static_cast<std::int32_t>(std::clamp<double>(pixels,
                                                        std::numeric_limits<std::int32_t>::min(),
                                                        std::numeric_limits<std::int32_t>::max()));
}

PixelRect TwipsToPixels(const float (&twips)[4]) {
    return PixelRect{TwipsToPixels(twips[0]), TwipsToPixels(twips[1]), TwipsToPixels(twips[2]),
                     TwipsToPixels(twips[3])};
}

void PixelsToTwips(const PixelRect& rect, float (&twips)[4]) {
    const auto perPixel = static_cast<float>(TheScreen().twipsPerPixel);
    twips[0] = static_cast<float>(rect.x) * perPixel;
    twips[1] = static_cast<float>(rect.y) * perPixel;
    twips[2] = static_cast<float>(std::max(rect.width, 0)) * perPixel;
    twips[3] = static_cast<float>(std::max(rect.height, 0)) * perPixel;
}

Window::Window() : hwnd(NextHandle()) {
    Windows().emplace(hwnd, this);
}

Window::~Window() {
    Windows().erase(hwnd);
}

std::int32_t Window::ClientWidth() const {
    return std::max(0, Placement().width - 2 * frame.border);
}

std::int32_t Window::ClientHeight() const {
    return std::max(0, Placement().height - 2 * frame.border - frame.title);
}

PixelRect ScreenRect(const Window& window) {
    PixelRect r = window.Placement();
    if (const Window* parent = window.ParentWindow()) {
        const PixelRect client = ClientRect(*parent);
        r.x += client.x;
        r.y += client.y;
    }
    return r;
}

PixelRect ClientRect(const Window& window) {
    const PixelRect r = ScreenRect(window);
    return PixelRect{r.x + window.frame.border, r.y + window.frame.border + window.frame.title,
                     window.ClientWidth(), window.ClientHeight()};
}

Window* WindowFromHandle(std::intptr_t hwnd) {
    const auto& windows = Windows();
    const auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : it->second;
}

} // namespace forms
