#pragma once
// The run's log lines: the date and time, a separator, the text, CR LF, appended to a file
// in one write.

#include "vb/String.h"

namespace Journal {

void AppendDatedLine(vb::StringView fichier, vb::StringView separateur, vb::StringView texte);

} // namespace Journal
