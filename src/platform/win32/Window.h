#pragma once
// The window manager model: each form's window on a screen of pixels, the cursor and the
// mouse buttons, and the user32 calls the system makes, answered from that model.
// A window's rectangle follows its form's Left, Top, Width and Height (twips).

#include "forms/Form.h"

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

inline constexpr std::uint32_t WM_NCLBUTTONDOWN = 0xA1;
inline constexpr std::intptr_t HTCAPTION = 2;

// Border and title bar of a window, in pixels; a form's window has none until set.
struct Frame {
    std::int32_t border = 0;
    std::int32_t title = 0;
};

struct Screen {
    std::int32_t width = 1024;
    std::int32_t height = 768;
    std::int32_t twipsPerPixel = 15;
};

class WindowManager {
public:
    static WindowManager& instance();

    Screen screen;
    // forms::LeftButton, RightButton, MiddleButton held down now.
    int buttons = 0;
    // The window that receives the mouse while a button is held (0: none).
    std::intptr_t capture = 0;

    Point cursor() const { return cursor_; }
    // The mouse moved: a window being dragged follows it at once.
    void setCursor(Point point);
    // Drags the window by its title bar until the buttons are released.
    void dragWindow(std::intptr_t hwnd);

    forms::Form* windowOf(std::intptr_t hwnd) const;
    // The topmost visible window under a screen point.
    forms::Form* windowAt(Point point) const;

    void setFrame(std::intptr_t hwnd, Frame frame);
    Frame frameOf(std::intptr_t hwnd) const;

    Rect windowRect(const forms::Form& form) const;
    // Screen position of the client area's top left corner.
    Point clientOrigin(const forms::Form& form) const;
    // Places the window's top left corner at a screen point.
    void moveTo(forms::Form& form, Point topLeft) const;

    // Back to an empty screen (tests).
    void reset();

private:
    std::int32_t toPixels(float twips) const;

    struct Drag {
        std::intptr_t hwnd = 0;
        Point grip; // the cursor's offset from the window's corner
    };
    Point cursor_;
    Drag drag_;

    struct FrameEntry {
        std::intptr_t hwnd;
        Frame frame;
    };
    std::vector<FrameEntry> frames_;
};

std::int32_t ReleaseCapture();

// WM_NCLBUTTONDOWN with HTCAPTION: the window follows the mouse, as if its title bar
// were dragged, until the buttons are released; the call returns then. Other messages
// have no effect in the model. Returns 0.
std::int32_t SendMessageA(std::intptr_t hwnd, std::uint32_t msg, std::intptr_t wParam,
                          std::intptr_t lParam);

} // namespace win32
