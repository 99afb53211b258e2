// The SMTP exchange of the mail form, driven by the server's replies.

#include "mail/Mail.h"
#include "mail/TexteSMTP.h"
#include "routines/Conversion.h"
#include "vb/Convert.h"
#include "vb/Error.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t kTampon = 2048;
const vb::String kFinLigne = u"\r\n";

// Whether one of the whole lines of an arrival begins with `code`.
bool ContientReponse(const vb::String& lignes, const vb::String& code) {
    return lignes.starts_with(code) || lignes.find(kFinLigne + code) != vb::String::npos;
}

} // namespace

void Mail::S_DataArrival(std::int32_t bytesTotal) {
    if (enCours_) {
        ArmerDelai(); // the server spoke: its silence is counted afresh
    }
    vb::ErrorRecord Err;
    vb::String donnees;
    Err.Run([&] { S.GetData(donnees); });
    vb::String tampon = vb::Left(donnees, kTampon);
    tampon.resize(kTampon, u' ');
    const vb::String recu = vb::Left(tampon, std::clamp(bytesTotal, 0, kTampon));

    if (DebugActif && DebugCible != nullptr) {
        DebugCible->setText(
            vb::Left(vb::CStr(etat_) + u" : " + recu + kFinLigne + DebugCible->text(), kTampon));
    }
    const vb::String lignes = LignesEntieres(recu, bytesTotal > kTampon);
    // The reply to the message may come with a later one in the same arrival.
    if (etat_ == 5 && ContientReponse(lignes, u"250 ")) {
        donneesAcceptees_ = true;
    }
    Traiter(vb::Trim(Conversion::DerniereLigne(lignes)));
}

vb::String Mail::LignesEntieres(const vb::String& recu, bool coupe) {
    vb::String tout = reste_ + recu;
    if (coupe) {
        // The rest of the arrival is lost: its last line will never be completed.
        reste_.clear();
        return TexteSMTP::FinsDeLigne(tout);
    }
    // Some servers end their lines with LF alone.
    const std::size_t fin = tout.rfind(u'\n');
    if (fin == vb::String::npos) {
        reste_ = vb::Left(tout, kTampon);
        return {};
    }
    reste_ = vb::Left(vb::StringView(tout).substr(fin + 1), kTampon);
    tout.resize(fin + 1);
    return TexteSMTP::FinsDeLigne(tout);
}

void Mail::Traiter(const vb::String& ligne) {
    Label1.Caption = u"Etat de la connexion : " + vb::CStr(etat_);
    Repondre(ligne);
}

void Mail::Repondre(const vb::String& ligne) {
    vb::ErrorRecord Err;
    const vb::String code = vb::Left(ligne, 4);
    if (code == u"220 ") {
        Err.Run([&] { Envoyer(u"ehlo tramik"); });
        etat_ = 1;
        donneesAcceptees_ = false;
        Journal(u"Serveur SMTP OK");
    } else if (code == u"250 " && etat_ == 1) {
        Err.Run([&] { Envoyer(u"mail from: " + TexteSMTP::Chemin(FROM.Text)); });
        etat_ = 2;
        Journal(u"mail from: " + FROM.Text);
    } else if (code == u"250 " && etat_ == 2) {
        AnnoncerDestinataire();
    } else if (code == u"250 " && etat_ == 3) {
        Err.Run([&] { Envoyer(u"data"); });
        etat_ = 4;
        Journal(u"Donnees...");
    } else if (code == u"250 " && etat_ == 5) {
        donneesAcceptees_ = true;
        Err.Run([&] { Envoyer(u"quit"); });
        etat_ = 6;
        Journal(u"quit");
    } else if (code == u"250 ") {
        // A late acknowledgement: the next step waits for its own reply.
    } else if (code == u"354 ") {
        Journal(u"Envoie du Message...");
        EnvoyerMessage();
        etat_ = 5;
    } else if (code == u"221 ") {
        etat_ = 6;
        Journal(u"MAIL ACCEPTE");
        Err.Run([&] { S.Close(); });
        TerminerEchange(u"MAIL ACCEPTE");
    } else if (code == u"502 " && donneesAcceptees_) {
        // A command refused once the message was taken: the mail went.
        Err.Run([&] { S.Close(); });
        etat_ = 7;
        Journal(u"ERREUR: " + ligne);
        TerminerEchange(u"MAIL ACCEPTE");
    } else if (code.size() == 4 && code[3] == u' ') {
        Err.Run([&] { S.Close(); });
        etat_ = 7;
        Journal(u"ERREUR: " + ligne);
        TerminerEchange(ligne);
    }
}

void Mail::AnnoncerDestinataire() {
    vb::ErrorRecord Err;
    const vb::String champ = Conversion::ExtraireChamp(A.Text, u";", IndexDestinataire);
    Err.Run([&] { Envoyer(u"rcpt to: " + TexteSMTP::Chemin(champ)); });
    Journal(u"rcpt to: " + champ);
    if (IndexDestinataire == std::numeric_limits<std::int16_t>::max()) {
        // The look-ahead overflows, so the runtime runs the true branch, whose step
        // overflows in turn: index and state stay as they are.
        return;
    }
    const auto suivant = static_cast<std::int16_t>(IndexDestinataire + 1);
    if (!vb::Trim(Conversion::ExtraireChamp(A.Text, u";", suivant)).empty()) {
        IndexDestinataire = suivant;
    } else {
        etat_ = 3;
    }
}

void Mail::EnvoyerMessage() {
    vb::ErrorRecord Err;
    donneesParties_ = false;
    Err.Run([&] { Envoyer(u"From: " + FROM.Text); });
    Err.Run([&] { Envoyer(u"To: " + Conversion::Remplacer(A.Text, u";", u",").ToString()); });
    Err.Run([&] { Envoyer(u"Subject: " + Objet.Text); });
    Err.Run([&] { Envoyer(u"Reply-To: " + FROM.Text); });
    if (EnteteHTML) {
        Err.Run([&] { Envoyer(u"Content-Type: text/html;"); });
    }
    if (Priorite > 0) {
        Err.Run([&] { Envoyer(u"X-Priority: " + vb::CStr(Priorite)); });
    }
    Err.Run([&] { S.SendData(TexteSMTP::Donnees(texte.Text) + kFinLigne + u"." + kFinLigne); });
}

void Mail::Envoyer(const vb::String& commande) {
    S.SendData(commande + kFinLigne);
}

void Mail::S_SendProgress(std::int32_t bytesRemaining) {
    if (!enCours_) {
        return;
    }
    if (etat_ == 5 && bytesRemaining == 0) {
        donneesParties_ = true;
    }
    ArmerDelai(); // the server is taking what is sent
}

void Mail::S_Error(std::int32_t /*Number*/, const vb::String& Description) {
    vb::ErrorRecord Err;
    Err.Run([&] { S.Close(); });
    TerminerEchange(Description);
}

void Mail::S_Close() {
    vb::ErrorRecord Err;
    Err.Run([&] { S.Close(); });
    // A last reply without its line end is still the server's word.
    if (vb::String dernier = std::exchange(reste_, {}); enCours_ && !dernier.empty()) {
        if (dernier.ends_with(u'\r')) {
            dernier.pop_back();
        }
        Traiter(vb::Trim(dernier));
    }
    TerminerEchange(u"Connexion fermée par le serveur de messagerie");
}
