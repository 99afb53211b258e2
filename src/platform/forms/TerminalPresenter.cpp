#include "forms/TerminalPresenter.h"

#include "forms/TerminalRescue.h"
#include "forms/TextLayout.h"
#include "vb/Clock.h"
#include "vb/Encoding.h"

namespace forms {

namespace {

constexpr std::string_view kEnter = "\x1b[?25l\x1b[?7l"; // cursor hidden, no line wrap
constexpr std::string_view kLeave = "\x1b[?7h\x1b[?25h";
// The alternate screen, cleared; leaving it gives back the screen and cursor as they were.
constexpr std::string_view kEnterFullScreen = "\x1b[?1049h\x1b[H\x1b[2J";
constexpr std::string_view kLeaveFullScreen = "\x1b[0m\x1b[?1049l";

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
    return vb::ToTerminal(vb::StringView(line).substr(0, units));
}

// The topmost visible form drawn scaled.
const Form* TopScaledForm() {
    const Form* top = nullptr;
    for (const Form* form : LoadedForms()) {
        if (form->Visible() && form->ScaledOnTerminal) {
            top = form;
        }
    }
    return top;
}

ScreenPoint Plus(ScreenPoint a, ScreenPoint b) {
    return ScreenPoint{a.x + b.x, a.y + b.y};
}

} // namespace

TerminalPresenter::TerminalPresenter(TerminalDevice& device, std::chrono::milliseconds interval,
                                     int input)
    : device_(device), interval_(interval), input_(input) {}

TerminalPresenter::~TerminalPresenter() {
    if (timer_ != 0) {
        EventLoop::instance().removeTimer(timer_);
    }
    giveBack();
}

void TerminalPresenter::refresh(Form&) {
    changed();
}

void TerminalPresenter::visibilityChanged(Form&) {
    changed();
}

bool TerminalPresenter::stale() const {
    return !lastDraw_ || dirty_ || ResumePending() || DrawnChanges() != drawnAt_;
}

void TerminalPresenter::changed() {
    if (!stale()) {
        return;
    }
    const auto now = vb::CurrentClock().ticks();
    if (!lastDraw_ || now - *lastDraw_ >= interval_) {
        draw();
    } else {
        dirty_ = true;
    }
    syncTimer();
}

void TerminalPresenter::tick() {
    // Also catches what changed without a Refresh, as a repaint would; nothing else.
    if (stale() || device_.size() != drawnSize_) {
        draw();
    }
    syncTimer();
}

void TerminalPresenter::restore() {
    if (lastDraw_ && stale()) {
        draw();
    }
    giveBack();
}

void TerminalPresenter::giveBack() {
    reading_.reset();
    if (fullScreen_) {
        device_.write(kLeaveFullScreen);
        device_.keepUndo(TerminalMode::Screen, {});
        fullScreen_ = false;
    }
    if (active_) {
        device_.write(kLeave);
        device_.keepUndo(TerminalMode::Cursor, {});
        device_.setEcho(true);
        active_ = false;
    }
}

std::vector<std::string> TerminalPresenter::compose() const {
    const TerminalSize size = drawnSize_;
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
    drawnAt_ = DrawnChanges();
    drawnSize_ = device_.size();
    if (ResumeAfterStop()) {
        takeBack();
    }
    if (const Form* top = TopScaledForm()) {
        drawScaled(*top);
    } else {
        if (fullScreen_) {
            leaveFullScreen();
        }
        drawText();
    }
    syncReading();
}

void TerminalPresenter::takeBack() {
    if (fullScreen_) {
        device_.write(std::string(kEnterFullScreen) + std::string(kEnter));
        screen_.clear();
    } else if (active_) {
        device_.write(kEnter);
        shown_.clear(); // drawn again below the cursor, where the shell left it
    }
}

void TerminalPresenter::drawScaled(const Form& top) {
    const TerminalSize size = drawnSize_;
    if (top.hwnd != viewOf_ || size != viewSize_) {
        viewOf_ = top.hwnd;
        view_ = ScreenRect(top);
        viewSize_ = size;
        screen_.clear();
    }
    CellPicture picture(view_, size.columns, size.rows);
    ++compositions_;
    for (const Form* form : LoadedForms()) {
        if (form->Visible() && form->ScaledOnTerminal) {
            picture.paint(*form);
        }
    }
    std::string frame;
    if (!fullScreen_) {
        device_.keepUndo(TerminalMode::Screen, kLeaveFullScreen);
        device_.keepUndo(TerminalMode::Cursor, kLeave);
        if (!active_) {
            device_.setEcho(false);
            active_ = true;
        }
        frame += kEnterFullScreen;
        frame += kEnter;
        fullScreen_ = true;
        screen_.clear();
    }
    std::vector<std::string> lines;
    for (int row = 0; row < picture.rows(); ++row) {
        lines.push_back(picture.line(row));
        if (static_cast<std::size_t>(row) >= screen_.size() || screen_[row] != lines.back()) {
            frame += "\x1b[" + std::to_string(row + 1) + ";1H" + lines.back();
        }
    }
    if (!frame.empty()) {
        device_.write(frame);
    }
    screen_ = std::move(lines);
    picture_ = std::move(picture);
    lastDraw_ = vb::CurrentClock().ticks();
}

void TerminalPresenter::leaveFullScreen() {
    std::string frame(kLeaveFullScreen);
    fullScreen_ = false;
    viewOf_ = 0;
    screen_.clear();
    picture_.reset();
    const bool nothingShown = shown_.empty();
    if (nothingShown) {
        frame += kLeave;
        active_ = false;
    }
    device_.write(frame);
    device_.keepUndo(TerminalMode::Screen, {});
    if (nothingShown) {
        device_.keepUndo(TerminalMode::Cursor, {});
        device_.setEcho(true);
    }
}

void TerminalPresenter::drawText() {
    std::vector<std::string> lines = compose();
    ++compositions_;
    if (lines == shown_) {
        return;
    }
    std::string frame;
    if (!active_) {
        device_.keepUndo(TerminalMode::Cursor, kLeave);
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
        device_.keepUndo(TerminalMode::Cursor, {});
        device_.setEcho(true);
    }
    shown_ = std::move(lines);
    lastDraw_ = vb::CurrentClock().ticks();
}

void TerminalPresenter::syncTimer() {
    const bool needed = dirty_ || !shown_.empty() || fullScreen_;
    if (needed && timer_ == 0) {
        timer_ = EventLoop::instance().addTimer(interval_, [this] { tick(); });
    } else if (!needed && timer_ != 0) {
        EventLoop::instance().removeTimer(timer_);
        timer_ = 0;
    }
}

void TerminalPresenter::setPointerSink(std::function<void(const PointerEvent&)> sink) {
    sink_ = std::move(sink);
    syncReading();
}

void TerminalPresenter::syncReading() {
    const bool wanted = fullScreen_ && sink_ && input_ >= 0;
    if (wanted && !reading_) {
        reading_.emplace(input_, device_, [this](const TerminalEvent& event) { pointer(event); });
    } else if (!wanted && reading_) {
        reading_.reset();
    }
}

void TerminalPresenter::send(PointerEvent::Kind kind, int button, ScreenPoint at) const {
    if (sink_) {
        sink_(PointerEvent{kind, button, at});
    }
}

void TerminalPresenter::pointer(const TerminalEvent& event) {
    if (!picture_) {
        return;
    }
    const int column = event.column - 1;
    const int row = event.row - 1;
    const ScreenPoint centre = picture_->centre(column, row);
    switch (event.kind) {
    case TerminalEvent::Kind::Motion:
        send(PointerEvent::Kind::Move, 0, held_ != 0 ? Plus(centre, grip_) : centre);
        break;
    case TerminalEvent::Kind::Press: {
        // A press aims inside what is drawn on the cell, however thin it is on the screen.
        const ScreenPoint at = held_ != 0 ? Plus(centre, grip_) : picture_->aim(column, row);
        if (held_ == 0) {
            grip_ = ScreenPoint{at.x - centre.x, at.y - centre.y};
        }
        const auto now = vb::CurrentClock().ticks();
        const bool doubled = held_ == 0 && !lastPress_.doubled &&
                             lastPress_.button == event.button && lastPress_.column == column &&
                             lastPress_.row == row && now - lastPress_.at <= DoubleClickTime;
        lastPress_ = {event.button, column, row, now, doubled};
        held_ |= event.button;
        send(PointerEvent::Kind::Move, 0, at);
        send(doubled ? PointerEvent::Kind::DoubleClick : PointerEvent::Kind::Down, event.button,
             at);
        break;
    }
    case TerminalEvent::Kind::Release: {
        const ScreenPoint at = Plus(centre, grip_);
        send(PointerEvent::Kind::Move, 0, at);
        held_ &= ~event.button;
        send(PointerEvent::Kind::Up, event.button, at);
        if (held_ == 0) {
            // As a window system does when a window has moved under a resting pointer; only
            // once the release has been taken, since a drag in progress takes every move.
            EventLoop::instance().post([this, at] { send(PointerEvent::Kind::Move, 0, at); });
            grip_ = ScreenPoint{};
        }
        break;
    }
    default:
        break;
    }
}

} // namespace forms
