#include "mail/Mail.h"

#include "vb/Error.h"

#include <chrono>

namespace {

// A server that has said and taken nothing for this long is not going to answer.
constexpr std::chrono::seconds kSilenceMax{300};
// Once the whole message has gone, the server may take this long to answer for it
// (RFC 5321 4.5.3.2.6).
constexpr std::chrono::seconds kSilenceApresDonnees{600};

} // namespace

Mail::Mail(forms::Container& host, vb::String name)
    : UserControl(host, std::move(name)), A(*this, u"A", u"destinataire@example.com"),
      CC(*this, u"CC"), FROM(*this, u"FROM", u"\"Quorvel\" <quorvel@example.com>"),
      Objet(*this, u"Objet", u"Test de messagerie"), texte(*this, u"texte"),
      PiecesJointes(*this, u"PiecesJointes"), Label1(*this, u"Label1", u"&A :"),
      Label2(*this, u"Label2", u"&CC :"), Label3(*this, u"Label3", u"&From : "),
      Label4(*this, u"Label4", u"&Objet : "), S(*this, u"S") {
    S.DataArrival = [this](std::int32_t bytesTotal) { S_DataArrival(bytesTotal); };
    S.Error = [this](std::int32_t number, const vb::String& description) {
        S_Error(number, description);
    };
    S.Closed = [this] { S_Close(); };
    S.SendProgress = [this](std::int32_t /*bytesSent*/, std::int32_t bytesRemaining) {
        S_SendProgress(bytesRemaining);
    };
    UserControl_Initialize();
}

Mail::~Mail() {
    ArreterDelai();
}

void Mail::UserControl_Initialize() {
    etat_ = 0;
    DebugActif = false;
    Priorite = 0;
}

vb::String Mail::MailTO() const {
    return A.Text;
}

void Mail::MailTO(vb::String Destinataire) {
    A.Text = std::move(Destinataire);
    IndexDestinataire = 1;
}

vb::String Mail::message() const {
    return texte.Text;
}

void Mail::message(vb::String Messag) {
    texte.Text = std::move(Messag);
}

void Mail::Subject(vb::String Sujet) {
    Objet.Text = std::move(Sujet);
}

std::int16_t Mail::Etat() const {
    return etat_;
}

void Mail::MailFROM(vb::String Expediteur) {
    FROM.Text = std::move(Expediteur);
}

void Mail::LOG(vb::String& FichierLOG) {
    if (!JournalMail) {
        JournalMail = std::make_unique<logs>();
    }
    JournalMail->FichierLOG = FichierLOG;
    JournalActif = 1;
}

vb::Variant Mail::EnvoiMail() {
    vb::ErrorRecord Err;
    Err.Run([&] { S.Close(); });
    const bool remplace = enCours_;
    enCours_ = true;
    reste_.clear();
    donneesAcceptees_ = false;
    donneesParties_ = false;
    ArmerDelai();
    Journal(u"ENVOI MAIL...");
    Err.Run([&] { S.Connect(IP, PORT); });
    // The exchange this one replaces still gets its one outcome, last: a handler that
    // sends again from there replaces this one in turn.
    if (remplace) {
        Signaler(u"Envoi interrompu par un nouvel envoi");
    }
    return {};
}

void Mail::DEBUGGER(forms::TextHolder* D, std::int16_t activer) {
    if (activer == -1) {
        DebugCible = D;
        DebugActif = true;
    } else {
        DebugActif = false;
    }
}

void Mail::Journal(const vb::String& infos) {
    if (JournalActif != 1) {
        return;
    }
    if (!JournalMail) {
        JournalMail = std::make_unique<logs>();
    }
    JournalMail->OUTPUT(infos);
}

void Mail::TerminerEchange(vb::String erreur) {
    if (!enCours_) {
        return;
    }
    enCours_ = false;
    ArreterDelai();
    reste_.clear();
    // Last: the host's handler may start the next exchange from here.
    Signaler(std::move(erreur));
}

void Mail::Signaler(vb::String erreur) {
    if (MailEnvoye) {
        MailEnvoye(erreur);
    }
}

void Mail::ArmerDelai() {
    ArreterDelai();
    const auto silence = etat_ == 5 && donneesParties_ ? kSilenceApresDonnees : kSilenceMax;
    delai_ = forms::EventLoop::instance().addTimer(silence, [this] {
        vb::ErrorRecord Err;
        Err.Run([&] { S.Close(); });
        TerminerEchange(u"Pas de réponse du serveur de messagerie");
    });
}

void Mail::ArreterDelai() {
    if (delai_ != 0) {
        forms::EventLoop::instance().removeTimer(delai_);
        delai_ = 0;
    }
}
