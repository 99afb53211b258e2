#pragma once
// The startup window: home of the whole backup run. Its load event reads the command
// line; the run itself continues from there with the procedure name.

#include "forms/Control.h"
#include "forms/Form.h"
#include "mail/Mail.h"
#include "routines/OUTILS.h"
#include "vb/String.h"
#include "vb/Variant.h"

#include <cstdint>

class quorvel : public forms::Form {
public:
    // The process-wide window, made on first use.
    static quorvel& Instance();

    quorvel();

    forms::TextBox de;
    forms::TextBox vers;
    forms::TextBox extension;
    forms::Label Label1;
    forms::Label Label3;
    forms::Label Label2;
    forms::Label KoCopies;
    forms::Label encours;
    forms::Label version;
    forms::Label Label4;
    // The SMTP client of the run; it lies below the visible client area.
    ::Mail Mail;

    void Form_Load();
    // The load event up to the batch run: version, settings path, then the help text or
    // the procedure name. False in help mode, where nothing is run.
    bool PrepareRun();
    // One procedure: its settings, the copy, then the mail or the erreurmail.log line.
    void Procedure_de_sauvegarde(const vb::String& Section);
    // The HTML summary page of the procedure that just ran, on one line.
    vb::String HTML_format(vb::String erreur, vb::String resultat);
    vb::String HTML_Gras(const vb::String& texte);
    // The end of one mail exchange: the run goes on, the outcome goes to erreurs.log.
    void Mail_MailEnvoye(vb::String& erreur);
    void Form_MouseDown(int Button, int Shift, float X, float Y);
    [[noreturn]] void Label4_Click();

    // The procedure name the load event prepared for the run.
    const vb::String& ProcedureName() const { return procedure_; }
    std::int16_t Busy() const { return EnTraitement; }

private:
    // Where the load event goes on once the procedure name is ready.
    void RunProcedures(const vb::String& procedure);
    // Lets window events through until the running procedure is done.
    void Attendre();

    // 1 while a procedure and its mail exchange are under way.
    std::int16_t EnTraitement = 0;
    vb::String procedure_;
};
