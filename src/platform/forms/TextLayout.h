#pragma once
// A form as lines of text for a character terminal: its visible labels and text boxes, in
// rows by Top, each placed at the column its Left gives, labels wrapped to their width.

#include "forms/Form.h"

#include <vector>

namespace forms {

// Twips in one character column: wide enough for the captions of a form as designed.
inline constexpr float TwipsPerColumn = 80;

std::vector<vb::String> LayoutForm(const Form& form);

// The lines of a caption: its own line breaks kept, each line wrapped at blanks to
// `width` characters (a longer word stays whole on a line of its own).
std::vector<vb::String> WrapCaption(vb::StringView caption, std::size_t width);

} // namespace forms
