#pragma once

namespace forms {

// Chosen once at startup: forms are drawn on the terminal when standard output is one,
// and the terminal is given back as it was found when the process ends (vb::End);
// otherwise nothing is shown (headless).
void PickPresenter();

} // namespace forms
