#pragma once
// The folder copy engine and the run counters it adds to.

#include "forms/Control.h"
#include "vb/String.h"
#include "vb/Variant.h"

#include <cstdint>
#include <optional>

namespace Module7 {

// Run counters: the engine only adds to them; the procedure's run resets them.
extern double OctetsCopies;
extern double VolumeCopie;
extern std::int32_t NbFichiersParcourus;    // files (not folders) the file pass takes up
extern std::int32_t NbRepertoiresParcourus; // folders the folder pass tries to create
extern std::int32_t NbRepertoiresCrees;
extern std::int32_t NbFichiersAJour;
extern std::int32_t NbFichiersCrees;

// Copies the tree `source` to `destination` (both ending with the path separator): creates
// the sub-folders, copies the files matching `motif`; "R" in `statut` descends, "D" copies
// only files newer than their copy. Returns the error log (HTML text).
vb::Variant CopierDossier(const vb::String& source, const vb::String& motif,
                          const vb::String& destination, const vb::String& statut,
                          forms::ProgressLabel& etiquette, vb::String& listeHTML,
                          std::int32_t& nCopies, std::int32_t& nParcourus);

// Cuts `chaine` at its first NUL, in place, and returns it.
vb::String SupprimerNuls(vb::String& chaine);

namespace testing {
// Makes the engine copy file data on `threads` threads (0: in the walk's own thread)
// instead of one per CPU; nothing gives the CPUs' count back.
void SetCopyingThreads(std::optional<unsigned> threads);
} // namespace testing

} // namespace Module7
