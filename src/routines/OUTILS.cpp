#include "routines/OUTILS.h"

#include "vb/Error.h"
#include "vb/Files.h"

namespace OUTILS {

vb::Variant FichierExiste(const vb::String& chemin) {
    try {
        return vb::FileLen(chemin) != 0;
    } catch (const vb::Error&) {
        return false;
    }
}

} // namespace OUTILS
