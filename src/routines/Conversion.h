#pragma once
// Text and value routines shared by every part of the run.

#include "vb/String.h"
#include "vb/Variant.h"

#include <cstdint>

namespace Conversion {

// Every occurrence of `ancien` replaced by `nouveau`, matching regardless of case; the
// search goes on after the inserted text. Error 6 past position 32767.
vb::Variant Remplacer(vb::String chaine, const vb::String& ancien, const vb::String& nouveau);

// `siVrai` when `condition` reads as true, otherwise `siFaux`; Null reads as false.
vb::Variant SiAlors(const vb::Variant& condition, const vb::Variant& siVrai,
                    const vb::Variant& siFaux);

// `valeur1` when it is greater than `valeur2`, otherwise `valeur2`.
vb::Variant Maximum(const vb::Variant& valeur1, const vb::Variant& valeur2);

// Non-overlapping occurrences, case-sensitive. Error 6 past 32767.
std::int16_t CompterOccurrences(vb::String chaine, const vb::String& sousChaine);

// Field `numero` (from 1) of `chaine` cut at `separateur`; "" when absent or empty.
vb::String ExtraireChamp(vb::String chaine, const vb::String& separateur, std::int16_t numero);

// The last non-blank line of a text whose lines end with CR LF, or its unfinished tail.
vb::String DerniereLigne(vb::String chaine);

// A byte count as " Go", " Mo", " Ko" or " Octets" text.
vb::String FormatTaille(double taille);

} // namespace Conversion
