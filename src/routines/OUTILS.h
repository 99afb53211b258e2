#pragma once

#include "vb/String.h"
#include "vb/Variant.h"

namespace OUTILS {

// True when `chemin` names a file whose length can be read and is not 0.
vb::Variant FichierExiste(const vb::String& chemin);

} // namespace OUTILS
