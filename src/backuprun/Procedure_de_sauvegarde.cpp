#include "backuprun/RunFiles.h"
#include "backuprun/SummaryReport.h"
#include "backuprun/quorvel.h"
#include "copyengine/Module7.h"
#include "forms/EventLoop.h"
#include "mail/ModulePING.h"
#include "routines/Conversion.h"
#include "routines/OUTILS.h"
#include "vb/App.h"
#include "vb/Convert.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/FileSystem.h"

using RunFiles::Lire;

namespace {

const vb::String kServeur = u"Serveur MAIL";
const vb::String kLineEnd = u"\r\n";
constexpr std::size_t kResultatsMax = 30000;

// Defaults written into a new settings file: a LAN server, a sender, one recipient.
constexpr vb::StringView kIPParDefaut = u"192.168.1.25";
constexpr vb::StringView kMailFromParDefaut = u"quorvel@example.com";
constexpr vb::StringView kMailToParDefaut = u"<administrateur@example.com>";

// Creates `chemin` one level at a time up to its last separator. The first field (empty
// before a leading "/") is never created, nor the server of a network path "//server/".
void CreerDestination(const vb::String& chemin) {
    vb::ErrorRecord Err;
    const vb::String separateur(1, vb::PathSeparator);
    const std::int16_t premier = vb::Left(chemin, 2) == separateur + separateur ? 3 : 1;
    vb::String construit;
    for (std::int16_t i = 1; i <= premier; ++i) {
        construit += Conversion::ExtraireChamp(chemin, separateur, i) + separateur;
    }
    std::int16_t niveaux = 0;
    Err.Run([&] { niveaux = Conversion::CompterOccurrences(chemin, separateur); });
    // A counter wider than the count, so that 32767 levels end like any other count.
    for (std::int32_t i = premier + 1; i <= niveaux; ++i) {
        const vb::String champ =
            Conversion::ExtraireChamp(chemin, separateur, static_cast<std::int16_t>(i));
        Err.Run([&] { vb::MkDir(construit + champ); });
        construit += champ + separateur;
    }
}

} // namespace

void quorvel::Procedure_de_sauvegarde(const vb::String& Section) {
    vb::ErrorRecord Err;
    vb::String statut;
    Err.Run([&] { de.Text = Lire(Section, u"de", u""); });
    Err.Run([&] { vers.Text = Lire(Section, u"vers", u""); });
    Err.Run([&] { extension.Text = Lire(Section, u"extension", u""); });
    Err.Run([&] { statut = Lire(Section, u"statut", u"D"); });

    Err.Run([] { forms::DoEvents(); });

    std::int32_t nCopies = 0;
    std::int32_t nParcourus = 0;
    Module7::OctetsCopies = 0;
    vb::String resultat;
    vb::String erreur;
    Module7::NbFichiersCrees = 0;
    Module7::NbFichiersAJour = 0;
    Module7::NbRepertoiresCrees = 0;
    Module7::NbFichiersParcourus = 0;
    Module7::NbRepertoiresParcourus = 0;
    Module7::VolumeCopie = 0;

    if (!OUTILS::FichierExiste(vers.Text).ToBoolean()) {
        CreerDestination(vers.Text);
    }

    if (de.Text.empty()) {
        erreur = u"la SECTION choisie n'a pas été programmée !";
        de.Text = u"NEANT";
        vers.Text = u"NEANT";
        extension.Text = u"";
    } else if (vers.Text.empty()) {
        // A source without a destination would be copied into the working folder.
        erreur = u"la destination n'est pas programmée !";
    } else {
        Err.Run([&] {
            erreur = Module7::CopierDossier(de.Text, extension.Text, vers.Text, statut, encours,
                                            resultat, nCopies, nParcourus)
                         .ToString();
        });
    }

    if (!vers.Text.empty() && vers.Text != u"NEANT") {
        encours.Caption = u"Préparation du MAIL";
        Err.Run([&] {
            vb::String serveur = Lire(kServeur, u"IP", kIPParDefaut);
            Mail.IP = ModulePING::ResoudreAdresseIP(serveur);
        });
        Err.Run([&] { Mail.PORT = vb::CStr(vb::Val(Lire(kServeur, u"PORT", u"25"))); });
        Err.Run([&] { Mail.MailFROM(Lire(kServeur, u"Mail From", kMailFromParDefaut)); });
        Err.Run([&] { Mail.MailTO(Lire(Section, u"Mail TO", kMailToParDefaut)); });
        Err.Run([&] {
            Mail.Subject(u"Sauve " + Section + u": " + vb::CStr(nCopies) + u" faits sur " +
                         vb::CStr(nParcourus) + u" parcourus (" + vb::CStr(Module7::OctetsCopies) +
                         u" octets).");
        });
        // The priority line is set and then cleared again before the text is built, so the
        // mail carries none.
        if (!erreur.empty()) {
            Mail.message(u"X-Priority: 1" + kLineEnd);
        } else if (resultat.empty()) {
            Mail.message(u"X-Priority: 4" + kLineEnd);
        }
        Mail.message(u"");
        resultat = vb::Left(resultat, kResultatsMax);
        // An empty line ends the header block before the report. The text ends after the
        // report's blank line: the control closes the data itself, and any further "." line
        // would reach the server as a command.
        Err.Run([&] {
            Mail.message(u"Content-Type: text/html;" + kLineEnd + Mail.message() + kLineEnd +
                         HTML_format(erreur, resultat) + kLineEnd + kLineEnd);
        });
        encours.Caption = u"Envoie du MAIL à " + vb::FormatDateTime(vb::Now()) + u" ... ";
        vb::String envoi;
        Err.Run([&] { envoi = Lire(Section, u"Envoi MAIL", u"OK"); });
        if (envoi == u"OK") {
            Err.Run([&] { Mail.EnvoiMail(); });
            return;
        }
        EnTraitement = 0;
        return;
    }

    if (!erreur.empty()) {
        Err.Run([&] { RunFiles::Journaliser(u"erreurmail.log", u"   =>  ", erreur); });
    }
    EnTraitement = 0;
}

vb::String quorvel::HTML_format(vb::String erreur, vb::String resultat) {
    SummaryReport::Inputs in;
    in.dateHeure = vb::FormatDateTime(vb::Now());
    in.de = de.Text;
    in.vers = vers.Text;
    in.extension = extension.Text;
    in.erreur = std::move(erreur);
    in.resultat = std::move(resultat);
    in.NbFichiersCrees = Module7::NbFichiersCrees;
    in.NbFichiersParcourus = Module7::NbFichiersParcourus;
    in.NbFichiersAJour = Module7::NbFichiersAJour;
    in.NbRepertoiresCrees = Module7::NbRepertoiresCrees;
    in.VolumeCopie = Module7::VolumeCopie;
    in.OctetsCopies = Module7::OctetsCopies;
    return SummaryReport::Page(in);
}

vb::String quorvel::HTML_Gras(const vb::String& texte) {
    return SummaryReport::Bold(texte);
}
