#include "configwindow/Form1.h"

#include "configwindow/Artwork.h"
#include "configwindow/accueil.h"
#include "forms/SharedForm.h"
#include "routines/OUTILS.h"
#include "settings/INI32.h"
#include "vb/App.h"
#include "vb/Arithmetic.h"
#include "vb/Convert.h"
#include "vb/Error.h"
#include "vb/Regional.h"
#include "win32/Window.h"

#include <optional>

namespace {

constexpr std::uint32_t kNoir = 0x00000000;
constexpr std::uint32_t kBlanc = 0x00FFFFFF;
constexpr std::int32_t kBordureEpaisse = 0x40000; // WS_THICKFRAME
// The highest index a control array can hold.
constexpr std::int32_t kDernierIndex = 32767;

} // namespace

Form1& Form1::Instance() {
    return forms::SharedForm<Form1>::Instance();
}

bool Form1::Exists() {
    return forms::SharedForm<Form1>::Exists();
}

void Form1::Unload() {
    forms::SharedForm<Form1>::Unload();
}

Form1::Form1()
    : forms::Form(u"Form1"), barreoutil(*this, u"barreoutil"), Label1(*this, u"Label1"),
      afficheur(*this, u"afficheur"), fond(*this, u"fond"), taches(fond, u"taches"),
      action(taches, u"action",
             [this](UserControl1& bouton, std::int16_t index) {
                 bouton.Site();
                 bouton.Move(120, 120, 2175, 660);
                 bouton.Click = [this, index] { action_Click(index); };
             }),
      BarreSeparatrice1(fond, u"BarreSeparatrice1"), logs(fond, u"logs"),
      fondfonctions(fond, u"fondfonctions"),
      Onglets(fondfonctions, u"Onglets", {u"Avant la sauvegarde", u"A sauvegarder", u"Résultats"}),
      Label2(Onglets, u"Label2"), Text1(Onglets, u"Text1"), Label4(Onglets, u"Label4"),
      services(Onglets, u"services"), liste(Onglets, u"liste"), File1(Onglets, u"File1") {
    // A thin fixed frame with no title bar; the client area is 656 x 509 pixels.
    SetStyle(forms::WS_BORDER);
    // Centred on the screen, on whole pixels.
    const forms::Screen& ecran = forms::TheScreen();
    const std::int32_t gauche = (ecran.width - 658) / 2;
    const std::int32_t haut = (ecran.height - 511) / 2;
    Move(static_cast<float>(gauche * ecran.twipsPerPixel),
         static_cast<float>(haut * ecran.twipsPerPixel), 9870, 7665);
    Picture = artwork::GreyStrip();
    ScaledOnTerminal = true;

    barreoutil.Move(0, 0, 12405, 1125);
    barreoutil.Picture = artwork::GreyStrip();
    barreoutil.Stretch = true;
    Label1.Move(105, 75, 1815, 375);
    Label1.Caption = u"Fichier    Edition";
    Label1.FontInfo = forms::Font{u"Verdana", 8.25F, false};
    Label1.BackStyle = 0;
    // Sized to its picture.
    afficheur.BorderStyle(0);
    afficheur.Picture = artwork::YellowPanel();
    afficheur.Move(3720, 360, 4305, 735);
    fond.Move(0, 1125, 9855, 5535);
    fond.BackColor = kNoir;
    taches.Move(0, 240, 2415, 5025);
    taches.BackColor = 0x00E2D7D1;
    BarreSeparatrice1.Site();
    BarreSeparatrice1.Move(2520, 240, 45, 1575);
    logs.Move(3120, 360, 5415, 4575);
    logs.Caption = u"LOGS";
    logs.ForeColor = kBlanc;
    logs.BackStyle = 0;
    fondfonctions.Move(2880, 720, 6735, 4815);
    fondfonctions.BackColor = 0x00FFC0C0;
    fondfonctions.Visible = false;
    Onglets.Move(240, 240, 5895, 3495);
    Label2.Move(0, 600, 1695, 375);
    Label2.Caption = u"A lancer Avant";
    Text1.Move(1800, 480, 3855, 855);
    Label4.Move(120, 1560, 1335, 735);
    Label4.Caption = u"Services à arrêter pour la sauvegarde";
    services.Move(1680, 1560, 3975, 1575);
    liste.Move(240, 480, 2295, 2535);
    liste.FontInfo = forms::Font{u"Arial", 8.25F, false};
    File1.Move(2520, 480, 2535, 2565);
    for (const forms::Control* control :
         {static_cast<const forms::Control*>(&Label2), static_cast<const forms::Control*>(&Text1),
          static_cast<const forms::Control*>(&Label4),
          static_cast<const forms::Control*>(&services)}) {
        Onglets.PlaceOnTab(*control, 0);
    }
    Onglets.PlaceOnTab(liste, 1);
    Onglets.PlaceOnTab(File1, 1);

    Resize = [this] { Form_Resize(); };
    MouseDown = [this](int b, int s, float x, float y) { Form_MouseDown(b, s, x, y); };
    barreoutil.MouseDown = [this](int b, int s, float x, float y) {
        barreoutil_MouseDown(b, s, x, y);
    };
    barreoutil.DblClick = [this] { barreoutil_DblClick(); };
    fondfonctions.Resize = [this] { fondfonctions_Resize(); };
    taches.Resize = [this] { taches_Resize(); };
}

void Form1::Form_Load() {
    vb::ErrorRecord Err;
    intro = true;
    Err.Run([] { accueil::Instance().Show(); });
    // What the load needs of the splash is that it be on screen, its timer running.
    Err.Run([] { accueil::Instance().Refresh(); });
    Err.Run([] {
        INI32::CheminINI = vb::App().Path + vb::PathSeparator + vb::App().EXEName + u".ini";
    });
    Err.Run([&] {
        BarreSeparatrice1.Controle_GAUCHEDROITE_avecMEMOIRE(
            taches, logs, *this, u"system", u"separation verticale", INI32::CheminINI);
    });

    const vb::String& groupe = vb::Command();
    vb::String nombre;
    Err.Run([&] { nombre = INI32::LireEcrireINI(groupe, u"Nombre", u"0", u"quorvel.ini", 1); });
    Err.Run([&] { DerniereProcedure = vb::CLng(vb::CDbl(nombre) - 1); });

    // Elements past the array's last index could not be made: the loop stops there.
    const std::int32_t fin = std::min(DerniereProcedure, kDernierIndex);
    for (std::int32_t i = 0; i <= fin; ++i) {
        const auto index = static_cast<std::int16_t>(i);
        if (i > 0) {
            Err.Run([&] { action.Load(index); });
            Err.Run([&] {
                const float haut = action(static_cast<std::int16_t>(i - 1)).Top;
                const float hauteur = action(static_cast<std::int16_t>(i - 1)).Height;
                action(index).Top = haut + hauteur;
            });
        }
        Err.Run([&] { action(index).Visible = true; });
        Err.Run([&] {
            vb::String texte =
                INI32::LireEcrireINI(groupe, u"Section" + vb::CStr(i + 1), u"", u"quorvel.ini", 1);
            action(index).caption(texte);
        });
    }

    auto& boucle = forms::EventLoop::instance();
    // Should nothing be left that could ever release it, the wait gives up rather than spin.
    while (intro && boucle.waitEvents()) {
    }
}

void Form1::action_Click(std::int16_t) {
    fondfonctions.Visible = true;
    BarreSeparatrice1.Controle_GAUCHEDROITE_avecMEMOIRE(taches, fondfonctions, *this, u"system",
                                                        u"separation verticale", INI32::CheminINI);
    logs.Visible = false;
    liste.Nodes.Clear();
    const std::optional<vb::String> aucun;
    liste.Nodes.Add(aucun, std::nullopt, u"\\", u"Poste de travail");
    liste.Nodes.Add(aucun, std::nullopt, aucun, u"Base de Registre");
    liste.Nodes.Add(aucun, std::nullopt, u"@", u"Utilisateur courant");
    for (const vb::StringView texte : {u"Outlook Express", u"Carnet d'adresses", u"Outlook Express",
                                       u"Mes Documents", u"Mes Favoris", u"Mon Bureau"}) {
        liste.Nodes.Add(u"@", forms::tvwChild, aucun, vb::String(texte));
    }
    liste.Nodes.Add(aucun, std::nullopt, aucun, u"Exceptions");
}

void Form1::barreoutil_DblClick() {
    std::int32_t style = 0;
    if (BordureActive == 0) {
        BordureActive = 1;
        style = win32::GetWindowLongA(hwnd, win32::GWL_STYLE);
        win32::SetWindowLongA(hwnd, win32::GWL_STYLE, style | kBordureEpaisse);
    } else {
        BordureActive = 0;
        style = win32::GetWindowLongA(hwnd, win32::GWL_STYLE);
        win32::SetWindowLongA(hwnd, win32::GWL_STYLE,
                              vb::SubLong(style | kBordureEpaisse, kBordureEpaisse));
    }
    win32::SetWindowPos(hwnd, 0, 0, 0, 0, 0,
                        win32::SWP_NOSIZE | win32::SWP_NOMOVE | win32::SWP_NOZORDER |
                            win32::SWP_NOACTIVATE | win32::SWP_FRAMECHANGED);
}

void Form1::barreoutil_MouseDown(int Button, int, float, float) {
    if (Button == forms::LeftButton) {
        win32::ReleaseCapture();
        Retour = win32::SendMessageA(hwnd, win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, 0);
    }
}

void Form1::Form_MouseDown(int Button, int Shift, float X, float Y) {
    barreoutil_MouseDown(Button, Shift, X, Y);
}

void Form1::Form_Resize() {
    std::int32_t W = 0;
    std::int32_t H = 0;
    OUTILS::TailleZoneClientForm(*this, W, H);
    const std::int32_t largeur = vb::AddLong(W, 35);
    const std::int32_t hauteur = vb::AddLong(vb::SubLong(H, 1125), 15);
    if (largeur >= 0 && hauteur >= 0) {
        fond.Move(-15, 1125, static_cast<float>(largeur), static_cast<float>(hauteur));
    }
    if (W >= 0) {
        barreoutil.Width = static_cast<float>(W);
    }
    BarreSeparatrice1.REFRESHING();
    afficheur.Left = static_cast<float>(W / 2.0 - afficheur.Width / 2.0);
}

void Form1::fondfonctions_Resize() {
    const float largeur = fondfonctions.Width - 2 * Onglets.Left;
    if (largeur >= 0) {
        Onglets.Width = largeur;
    }
    const float hauteur = fondfonctions.Height - 3 * Onglets.Top;
    if (hauteur >= 0) {
        Onglets.Height = hauteur;
    }
}

void Form1::taches_Resize() {
    // Only the elements that exist: one that could not be made is skipped.
    const std::int32_t fin = std::min(DerniereProcedure, kDernierIndex);
    for (std::int32_t i = 0; i <= fin; ++i) {
        const auto index = static_cast<std::int16_t>(i);
        if (action.Contains(index)) {
            action(index).Left = 0;
            action(index).Width = taches.Width;
        }
    }
}
