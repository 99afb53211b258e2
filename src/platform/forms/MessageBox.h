#pragma once
// The runtime's modal message box, with an OK button only and no icon. What shows it is
// process-wide: on a terminal it is drawn there and answered by Enter, Escape or a click
// on its button; without one its text goes to standard error and it is answered at once,
// since a program that runs unattended must never wait for nobody.

#include "forms/TerminalDevice.h"
#include "vb/String.h"

namespace forms {

inline constexpr int vbOK = 1;

struct MessageBoxText {
    vb::String Prompt;
    vb::String Title;
};

class MessageBoxHost {
public:
    virtual ~MessageBoxHost() = default;
    // Shows the box and returns, once it is answered, the button that answered it.
    virtual int ask(const MessageBoxText& box) = 0;
};

// The host in force (nullptr restores the default one).
void SetMessageBoxHost(MessageBoxHost* host);

// Shows `prompt` and waits for the answer. An empty title is the program's default one:
// its executable's name.
int MsgBox(vb::StringView prompt, vb::StringView title = {});

// Draws the box below the cursor and erases it once answered; the event loop runs while
// it waits. `input` is read byte by byte, in character mode while it is a terminal.
class TerminalMessageBox final : public MessageBoxHost {
public:
    TerminalMessageBox(TerminalDevice& device, int input) : device_(device), input_(input) {}
    int ask(const MessageBoxText& box) override;

private:
    TerminalDevice& device_;
    int input_;
};

} // namespace forms
