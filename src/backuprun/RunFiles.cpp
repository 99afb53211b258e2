#include "backuprun/RunFiles.h"

#include "routines/Journal.h"
#include "settings/INI32.h"
#include "vb/App.h"

namespace RunFiles {

vb::String Lire(const vb::String& section, vb::StringView cle, vb::StringView defaut) {
    return INI32::LireEcrireINI(section, vb::String(cle), vb::String(defaut), INI32::CheminINI, 2);
}

void Journaliser(vb::StringView nom, vb::StringView separateur, vb::StringView texte) {
    Journal::AppendDatedLine(vb::App().Path + vb::PathSeparator + vb::String(nom), separateur,
                             texte);
}

} // namespace RunFiles
