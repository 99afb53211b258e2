#pragma once
// Gives the terminal back when SIGTERM, SIGHUP or SIGQUIT ends the process, as vb::End
// does: what undoes each mode in force and the settings to put back are kept ready, so that
// the signal's handler only writes and sets them, then lets the signal end the process as
// it would have (a core dump for SIGQUIT). SIGTSTP (Ctrl+Z) gives the terminal back the
// same way before the process stops; once it goes on, the event loop puts the modes back
// (ResumeAfterStop). The handlers are put in place when something is first kept, and only
// over the default action: a signal the process was started ignoring stays ignored.

#include <string_view>
#include <termios.h>

namespace forms {

// Modes the program turns on, in the order they are undone.
enum class TerminalMode { Mouse, Screen, Cursor };

// What undoes `mode` on the terminal written through `fd` (at most 64 bytes); empty once
// the mode is off. Kept before the mode goes on and dropped after it goes off, so that a
// signal in between undoes a mode not on rather than leave one on.
void KeepUndo(TerminalMode mode, int fd, std::string_view undo);
// The settings to put back on the terminal behind `fd`; nullptr once they are back.
void KeepSettings(int fd, const termios* settings);

// Writes what undoes the modes kept and puts the settings back; safe in a signal handler.
void RescueTerminal() noexcept;

// What puts one owner's modes or settings back on the terminal after a stop.
void AtContinue(void (*hook)());
// Whether the process has gone on after a stop since the last ResumeAfterStop.
bool ResumePending();
// Runs those, in the order given, when the process has gone on after a stop since the last
// call, and says so: whoever draws on the terminal then draws all of it again.
bool ResumeAfterStop();

} // namespace forms
