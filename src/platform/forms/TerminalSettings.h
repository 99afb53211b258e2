#pragma once
// Settings of the terminal that several parts of the program change for a while: typed
// keys unechoed (while a picture is drawn), keys read one by one (while input is read).
// Each change is held by counting, over the terminal's settings as they were before the
// first one, which come back once nothing is held, and when the process ends (vb::End, or
// a signal that TerminalRescue catches) or stops (Ctrl+Z); they are held again once it goes
// on.
// The parts thus never undo one another's changes, whatever order they end in.

#include <termios.h>

namespace forms {

class TerminalSettingHold {
public:
    // ECHO, or ICANON | ECHO for character mode, where Ctrl+S and Ctrl+Q are keys too.
    // Nothing happens on a descriptor that is not a terminal.
    TerminalSettingHold(int fd, tcflag_t cleared);
    ~TerminalSettingHold();
    TerminalSettingHold(const TerminalSettingHold&) = delete;
    TerminalSettingHold& operator=(const TerminalSettingHold&) = delete;

private:
    int fd_;
    tcflag_t cleared_;
    bool held_ = false;
};

} // namespace forms
