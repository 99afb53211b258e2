#pragma once
// The HTML summary page of one procedure's run, mailed to its recipients.

#include "vb/String.h"

#include <cstdint>

namespace SummaryReport {

struct Inputs {
    vb::String dateHeure; // "dd/mm/yyyy hh:nn:ss"
    vb::String de;
    vb::String vers;
    vb::String extension;
    vb::String erreur;   // the copy engine's error log, already HTML
    vb::String resultat; // the copy engine's results list, already HTML
    std::int32_t NbFichiersCrees = 0;
    std::int32_t NbFichiersParcourus = 0;
    std::int32_t NbFichiersAJour = 0;
    std::int32_t NbRepertoiresCrees = 0;
    double VolumeCopie = 0;
    double OctetsCopies = 0;
};

// "<b>" + texte + "</b>".
vb::String Bold(vb::StringView texte);

// The page on one line: the folders and the pattern are escaped, the two lists are
// inserted as the copy engine built them.
vb::String Page(const Inputs& in);

} // namespace SummaryReport
