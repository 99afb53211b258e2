#pragma once
// What every step of the run reads and writes beside the program.

#include "vb/String.h"

namespace RunFiles {

// A setting of the run: a missing or empty one is written back with its default.
vb::String Lire(const vb::String& section, vb::StringView cle, vb::StringView defaut);

// One dated line appended to the log file `nom` in the program's folder.
void Journaliser(vb::StringView nom, vb::StringView separateur, vb::StringView texte);

} // namespace RunFiles
