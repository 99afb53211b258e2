#include "routines/Conversion.h"
#include "vb/Error.h"

#include <limits>

namespace Conversion {

namespace {

constexpr std::size_t kLastPosition = std::numeric_limits<std::int16_t>::max();

} // namespace

vb::Variant Remplacer(vb::String chaine, const vb::String& ancien, const vb::String& nouveau) {
    if (ancien.empty()) {
        return chaine; // nothing to look for: an empty match would never move on
    }
    std::size_t position = 1;
    for (;;) {
        const std::size_t match = vb::InStr(position, chaine, ancien, vb::Compare::Text);
        if (match == 0) {
            return chaine;
        }
        if (match > kLastPosition) {
            vb::Raise(vb::err::Overflow);
        }
        chaine.replace(match - 1, ancien.size(), nouveau);
        position = match + nouveau.size();
        if (position > kLastPosition) {
            vb::Raise(vb::err::Overflow);
        }
    }
}

std::int16_t CompterOccurrences(vb::String chaine, const vb::String& sousChaine) {
    if (sousChaine.empty()) {
        return 0;
    }
    std::int16_t count = 0;
    for (std::size_t p = vb::InStr(chaine, sousChaine); p != 0; p = vb::InStr(chaine, sousChaine)) {
        if (count == std::numeric_limits<std::int16_t>::max()) {
            vb::Raise(vb::err::Overflow);
        }
        ++count;
        chaine = vb::Mid(chaine, p + sousChaine.size());
    }
    return count;
}

vb::String ExtraireChamp(vb::String chaine, const vb::String& separateur, std::int16_t numero) {
    chaine += separateur;
    std::size_t debut = 1; // where the field being looked at starts
    // A counter wider than `numero`: a 16-bit one would wrap after 32767 and never end.
    for (std::int32_t i = 1; i <= numero; ++i) {
        const std::size_t p = vb::InStr(debut, chaine, separateur);
        if (p == 0) {
            return {}; // no separator left: neither this field nor any later one exists
        }
        if (i == numero) {
            return vb::Mid(chaine, debut, p - debut);
        }
        debut = p + separateur.size();
    }
    return {};
}

vb::String DerniereLigne(vb::String chaine) {
    static constexpr vb::StringView kLineEnd = u"\r\n";
    vb::String last;
    for (std::size_t p = vb::InStr(chaine, kLineEnd); p != 0; p = vb::InStr(chaine, kLineEnd)) {
        vb::String line = vb::Left(chaine, p - 1);
        if (!vb::Trim(line).empty()) {
            last = std::move(line);
        }
        chaine = vb::Mid(chaine, p + 2);
    }
    return chaine.empty() ? last : chaine;
}

} // namespace Conversion
