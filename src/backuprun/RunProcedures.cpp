#include "backuprun/RunFiles.h"
#include "backuprun/quorvel.h"
#include "forms/EventLoop.h"
#include "vb/App.h"
#include "vb/Convert.h"
#include "vb/Error.h"

using RunFiles::Lire;

namespace {

// The count is a 16-bit number: one beyond that range stops the run before anything runs,
// with an overflow error that names the setting.
std::int16_t NombreDeMembres(const vb::String& procedure) {
    const vb::String texte = Lire(procedure, u"Nombre", u"0");
    try {
        return vb::CInt(vb::Val(texte));
    } catch (const vb::Error& e) {
        throw vb::Error(e.number(),
                        e.description() + u" (Nombre=" + texte + u" dans [" + procedure + u"])");
    }
}

} // namespace

void quorvel::RunProcedures(const vb::String& procedure) {
    const std::int16_t nombre = NombreDeMembres(procedure);
    if (nombre < 1) {
        EnTraitement = 1;
        Procedure_de_sauvegarde(procedure);
        Attendre();
    } else {
        // A wider counter than the count, so that a group of 32767 members ends normally.
        for (std::int32_t i = 1; i <= nombre; ++i) {
            EnTraitement = 1;
            const vb::String membre = Lire(procedure, u"Section" + vb::CStr(i), u"");
            Procedure_de_sauvegarde(membre);
            Attendre();
        }
    }
    vb::End(0);
}

void quorvel::Attendre() {
    auto& loop = forms::EventLoop::instance();
    // The mail control always ends its exchange; should nothing be left that could, the
    // wait gives up rather than spin.
    while (EnTraitement == 1 && loop.waitEvents()) {
    }
}

void quorvel::Mail_MailEnvoye(vb::String& erreur) {
    vb::ErrorRecord Err;
    EnTraitement = 0;
    Err.Run([&] { RunFiles::Journaliser(u"erreurs.log", u" => ", erreur); });
}
