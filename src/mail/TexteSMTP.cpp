#include "mail/TexteSMTP.h"

#include <algorithm>

namespace TexteSMTP {

namespace {

constexpr vb::StringView kFinLigne = u"\r\n";
// 1000 octets with the line end (RFC 5321 4.5.3.1.6), one octet a character on the wire,
// the "." added in front of a line that begins with "." included.
constexpr std::size_t kLigneMax = 998;

bool DebutDePaire(vb::Char c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

// The characters a line may hold: one less when it begins with ".", whose stuffed "."
// takes the last octet.
std::size_t Limite(vb::StringView ligne) {
    return ligne.starts_with(u'.') ? kLigneMax - 1 : kLigneMax;
}

// Where a line longer than its limit is cut: the length of its first piece, never 0.
std::size_t Coupure(vb::StringView ligne) {
    const std::size_t limite = Limite(ligne);
    const vb::StringView tete = ligne.substr(0, limite + 1);
    for (const vb::Char avant : {u'<', u' '}) {
        if (const std::size_t p = tete.rfind(avant); p != vb::StringView::npos && p > 0) {
            return p;
        }
    }
    // A character outside the 16-bit range stays whole.
    return DebutDePaire(ligne[limite - 1]) ? limite - 1 : limite;
}

} // namespace

vb::String Chemin(vb::StringView champ) {
    if (const std::size_t ouvre = champ.find(u'<'); ouvre != vb::StringView::npos) {
        if (const std::size_t ferme = champ.find(u'>', ouvre + 1); ferme != vb::StringView::npos) {
            return vb::String(champ.substr(ouvre, ferme - ouvre + 1));
        }
    }
    return u"<" + vb::Trim(champ) + u">";
}

vb::String FinsDeLigne(vb::StringView texte) {
    vb::String sortie;
    sortie.reserve(texte.size() + texte.size() / 64 + 2);
    for (std::size_t i = 0; i < texte.size(); ++i) {
        const vb::Char c = texte[i];
        if (c == u'\r' && i + 1 < texte.size() && texte[i + 1] == u'\n') {
            sortie += kFinLigne;
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            sortie += kFinLigne;
        } else {
            sortie += c;
        }
    }
    return sortie;
}

vb::String Donnees(vb::StringView texte) {
    vb::String sortie;
    sortie.reserve(texte.size() + texte.size() / 64 + 2);
    // Every piece begins a line on the wire, so one that begins with "." takes one more.
    const auto ecrire = [&sortie](vb::StringView piece) {
        if (piece.starts_with(u'.')) {
            sortie += u'.';
        }
        sortie += piece;
    };
    for (std::size_t debut = 0;;) {
        const std::size_t fin = std::min(texte.find_first_of(u"\r\n", debut), texte.size());
        vb::StringView ligne = texte.substr(debut, fin - debut);
        while (ligne.size() > Limite(ligne)) {
            const std::size_t piece = Coupure(ligne);
            ecrire(ligne.substr(0, piece));
            sortie += kFinLigne;
            ligne.remove_prefix(piece);
        }
        ecrire(ligne);
        if (fin == texte.size()) {
            return sortie;
        }
        sortie += kFinLigne;
        debut = fin + (texte.substr(fin).starts_with(kFinLigne) ? kFinLigne.size() : 1);
    }
}

} // namespace TexteSMTP
