#include "forms/TerminalInput.h"

#include "forms/Control.h"
#include "vb/App.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace forms {

namespace {

constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1003h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1003l\x1b[?1000l";

std::vector<int> Numbers(std::string_view body) {
    std::vector<int> out{0};
    for (const char c : body) {
        if (c == ';') {
            out.push_back(0);
        } else if (c >= '0' && c <= '9' && out.back() < 100000) {
            out.back() = out.back() * 10 + (c - '0');
        }
    }
    return out;
}

bool MoreInput(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

} // namespace

std::optional<TerminalEvent> TerminalDecoder::feed(char c, bool more) {
    if (sequence_.empty()) {
        if (c == '\x1b' && more) {
            sequence_.push_back(c);
            return std::nullopt;
        }
        return TerminalEvent{TerminalEvent::Kind::Key, c};
    }
    sequence_ += c;
    if (sequence_.size() == 2 && c != '[') {
        sequence_.clear();
        return TerminalEvent{TerminalEvent::Kind::Key, '\x1b'}; // Escape and a key of its own
    }
    if (sequence_.size() > 2 && c >= 0x40 && c <= 0x7E) {
        auto event = finish(c);
        sequence_.clear();
        return event;
    }
    if (sequence_.size() > 32) {
        sequence_.clear();
    }
    return std::nullopt;
}

std::optional<TerminalEvent> TerminalDecoder::finish(char final) {
    const std::string_view body = std::string_view(sequence_).substr(2, sequence_.size() - 3);
    const std::vector<int> n = Numbers(body);
    if (final == 'R' && n.size() == 2) {
        return TerminalEvent{TerminalEvent::Kind::CursorReport, 0, 0, n[1], n[0]};
    }
    if ((final != 'M' && final != 'm') || body.empty() || body[0] != '<' || n.size() != 3) {
        return std::nullopt;
    }
    // The low two bits name the button (3: none), 32 marks a motion, 64 the wheel.
    constexpr int kButtons[] = {LeftButton, MiddleButton, RightButton, 0};
    const int code = n[0];
    TerminalEvent event{TerminalEvent::Kind::Press, 0, kButtons[code & 3], n[1], n[2]};
    if ((code & 64) != 0) {
        event.kind = TerminalEvent::Kind::Wheel;
    } else if ((code & 32) != 0) {
        event.kind = TerminalEvent::Kind::Motion;
    } else if (final == 'm') {
        event.kind = TerminalEvent::Kind::Release;
    }
    return event;
}

// The readings in force, oldest first, and the one watch on the newest one's input.
class TerminalInputState {
public:
    static TerminalInputState& instance() {
        static TerminalInputState state;
        return state;
    }

    void add(TerminalReading* reading) {
        if (readings_.empty()) {
            device_ = &reading->device_;
            device_->keepUndo(TerminalMode::Mouse, kMouseOff);
            device_->write(kMouseOn);
            static const bool hooked = [] {
                vb::AtEnd([] { instance().end(); });
                return true;
            }();
            (void)hooked;
        }
        readings_.push_back(reading);
        rewatch();
    }

    void remove(TerminalReading* reading) {
        std::erase(readings_, reading);
        if (readings_.empty()) {
            end();
        } else {
            rewatch();
        }
    }

private:
    void end() {
        if (watch_ != 0) {
            EventLoop::instance().unwatch(watch_);
            watch_ = 0;
        }
        if (device_ != nullptr) {
            device_->write(kMouseOff);
            device_->keepUndo(TerminalMode::Mouse, {});
            device_ = nullptr;
        }
        readings_.clear();
    }

    void rewatch() {
        const int fd = readings_.back()->input_;
        if (watch_ != 0 && fd == watchedFd_) {
            return;
        }
        if (watch_ != 0) {
            EventLoop::instance().unwatch(watch_);
        }
        decoder_ = TerminalDecoder{};
        watchedFd_ = fd;
        watch_ = EventLoop::instance().watch(fd, POLLIN, [this](short) { readOne(); });
    }

    void readOne() {
        char c = 0;
        const ssize_t n = ::read(watchedFd_, &c, 1);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        std::optional<TerminalEvent> event;
        if (n <= 0) {
            // Input gone: nothing more will come, and the watch must not fire again.
            EventLoop::instance().setWatchEvents(watch_, 0);
            event = TerminalEvent{TerminalEvent::Kind::End};
        } else {
            event = decoder_.feed(c, MoreInput(watchedFd_));
        }
        if (event && !readings_.empty()) {
            const auto reader = readings_.back()->reader_; // it may end its reading
            reader(*event);
        }
    }

    std::vector<TerminalReading*> readings_;
    TerminalDevice* device_ = nullptr;
    TerminalDecoder decoder_;
    EventLoop::Id watch_ = 0;
    int watchedFd_ = -1;
};

TerminalReading::TerminalReading(int input, TerminalDevice& device, Reader reader)
    : input_(input), device_(device), reader_(std::move(reader)),
      characterMode_(input, ICANON | ECHO) {
    TerminalInputState::instance().add(this);
}

TerminalReading::~TerminalReading() {
    TerminalInputState::instance().remove(this);
}

} // namespace forms
