#pragma once
// What a person does on the terminal: keys, and the terminal's own mouse reports (the SGR
// form), decoded from the bytes typed. Input is read while a TerminalReading lives, and
// every event goes to the newest reading alone (a modal box takes the input from the window
// beneath it, and gives it back when it ends). Meanwhile the terminal is in character mode
// and reports the mouse: presses, releases and every motion. Mouse reporting goes off once
// the last reading ends, and when the process ends (vb::End); it comes back on when the
// process goes on after a stop.

#include "forms/EventLoop.h"
#include "forms/TerminalDevice.h"
#include "forms/TerminalSettings.h"

#include <functional>
#include <optional>
#include <string>

namespace forms {

struct TerminalEvent {
    enum class Kind { Key, Press, Release, Motion, Wheel, CursorReport, End };
    Kind kind = Kind::Key;
    // Key: the byte typed; Escape alone, or before a key of its own, is '\x1b'.
    char key = 0;
    // Press, Release: the button; Motion: the button held (0 for none).
    int button = 0;
    // 1-based cell of the pointer, or of the cursor for a CursorReport.
    int column = 0;
    int row = 0;
};

class TerminalDecoder {
public:
    // One byte in; returns the event that this byte completes. A byte that cannot go on with
    // the sequence begun drops it and is read for itself (an ESC begins a new one); mouse
    // reports that are malformed, or of buttons and codes a window does not use, are dropped.
    std::optional<TerminalEvent> feed(char c);
    // Whether a sequence is begun and not finished.
    bool open() const { return !sequence_.empty(); }
    // Gives up the sequence begun, when no more of it came: an ESC alone is the Escape key.
    std::optional<TerminalEvent> expire();

private:
    std::optional<TerminalEvent> finish(char final);

    std::string sequence_;
};

class TerminalReading {
public:
    using Reader = std::function<void(const TerminalEvent&)>;

    // Reads `input` through the event loop, one byte at a time, so that a reading that has
    // what it waited for leaves what follows unread. Mouse modes are written to `device`.
    TerminalReading(int input, TerminalDevice& device, Reader reader);
    ~TerminalReading();
    TerminalReading(const TerminalReading&) = delete;
    TerminalReading& operator=(const TerminalReading&) = delete;

private:
    friend class TerminalInputState;

    int input_;
    TerminalDevice& device_;
    Reader reader_;
    TerminalSettingHold characterMode_;
};

} // namespace forms
