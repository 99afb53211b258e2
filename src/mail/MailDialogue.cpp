// The SMTP exchange of the mail form, driven by the server's replies.

#include "mail/Mail.h"
#include "routines/Conversion.h"
#include "vb/Convert.h"
#include "vb/Error.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t kTampon = 2048;
const vb::String kFinLigne = u"\r\n";

// A line of the text that begins with "." gets one more in front, so that no line of the
// message is taken for the end of the data; the server takes it off again.
vb::String Transparence(const vb::String& texte) {
    vb::String sortie;
    sortie.reserve(texte.size() + texte.size() / 64 + 1);
    bool debutLigne = true;
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (debutLigne && texte[i] == u'.') {
            sortie += u'.';
        }
        sortie += texte[i];
        debutLigne = texte[i] == u'\n' && i > 0 && texte[i - 1] == u'\r';
    }
    return sortie;
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
    const vb::String ligne =
        vb::Trim(Conversion::DerniereLigne(LignesEntieres(recu, bytesTotal > kTampon)));
    Label1.Caption = u"Etat de la connexion : " + vb::CStr(etat_);
    Repondre(ligne);
}

vb::String Mail::LignesEntieres(const vb::String& recu, bool coupe) {
    vb::String tout = reste_ + recu;
    if (coupe) {
        // The rest of the arrival is lost: its last line will never be completed.
        reste_.clear();
        return tout;
    }
    const std::size_t fin = tout.rfind(kFinLigne);
    if (fin == vb::String::npos) {
        reste_ = vb::Left(tout, kTampon);
        return {};
    }
    reste_ = vb::Left(vb::StringView(tout).substr(fin + kFinLigne.size()), kTampon);
    tout.resize(fin + kFinLigne.size());
    return tout;
}

void Mail::Repondre(const vb::String& ligne) {
    vb::ErrorRecord Err;
    const vb::String code = vb::Left(ligne, 4);
    if (code == u"220 ") {
        Err.Run([&] { Envoyer(u"ehlo tramik"); });
        etat_ = 1;
        Journal(u"Serveur SMTP OK");
    } else if (code == u"250 " && etat_ == 1) {
        Err.Run([&] { Envoyer(u"mail from: " + FROM.Text); });
        etat_ = 2;
        Journal(u"mail from: " + FROM.Text);
    } else if (code == u"250 " && etat_ == 2) {
        AnnoncerDestinataire();
    } else if (code == u"250 " && etat_ == 3) {
        Err.Run([&] { Envoyer(u"data"); });
        etat_ = 4;
        Journal(u"Donnees...");
    } else if (code == u"250 " && etat_ == 5) {
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
    } else if (code == u"502 ") {
        // The server refuses a command after the data was accepted: the mail went.
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
    Err.Run([&] { Envoyer(u"rcpt to: " + vb::Trim(champ)); });
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
    Err.Run([&] { S.SendData(Transparence(texte.Text) + kFinLigne + u"." + kFinLigne); });
}

void Mail::Envoyer(const vb::String& commande) {
    S.SendData(commande + kFinLigne);
}

void Mail::S_Error(std::int32_t /*Number*/, const vb::String& Description) {
    vb::ErrorRecord Err;
    Err.Run([&] { S.Close(); });
    TerminerEchange(Description);
}

void Mail::S_Close() {
    vb::ErrorRecord Err;
    Err.Run([&] { S.Close(); });
    TerminerEchange(u"Connexion fermée par le serveur de messagerie");
}
