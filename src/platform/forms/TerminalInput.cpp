#include "forms/TerminalInput.h"

#include "forms/Control.h"
#include "vb/App.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace forms {

namespace {

constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1003h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1003l\x1b[?1000l";
constexpr char kEscape = '\x1b';
// How long an unfinished sequence waits for the rest of it.
constexpr std::chrono::milliseconds kSequenceWait{100};
// Shift, Alt and Ctrl held: a click is a click whatever is held.
constexpr int kModifiers = 4 | 8 | 16;

// Decimal numbers between semicolons, none of them empty; nothing when there is anything
// else.
std::optional<std::vector<int>> Numbers(std::string_view body) {
    std::vector<int> out{0};
    bool empty = true;
    for (const char c : body) {
        if (c == ';') {
            if (empty) {
                return std::nullopt;
            }
            out.push_back(0);
            empty = true;
        } else if (c >= '0' && c <= '9') {
            out.back() = std::min(out.back() * 10 + (c - '0'), 100000);
            empty = false;
        } else {
            return std::nullopt;
        }
    }
    if (empty) {
        return std::nullopt;
    }
    return out;
}

bool MoreInput(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

} // namespace

std::optional<TerminalEvent> TerminalDecoder::feed(char c) {
    if (sequence_.empty()) {
        if (c == kEscape) {
            sequence_.push_back(c);
            return std::nullopt;
        }
        return TerminalEvent{TerminalEvent::Kind::Key, c};
    }
    if (c == kEscape) {
        // The sequence begun was cut off, or was an Escape typed alone.
        auto before = expire();
        sequence_.push_back(c);
        return before;
    }
    if (sequence_.size() == 1) {
        if (c == '[') {
            sequence_ += c;
            return std::nullopt;
        }
        sequence_.clear();
        return TerminalEvent{TerminalEvent::Kind::Key, kEscape}; // Escape and a key of its own
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) {
        // No part of a sequence: the one begun is dropped, the byte is read for itself.
        sequence_.clear();
        return TerminalEvent{TerminalEvent::Kind::Key, c};
    }
    sequence_ += c;
    if (byte >= 0x40) {
        auto event = finish(c);
        sequence_.clear();
        return event;
    }
    if (sequence_.size() > 32) {
        sequence_.clear();
    }
    return std::nullopt;
}

std::optional<TerminalEvent> TerminalDecoder::expire() {
    const bool escape = sequence_.size() == 1;
    sequence_.clear();
    if (escape) {
        return TerminalEvent{TerminalEvent::Kind::Key, kEscape};
    }
    return std::nullopt;
}

std::optional<TerminalEvent> TerminalDecoder::finish(char final) {
    const std::string_view body = std::string_view(sequence_).substr(2, sequence_.size() - 3);
    if (final == 'R') {
        const auto n = Numbers(body);
        if (n && n->size() == 2) {
            return TerminalEvent{TerminalEvent::Kind::CursorReport, 0, 0, (*n)[1], (*n)[0]};
        }
        return std::nullopt;
    }
    if ((final != 'M' && final != 'm') || body.empty() || body[0] != '<') {
        return std::nullopt;
    }
    const auto n = Numbers(body.substr(1));
    if (!n || n->size() != 3 || (*n)[1] < 1 || (*n)[2] < 1) {
        return std::nullopt;
    }
    // The low two bits name the button (3: none), 32 marks a motion, 64 the wheel; other
    // codes (the extra buttons from 128 on) mean nothing to a window.
    constexpr int kButtons[] = {LeftButton, MiddleButton, RightButton, 0};
    const int code = (*n)[0] & ~kModifiers;
    TerminalEvent event{TerminalEvent::Kind::Press, 0, kButtons[code & 3], (*n)[1], (*n)[2]};
    switch (code & ~3) {
    case 0:
        if ((code & 3) == 3) {
            return std::nullopt; // a press or release of no button
        }
        if (final == 'm') {
            event.kind = TerminalEvent::Kind::Release;
        }
        break;
    case 32:
        event.kind = TerminalEvent::Kind::Motion;
        break;
    case 64:
        event.kind = TerminalEvent::Kind::Wheel;
        break;
    default:
        return std::nullopt;
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
                AtContinue([] { instance().resume(); });
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
    // After a stop, the shell had turned mouse reporting off.
    void resume() {
        if (device_ != nullptr) {
            device_->write(kMouseOn);
        }
    }

    void end() {
        disarm();
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
        disarm();
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
        disarm();
        if (n <= 0) {
            // Input gone: nothing more will come, and the watch must not fire again.
            EventLoop::instance().setWatchEvents(watch_, 0);
            deliver(TerminalEvent{TerminalEvent::Kind::End});
            return;
        }
        deliver(decoder_.feed(c));
        // The rest of a sequence may come in a later read; should it not come soon, the
        // sequence is given up, and an Escape typed alone arrives as the key.
        if (watch_ != 0 && decoder_.open() && !MoreInput(watchedFd_)) {
            expiry_ = EventLoop::instance().addTimer(kSequenceWait, [this] {
                disarm();
                deliver(decoder_.expire());
            });
        }
    }

    void deliver(const std::optional<TerminalEvent>& event) const {
        if (event && !readings_.empty()) {
            const auto reader = readings_.back()->reader_; // it may end its reading
            reader(*event);
        }
    }

    void disarm() {
        if (expiry_ != 0) {
            EventLoop::instance().removeTimer(expiry_);
            expiry_ = 0;
        }
    }

    std::vector<TerminalReading*> readings_;
    TerminalDevice* device_ = nullptr;
    TerminalDecoder decoder_;
    EventLoop::Id watch_ = 0;
    EventLoop::Id expiry_ = 0;
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
