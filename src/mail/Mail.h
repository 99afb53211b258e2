#pragma once
// The mail form: an SMTP client over the socket control S. The host fills it through its
// properties and fields, calls EnvoiMail, and hears the outcome once from MailEnvoye.

#include "forms/Control.h"
#include "forms/EventLoop.h"
#include "forms/Form.h"
#include "forms/ListBox.h"
#include "mail/logs.h"
#include "vb/String.h"
#include "vb/Variant.h"
#include "winsock/Winsock.h"

#include <cstdint>
#include <functional>
#include <memory>

class Mail : public forms::UserControl {
public:
    explicit Mail(forms::Container& host, vb::String name = u"Mail");
    ~Mail() override;

    forms::TextBox A;
    forms::TextBox CC;
    forms::TextBox FROM;
    forms::TextBox Objet;
    forms::TextBox texte;
    forms::ListBox PiecesJointes;
    forms::Label Label1;
    forms::Label Label2;
    forms::Label Label3;
    forms::Label Label4;
    winsock::Winsock S;

    vb::String IP;
    vb::String PORT;
    std::int16_t Priorite = 0;
    vb::String entete;
    bool EnteteHTML = false;

    vb::String MailTO() const;
    void MailTO(vb::String Destinataire);
    vb::String message() const;
    void message(vb::String Messag);
    void Subject(vb::String Sujet);
    std::int16_t Etat() const;
    void MailFROM(vb::String Expediteur);

    void LOG(vb::String& FichierLOG);
    vb::Variant EnvoiMail();
    void DEBUGGER(forms::TextHolder* D, std::int16_t activer);

    // The end of one exchange: "MAIL ACCEPTE", the server's failing reply line, or what
    // went wrong with the connection.
    std::function<void(vb::String& erreur)> MailEnvoye;

    void UserControl_Initialize();

private:
    void S_DataArrival(std::int32_t bytesTotal);
    void S_Error(std::int32_t Number, const vb::String& Description);
    void S_Close();
    void S_SendProgress(std::int32_t bytesRemaining);

    vb::String LignesEntieres(const vb::String& recu, bool coupe);
    void Traiter(const vb::String& ligne);
    void Repondre(const vb::String& ligne);
    void AnnoncerDestinataire();
    void EnvoyerMessage();
    void Envoyer(const vb::String& commande);
    void Journal(const vb::String& infos);

    void TerminerEchange(vb::String erreur);
    void Signaler(vb::String erreur);
    void ArmerDelai();
    void ArreterDelai();

    std::int16_t etat_ = 0;
    std::unique_ptr<logs> JournalMail;
    std::int16_t JournalActif = 0;
    bool DebugActif = false;
    forms::TextHolder* DebugCible = nullptr;
    std::int16_t IndexDestinataire = 0;

    // Between EnvoiMail and its one MailEnvoye.
    bool enCours_ = false;
    // The unfinished last line of the previous arrival.
    vb::String reste_;
    // The server answered the message with "250 ".
    bool donneesAcceptees_ = false;
    // The socket has taken the whole message: the server's answer may take longer.
    bool donneesParties_ = false;
    forms::EventLoop::Id delai_ = 0;
};
