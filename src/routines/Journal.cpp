#include "routines/Journal.h"

#include "vb/DateTime.h"
#include "vb/Files.h"

namespace Journal {

void AppendDatedLine(vb::StringView fichier, vb::StringView separateur, vb::StringView texte) {
    vb::String line = vb::FormatDateTime(vb::Now());
    line += separateur;
    line += texte;
    line += u"\r\n";
    vb::AppendLine(fichier, line);
}

} // namespace Journal
