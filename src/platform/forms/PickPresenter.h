#pragma once

namespace forms {

class TerminalPresenter;

// Chosen once at startup: forms are drawn on the terminal when standard output is one
// (its mouse read from standard input when that is the terminal too), and the terminal is
// given back as it was found when the process ends (vb::End); otherwise nothing is shown
// (headless). Returns the terminal's presenter, or nullptr when headless.
TerminalPresenter* PickPresenter();

} // namespace forms
