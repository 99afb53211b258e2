#pragma once
// Shows the visible forms on a character terminal, redrawn in place. A redraw writes at
// most once per interval: a Refresh or a change within it only marks the picture dirty,
// and a timer of the event loop draws the pending state, so the last state always shows
// and a loop that refreshes per file never waits on the terminal. A picture is composed
// again only when something drawn has changed (or the terminal's size), so that a window
// left alone costs nothing, however many controls it holds.
//
// Forms drawn as text are written below the cursor. While a form drawn scaled is visible,
// the terminal's whole screen (its alternate screen) shows a view of the screen: the
// window rectangle that the topmost such form had when it came on top, scaled to the
// terminal, so that a window dragged away moves across it. The terminal's mouse then
// works there: its presses, releases and moves reach the pointer sink as screen points.
// Once the process goes on after a stop (Ctrl+Z, then fg), the next drawing puts the
// terminal's modes back and draws the whole picture again.

#include "forms/CellPicture.h"
#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "forms/TerminalDevice.h"
#include "forms/TerminalInput.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace forms {

// The mouse as the window manager takes it: the pointer's moves and its buttons.
struct PointerEvent {
    enum class Kind { Move, Down, Up, DoubleClick };
    Kind kind = Kind::Move;
    int button = 0;
    ScreenPoint at;
};

class TerminalPresenter final : public Presenter {
public:
    static constexpr std::chrono::milliseconds DefaultInterval{100};
    // A second press of a button on the same cell within this time is a double-click.
    static constexpr std::chrono::milliseconds DoubleClickTime{500};

    // `input` is the terminal's input, read for its mouse reports (-1: none).
    explicit TerminalPresenter(TerminalDevice& device,
                               std::chrono::milliseconds interval = DefaultInterval,
                               int input = -1);
    ~TerminalPresenter() override;
    TerminalPresenter(const TerminalPresenter&) = delete;
    TerminalPresenter& operator=(const TerminalPresenter&) = delete;

    void refresh(Form& form) override;
    void visibilityChanged(Form& form) override;

    // Where the mouse goes while a scaled form shows; without a sink the mouse is not read.
    void setPointerSink(std::function<void(const PointerEvent&)> sink);
    // The scaled picture last drawn, if one shows.
    const CellPicture* scaledPicture() const { return fullScreen_ ? &*picture_ : nullptr; }

    // Draws what is pending and gives the terminal back as it was found.
    void restore();

    // How many pictures have been composed.
    std::size_t compositions() const { return compositions_; }

private:
    void changed();
    void tick();
    // Whether anything drawn has changed since the last drawing (the terminal's size aside,
    // which a Refresh, called per file copied, does not ask the terminal for).
    bool stale() const;
    void draw();
    // After a stop the shell had the terminal: the modes go on again, and the next drawing
    // draws everything.
    void takeBack();
    void drawText();
    void drawScaled(const Form& top);
    void leaveFullScreen();
    // The mouse, the screen and the cursor as they were found.
    void giveBack();
    void syncTimer();
    void syncReading();
    void pointer(const TerminalEvent& event);
    void send(PointerEvent::Kind kind, int button, ScreenPoint at) const;
    std::vector<std::string> compose() const;

    TerminalDevice& device_;
    std::chrono::milliseconds interval_;
    std::vector<std::string> shown_;
    bool active_ = false;
    bool dirty_ = false;
    // None before the first drawing.
    std::optional<std::chrono::steady_clock::time_point> lastDraw_;
    // What the last drawing drew: the count of changes then, and the terminal's size (read
    // once a drawing).
    std::uint64_t drawnAt_ = 0;
    TerminalSize drawnSize_;
    std::size_t compositions_ = 0;
    EventLoop::Id timer_ = 0;

    // The scaled view.
    bool fullScreen_ = false;
    std::intptr_t viewOf_ = 0;
    PixelRect view_;
    TerminalSize viewSize_;
    std::optional<CellPicture> picture_;
    std::vector<std::string> screen_;

    // The mouse.
    int input_;
    std::function<void(const PointerEvent&)> sink_;
    std::optional<TerminalReading> reading_;
    int held_ = 0;
    // From the middle of the pressed cell to the point aimed at, kept while a button is held.
    ScreenPoint grip_;
    struct {
        int button = 0;
        int column = -1;
        int row = -1;
        std::chrono::steady_clock::time_point at{};
        bool doubled = false;
    } lastPress_;
};

} // namespace forms
