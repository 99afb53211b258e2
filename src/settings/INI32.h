#pragma once
// The settings accessor: every setting of the program is read and written here.

#include "vb/String.h"

#include <cstdint>
#include <functional>

namespace INI32 {

// Full path of the settings file; set by the windows, which pass it as `fichier`.
extern vb::String CheminINI;

// Mode 0 writes `valeur` and returns it. Mode 2 reads, and writes `valeur` (the default)
// when the key is missing or empty or holds exactly the default. Any other mode only reads.
// A missing or empty setting reads as `valeur`. An empty `fichier` is the file named after
// the program, beside it; "$" followed by a key path keeps the setting in the registry.
// Nothing is ever reported to the caller.
vb::String LireEcrireINI(vb::String section, vb::String cle, vb::String valeur, vb::String fichier,
                         std::int16_t mode);

// The registry side of the accessor, called with the key path (the path after "$", "\" and
// the section), the value name, the value or default and the mode; its result is the
// accessor's. Until one is installed, such settings read as missing and are not written.
using RegistryBranch = std::function<vb::String(const vb::String& keyPath, const vb::String& cle,
                                                const vb::String& valeur, std::int16_t mode)>;
void SetRegistryBranch(RegistryBranch branch);

} // namespace INI32
