#pragma once
// What the window manager knows of a form, or of a control with a window of its own: a
// handle, style bits, a frame, and a rectangle in pixels within its parent window's client
// area (on the screen for a form).

#include "forms/Drawn.h"

#include <cstdint>

namespace forms {

// Style bits of a window (GWL_STYLE).
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;

// A window's border width and the extra height of its title bar, in pixels.
struct Frame {
    std::int32_t border = 0;
    std::int32_t title = 0;
};

// The frame that style bits give: a sizing border is 4 pixels, a thin one 1; WS_CAPTION
// adds a 26-pixel title bar.
Frame FrameOf(std::uint32_t style);

struct Screen {
    std::int32_t width = 1024;
    std::int32_t height = 768;
    std::int32_t twipsPerPixel = 15;
};

// The screen the forms stand on (the runtime's Screen object).
Screen& TheScreen();

// Twips to whole pixels, as a window's rectangle takes them.
std::int32_t TwipsToPixels(float twips);

// A window's place: its top left corner and its size, in pixels.
struct PixelRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// A placement kept in twips (left, top, width, height) in whole pixels, and back; a
// negative size comes back as 0.
PixelRect TwipsToPixels(const float (&twips)[4]);
void PixelsToTwips(const PixelRect& rect, float (&twips)[4]);

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Unique in the process, given when the window is made.
    const std::intptr_t hwnd;

    // GWL_STYLE. The frame follows it only when the window is told its frame changed.
    std::uint32_t Style = 0;
    Frame frame;

    // Style and frame together, as a window is designed.
    void SetStyle(std::uint32_t style) {
        Style = style;
        frame = FrameOf(style);
        NoteDrawnChange();
    }

    // The window whose client area holds this one; none for a form.
    virtual Window* ParentWindow() const = 0;
    // Within the parent window's client area, or on the screen for a form.
    virtual PixelRect Placement() const = 0;
    // Moves and sizes the window alone: no Resize event is raised.
    virtual void Place(const PixelRect& rect) = 0;
    virtual bool Shown() const = 0;
    // The Width and Height properties as the object reports them.
    virtual float ReadWidth() const = 0;
    virtual float ReadHeight() const = 0;
    // The client area's size changed under the object, its frame having changed: the
    // object raises its Resize, as for a size set through its properties.
    virtual void ClientAreaResized() {}

    std::int32_t ClientWidth() const;
    std::int32_t ClientHeight() const;
};

// A window's rectangle and its client area's, on the screen.
PixelRect ScreenRect(const Window& window);
PixelRect ClientRect(const Window& window);

// The window with that handle; none when it was never made or is gone.
Window* WindowFromHandle(std::intptr_t hwnd);

} // namespace forms
