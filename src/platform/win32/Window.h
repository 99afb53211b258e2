#pragma once
// The window manager model: the windows of forms and of windowed controls on a screen of
// pixels, the cursor and the mouse buttons, and the user32 calls the system makes,
// answered from that model. A window's rectangle follows its object's Left, Top, Width
// and Height (twips); a child window lies in its parent's client area.

#include "forms/Form.h"
#include "forms/Window.h"

#include <cstdint>

namespace win32 {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

using forms::Frame;
using forms::Screen;
using forms::WS_BORDER;
using forms::WS_CAPTION;
using forms::WS_THICKFRAME;

inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0xA1;
inline constexpr std::intptr_t HTCAPTION = 2;
inline constexpr std::int32_t GWL_STYLE = -16;
inline constexpr std::uint32_t SWP_NOSIZE = 0x1;
inline constexpr std::uint32_t SWP_NOMOVE = 0x2;
inline constexpr std::uint32_t SWP_NOZORDER = 0x4;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x10;
inline constexpr std::uint32_t SWP_FRAMECHANGED = 0x20;

class WindowManager {
public:
    static WindowManager& instance();

    Screen& screen = forms::TheScreen();
    // forms::LeftButton, RightButton, MiddleButton held down now.
    int buttons = 0;
    // The window that receives the mouse while a button is held (0: none).
    std::intptr_t capture = 0;

    Point cursor() const { return cursor_; }
    // The mouse moved: a window being dragged follows it at once.
    void setCursor(Point point);
    // Drags the window by its title bar until the buttons are released: the mouse events
    // meanwhile go to the drag alone.
    void dragWindow(std::intptr_t hwnd);
    bool dragging() const { return drag_.hwnd != 0; }

    // The topmost visible form under a screen point.
    forms::Form* windowAt(Point point) const;

    void setFrame(std::intptr_t hwnd, Frame frame);
    Frame frameOf(std::intptr_t hwnd) const;

    Rect windowRect(const forms::Window& window) const;
    // Screen position of the client area's top left corner.
    Point clientOrigin(const forms::Window& window) const;
    // Places the window's top left corner at a screen point.
    void moveTo(forms::Window& window, Point topLeft) const;

    // Back to an empty screen of the default size (tests).
    void reset();

private:
    struct Drag {
        std::intptr_t hwnd = 0;
        Point grip; // the cursor's offset from the window's corner
    };
    Point cursor_;
    Drag drag_;
};

// The calls answer 0 for a handle that names no window.
std::int32_t GetWindowRect(std::intptr_t hwnd, Rect& rect);
std::int32_t ClientToScreen(std::intptr_t hwnd, Point& point);
// In the parent's client pixels for a child window. Raises no Resize event.
std::int32_t MoveWindow(std::intptr_t hwnd, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, std::int32_t repaint);
// GWL_STYLE only; other indexes read 0 and write nothing.
std::int32_t GetWindowLongA(std::intptr_t hwnd, std::int32_t index);
std::int32_t SetWindowLongA(std::intptr_t hwnd, std::int32_t index, std::int32_t value);
// Moves and sizes unless told not to, raising no Resize; SWP_FRAMECHANGED gives the window
// the frame of its style, and its Resize when that changes the client area's size. The
// z-order is left as it is.
std::int32_t SetWindowPos(std::intptr_t hwnd, std::intptr_t insertAfter, std::int32_t x,
                          std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t flags);
std::int32_t GetCursorPos(Point& point);

std::int32_t ReleaseCapture();

// WM_NCLBUTTONDOWN with HTCAPTION: the window follows the mouse, as if its title bar
// were dragged, until the buttons are released; the call returns then. Other messages
// have no effect in the model. Returns 0.
std::int32_t SendMessageA(std::intptr_t hwnd, std::uint32_t msg, std::intptr_t wParam,
                          std::intptr_t lParam);

} // namespace win32
