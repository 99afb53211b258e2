#include "forms/TerminalPresenter.h"

#include "forms/TextLayout.h"
#include "vb/Clock.h"
#include "vb/Encoding.h"

namespace forms {

namespace {

constexpr std::string_view kEnter = "\x1b[?25l\x1b[?7l"; // cursor hidden, no line wrap
constexpr std::string_view kLeave = "\x1b[?7h\x1b[?25h";

// At most `columns` - 1 characters, so that clearing the rest of the line never eats
// the last one; a surrogate pair is never split.
std::string Clip(const vb::String& line, int columns) {
    const auto limit = static_cast<std::size_t>(columns > 1 ? columns - 1 : 1);
    std::size_t units = 0;
    std::size_t count = 0;
    while (units < line.size() && count < limit) {
        const bool pair = line[units] >= 0xD800 && line[units] <= 0xDBFF &&
                          units + 1 < line.size() && line[units + 1] >= 0xDC00 &&
                          line[units + 1] <= 0xDFFF;
        units += pair ? 2 : 1;
        ++count;
    }
    return vb::ToUtf8(vb::StringView(line).substr(0, units));
}

} // namespace

TerminalPresenter::TerminalPresenter(TerminalDevice& device, std::chrono::milliseconds interval)
    : device_(device), interval_(interval) {}

TerminalPresenter::~TerminalPresenter() {
    if (timer_ != 0) {
        EventLoop::instance().removeTimer(timer_);
    }
    if (active_) {
        device_.write(kLeave);
        device_.setEcho(true);
    }
}

void TerminalPresenter::refresh(Form&) {
    changed();
}

void TerminalPresenter::visibilityChanged(Form&) {
    changed();
}

void TerminalPresenter::changed() {
    const auto now = vb::CurrentClock().ticks();
    if (!drawnOnce_ || now - lastDraw_ >= interval_) {
        draw();
    } else {
        dirty_ = true;
    }
    syncTimer();
}

void TerminalPresenter::tick() {
    // Also catches captions and texts changed without a Refresh, as a repaint would.
    draw();
    syncTimer();
}

void TerminalPresenter::restore() {
    if (dirty_) {
        draw();
    }
    if (active_) {
        device_.write(kLeave);
        device_.setEcho(true);
        active_ = false;
    }
}

std::vector<std::string> TerminalPresenter::compose() const {
    const TerminalSize size = device_.size();
    std::vector<std::string> lines;
    for (const Form* form : LoadedForms()) {
        if (!form->Visible()) {
            continue;
        }
        if (!lines.empty()) {
            lines.emplace_back();
        }
        for (const auto& line : LayoutForm(*form)) {
            lines.push_back(Clip(line, size.columns));
        }
    }
    // Moving back up over the picture only works while it fits on the screen.
    const auto fit = static_cast<std::size_t>(size.rows > 1 ? size.rows - 1 : 1);
    if (lines.size() > fit) {
        lines.resize(fit);
    }
    return lines;
}

void TerminalPresenter::draw() {
    dirty_ = false;
    std::vector<std::string> lines = compose();
    if (lines == shown_) {
        return;
    }
    std::string frame;
    if (!active_) {
        device_.setEcho(false);
        frame += kEnter;
        active_ = true;
    }
    if (!shown_.empty()) {
        frame += "\r\x1b[" + std::to_string(shown_.size()) + "A";
    }
    for (const auto& line : lines) {
        frame += line;
        frame += "\x1b[K\r\n";
    }
    frame += "\x1b[J";
    const bool nothingShown = lines.empty();
    if (nothingShown) {
        frame += kLeave;
        active_ = false;
    }
    device_.write(frame);
    if (nothingShown) {
        device_.setEcho(true);
    }
    shown_ = std::move(lines);
    drawnOnce_ = true;
    lastDraw_ = vb::CurrentClock().ticks();
}

void TerminalPresenter::syncTimer() {
    const bool needed = dirty_ || !shown_.empty();
    if (needed && timer_ == 0) {
        timer_ = EventLoop::instance().addTimer(interval_, [this] { tick(); });
    } else if (!needed && timer_ != 0) {
        EventLoop::instance().removeTimer(timer_);
        timer_ = 0;
    }
}

} // namespace forms
