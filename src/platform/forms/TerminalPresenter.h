#pragma once
// Shows the visible forms on a character terminal, redrawn in place. A redraw writes at
// most once per interval: a Refresh or a change within it only marks the picture dirty,
// and a timer of the event loop draws the pending state, so the last state always shows
// and a loop that refreshes per file never waits on the terminal.

#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "forms/TerminalDevice.h"

#include <chrono>
#include <string>
#include <vector>

namespace forms {

class TerminalPresenter final : public Presenter {
public:
    static constexpr std::chrono::milliseconds DefaultInterval{100};

    explicit TerminalPresenter(TerminalDevice& device,
                               std::chrono::milliseconds interval = DefaultInterval);
    ~TerminalPresenter() override;
    TerminalPresenter(const TerminalPresenter&) = delete;
    TerminalPresenter& operator=(const TerminalPresenter&) = delete;

    void refresh(Form& form) override;
    void visibilityChanged(Form& form) override;

    // Draws what is pending and gives the terminal back as it was found.
    void restore();

private:
    void changed();
    void tick();
    void draw();
    void syncTimer();
    std::vector<std::string> compose() const;

    TerminalDevice& device_;
    std::chrono::milliseconds interval_;
    std::vector<std::string> shown_;
    bool active_ = false;
    bool drawnOnce_ = false;
    bool dirty_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
    EventLoop::Id timer_ = 0;
};

} // namespace forms
