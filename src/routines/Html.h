#pragma once
// Text placed into the HTML report must show as text, whatever names it carries.

#include "vb/String.h"

namespace Html {

// "&", "<", ">" and '"' written as character references.
vb::String Escape(vb::StringView text);

} // namespace Html
