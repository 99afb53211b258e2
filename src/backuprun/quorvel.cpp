#include "backuprun/quorvel.h"

#include "backuprun/Artwork.h"
#include "routines/Conversion.h"
#include "settings/INI32.h"
#include "vb/App.h"
#include "vb/Convert.h"
#include "win32/Window.h"

quorvel& quorvel::Instance() {
    static quorvel window;
    return window;
}

quorvel::quorvel()
    : forms::Form(u"quorvel"), de(*this, u"de"), vers(*this, u"vers"),
      extension(*this, u"extension"), Label1(*this, u"Label1", u"De"),
      Label3(*this, u"Label3", u"vers"), Label2(*this, u"Label2", u"Extension"),
      KoCopies(*this, u"KoCopies", u"0"), encours(*this, u"encours", u"néant"),
      version(*this, u"version"), Label4(*this, u"Label4", u"X"), Mail(*this) {
    Caption = u"quorvel";
    // No frame: the window is moved by its background and closed by its "X" label.
    Width = 6105;
    Height = 3630;
    const auto& screen = win32::WindowManager::instance().screen;
    // Centred on the screen, on whole pixels.
    const int leftPixels = (screen.width - 407) / 2;
    const int topPixels = (screen.height - 242) / 2;
    Left = static_cast<float>(leftPixels * screen.twipsPerPixel);
    Top = static_cast<float>(topPixels * screen.twipsPerPixel);
    Picture = artwork::Background();
    Icon = artwork::Icon();

    de.Move(1680, 1080, 3975, 285);
    vers.Move(3000, 1440, 2655, 285);
    extension.Move(1320, 1560, 855, 285);
    Label1.Move(1320, 1080, 375, 255);
    Label3.Move(2520, 1440, 375, 255);
    Label2.Move(480, 1560, 735, 255);
    KoCopies.Move(3480, 1800, 2175, 255);
    KoCopies.ForeColor = forms::Rgb(255, 0, 0);
    KoCopies.FontInfo = forms::Font{u"Arial", 8.25F, true};
    encours.Move(480, 2040, 5295, 1455);
    version.Move(1200, 600, 2535, 255);
    Label4.Move(5640, 120, 255, 255);
    Label4.FontInfo = forms::Font{u"MS Sans Serif", 12, true};
    Mail.Move(840, 3840, 3615, 2295);
    Mail.MailEnvoye = [this](vb::String& erreur) { Mail_MailEnvoye(erreur); };

    MouseDown = [this](int button, int shift, float x, float y) {
        Form_MouseDown(button, shift, x, y);
    };
    Label4.Click = [this] { Label4_Click(); };
    CloseBox = [this] { Label4_Click(); };
}

void quorvel::Form_Load() {
    if (PrepareRun()) {
        RunProcedures(procedure_);
    }
}

bool quorvel::PrepareRun() {
    const auto& app = vb::App();
    version.Caption = u"Version " + vb::CStr(app.Major) + u"." + vb::CStr(app.Minor) + u"." +
                      vb::CStr(app.Revision);
    INI32::CheminINI = app.Path + vb::PathSeparator + u"quorvel.ini";
    vb::String ligne = vb::Command();

    if (ligne == u"/?") {
        encours.Caption = u"Pour créer une procédure : veuillez modifier le fichier "
                          u"'quorvel.ini' dans le dossier de Windows.";
        encours.Caption =
            encours.Caption + u"\r\n" + u"Dans la zone 'statut', indiquez DR pour récursive.";
        encours.Caption = encours.Caption + u"\r\n" +
                          u"Lancement de l'application : avec paramétre le nom de la section "
                          u"dans le fichier quorvel.ini et en indiquant '/I' pour fenêtre "
                          u"invisible.";
        de.Visible = false;
        extension.Visible = false;
        vers.Visible = false;
        Label1.Visible = false;
        Label2.Visible = false;
        Label3.Visible = false;
        KoCopies.Visible = false;
        Show();
        return false;
    }

    if (vb::InStr(ligne, u"/I") > 0) {
        ligne = Conversion::Remplacer(ligne, u"/I", u"").ToString();
        Hide();
    } else {
        Show();
    }
    procedure_ = ligne;
    return true;
}

void quorvel::Form_MouseDown(int, int, float, float) {
    win32::ReleaseCapture();
    Retour = win32::SendMessageA(hwnd, win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, 0);
}

void quorvel::Label4_Click() {
    vb::End(0);
}
