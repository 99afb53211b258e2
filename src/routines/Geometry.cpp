#include "routines/Conversion.h"
#include "routines/OUTILS.h"
#include "vb/Convert.h"
#include "win32/Window.h"

vb::Variant Retour;

namespace OUTILS {

namespace {

// `largeur` and `hauteur` of the window `hwnd` whose outer size in pixels is `largeurPixels`
// by `hauteurPixels`; each result is written as soon as it is known.
void MesurerZoneClient(std::intptr_t hwnd, double largeurPixels, double hauteurPixels,
                       std::int32_t& largeur, std::int32_t& hauteur) {
    win32::Rect r;
    win32::Point p;
    win32::GetWindowRect(hwnd, r);
    win32::ClientToScreen(hwnd, p);
    const std::int32_t bx = vb::CLng(static_cast<double>(p.x) - r.left);
    const std::int32_t droite = vb::CLng(r.left + largeurPixels - bx);
    const std::int32_t bas = vb::CLng(r.top + hauteurPixels - bx);
    largeur = vb::CLng((static_cast<double>(droite) - p.x) * kTwipsParPixel);
    hauteur = vb::CLng((static_cast<double>(bas) - p.y) * kTwipsParPixel);
}

} // namespace

void CentrerFenetre(forms::Form& formulaire) {
    const forms::Screen& ecran = forms::TheScreen();
    const auto largeurEcran = static_cast<float>(ecran.width * ecran.twipsPerPixel);
    const auto hauteurEcran = static_cast<float>(ecran.height * ecran.twipsPerPixel);
    const vb::Variant zero(std::int16_t{0});
    const vb::Variant gauche =
        Conversion::Maximum(vb::Variant((largeurEcran - formulaire.Width) / 2.0F), zero);
    const vb::Variant haut =
        Conversion::Maximum(vb::Variant((hauteurEcran - formulaire.Height) / 2.0F), zero);
    formulaire.Move(vb::CSng(gauche.ToDouble()), vb::CSng(haut.ToDouble()));
}

void PositionZoneClient(const forms::Window& objet, std::int32_t& x, std::int32_t& y) {
    win32::Point p;
    win32::ClientToScreen(objet.hwnd, p);
    x = vb::CLng(static_cast<double>(p.x) * kTwipsParPixel);
    y = vb::CLng(static_cast<double>(p.y) * kTwipsParPixel);
}

void TailleZoneClient(const forms::Window& objet, std::int32_t& largeur, std::int32_t& hauteur) {
    MesurerZoneClient(objet.hwnd, objet.ReadWidth() / static_cast<double>(kTwipsParPixel),
                      objet.ReadHeight() / static_cast<double>(kTwipsParPixel), largeur, hauteur);
}

void TailleZoneClientForm(const forms::Form& formulaire, std::int32_t& largeur,
                          std::int32_t& hauteur) {
    const auto quinze = static_cast<float>(kTwipsParPixel);
    MesurerZoneClient(formulaire.hwnd, formulaire.Width / quinze, formulaire.Height / quinze,
                      largeur, hauteur);
}

} // namespace OUTILS
