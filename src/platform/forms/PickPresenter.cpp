#include "forms/PickPresenter.h"

#include "forms/TerminalPresenter.h"
#include "vb/App.h"

#include <memory>
#include <unistd.h>

namespace forms {

namespace {

// Lives until the process ends: End runs no destructors, the hook restores instead.
std::unique_ptr<TtyDevice> gTty;
std::unique_ptr<TerminalPresenter> gTerminal;

void RestoreTerminal() {
    if (gTerminal) {
        gTerminal->restore();
    }
}

} // namespace

TerminalPresenter* PickPresenter() {
    if (gTerminal || ::isatty(STDOUT_FILENO) == 0) {
        return gTerminal.get();
    }
    gTty = std::make_unique<TtyDevice>(STDOUT_FILENO);
    gTerminal = std::make_unique<TerminalPresenter>(
        *gTty, TerminalPresenter::DefaultInterval, ::isatty(STDIN_FILENO) == 1 ? STDIN_FILENO : -1);
    Form::SetPresenter(gTerminal.get());
    vb::AtEnd(&RestoreTerminal);
    return gTerminal.get();
}

} // namespace forms
