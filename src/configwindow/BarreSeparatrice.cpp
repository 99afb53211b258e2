#include "configwindow/BarreSeparatrice.h"

#include "forms/RaiseEvent.h"
#include "routines/OUTILS.h"
#include "settings/INI32.h"
#include "vb/Convert.h"
#include "vb/Error.h"
#include "win32/Window.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr std::uint32_t kGris = 0x808080;
using OUTILS::kTwipsParPixel;

} // namespace

BarreSeparatrice::BarreSeparatrice(forms::Container& parent, vb::String name)
    : UserControl(parent, std::move(name)), clignotement(*this, u"clignotement", 100, false) {
    BackColor = kGris;
    OwnWidth = 50;
    Resize = [this] { UserControl_Resize(); };
    MouseDown = [this](int b, int s, float x, float y) { UserControl_MouseDown(b, s, x, y); };
    MouseMove = [this](int b, int s, float x, float y) { UserControl_MouseMove(b, s, x, y); };
    clignotement.Tick = [this] { clignotement_Timer(); };
}

void BarreSeparatrice::Controle_GAUCHEDROITE_avecMEMOIRE(forms::Control& g, forms::Control& D,
                                                         forms::Container& control_parent,
                                                         const vb::Variant& IO_rubrique,
                                                         const vb::Variant& IO_variable,
                                                         const vb::Variant& IO_fichier) {
    this->control_parent = &control_parent;
    this->g = &g;
    this->D = &D;
    RafraichissementSuspendu = false;
    this->IO_rubrique = IO_rubrique.ToString();
    this->IO_variable = IO_variable.ToString();
    this->IO_fichier = IO_fichier.ToString();
    g.Left = 0;
    const vb::String largeur =
        INI32::LireEcrireINI(this->IO_rubrique, this->IO_variable,
                             vb::Str(static_cast<float>(g.Width)), this->IO_fichier, 2);
    g.Width = vb::CSng(vb::Val(largeur));
    REFRESHING();
}

void BarreSeparatrice::Controle_GAUCHEDROITE(forms::Control& g, forms::Control& D,
                                             std::int32_t positionorigine,
                                             forms::Container& control_parent) {
    this->control_parent = &control_parent;
    this->g = &g;
    this->D = &D;
    RafraichissementSuspendu = false;
    g.Width = static_cast<float>(positionorigine);
    REFRESHING();
}

void BarreSeparatrice::REFRESHING() {
    if (RafraichissementSuspendu) {
        return;
    }
    vb::ErrorRecord Err;
    std::int16_t echelle = 0;
    Err.Run([&] { echelle = g->Parent().ScaleMode(); });
    Err.Run([&] { g->Parent().ScaleMode(forms::ScalePixels); });
    Err.Run([&] {
        // The screen's height in twips, taken as pixels: far above and below any container.
        const auto s = static_cast<float>(forms::TheScreen().height * kTwipsParPixel);
        win32::MoveWindow(hwnd, vb::CLng(g->Left + g->Width + 1), vb::CLng(-s), 5, vb::CLng(3 * s),
                          1);
    });
    Err.Run([&] { g->Parent().ScaleMode(echelle); });
    appuye = true;
    lache_ = false;
    Err.Run([&] { UserControl_MouseMove(0, 0, 0, 0); });
    Err.Run([&] { g->ZOrder(1); });
    Err.Run([&] { D->ZOrder(1); });
}

void BarreSeparatrice::UserControl_MouseDown(int Button, int, float, float) {
    if (Button != forms::LeftButton || g == nullptr) {
        return; // nothing to share before a binding
    }
    win32::ReleaseCapture();
    appuye = true;
    g->ZOrder(1);
    D->ZOrder(1);
    lache_ = true;
    win32::SendMessageA(hwnd, win32::WM_NCLBUTTONDOWN, win32::HTCAPTION, 0);
    RamenerDansLesLimites();
}

void BarreSeparatrice::UserControl_MouseMove(int Button, int, float, float) {
    if (Button != 0) {
        return;
    }
    if (appuye) {
        Relayout();
    } else {
        CompteurClignotement = 5;
        clignotement.Enabled(true);
    }
}

void BarreSeparatrice::Relayout() {
    appuye = false;
    if (g == nullptr) {
        return;
    }
    const bool lache = std::exchange(lache_, false);
    win32::Rect rG;
    win32::Rect rB;
    win32::GetWindowRect(forms::HwndOf(*g), rG);
    win32::GetWindowRect(hwnd, rB);
    const std::int32_t p = vb::CLng(static_cast<double>(rB.left) - rG.left);
    g->Move(0, 0, static_cast<float>(vb::CLng((static_cast<double>(p) - 1) * kTwipsParPixel)),
            control_parent->ScaleHeight());
    const std::int32_t L = vb::CLng((static_cast<double>(p) + 6) * kTwipsParPixel);
    float largeurD = D->Parent().ScaleWidth() - static_cast<float>(L);
    if (lache) {
        largeurD = std::max(largeurD, 0.0F); // a container too narrow for both
    }
    D->Move(static_cast<float>(L), 0, largeurD, control_parent->ScaleHeight());
    RafraichissementSuspendu = true;
    PositionReelle = vb::CLng(g->Left + g->Width);
    if (!IO_fichier.empty()) {
        INI32::LireEcrireINI(IO_rubrique, IO_variable, vb::Str(static_cast<double>(PositionReelle)),
                             IO_fichier, 0);
    }
    forms::RaiseEvent(Changed);
    RafraichissementSuspendu = false;
}

void BarreSeparatrice::RamenerDansLesLimites() {
    win32::Rect rG;
    win32::Rect rB;
    win32::GetWindowRect(forms::HwndOf(*g), rG);
    win32::GetWindowRect(hwnd, rB);
    const std::int64_t p = static_cast<std::int64_t>(rB.left) - rG.left;
    // The re-layout needs p - 1 >= 0 and (p + 6) x 15 <= the width of D's container.
    const auto plusLoin = static_cast<std::int64_t>(
        std::floor(D->Parent().ScaleWidth() / static_cast<float>(kTwipsParPixel)) - 6);
    const std::int64_t ramene = std::max<std::int64_t>(std::min(p, plusLoin), 1);
    if (ramene != p) {
        const forms::PixelRect place = Placement();
        win32::MoveWindow(hwnd, static_cast<std::int32_t>(place.x + ramene - p), place.y,
                          place.width, place.height, 1);
    }
}

void BarreSeparatrice::UserControl_Resize() {
    OwnWidth = 50;
}

void BarreSeparatrice::clignotement_Timer() {
    if (!(CompteurClignotement > 0)) {
        return;
    }
    BackColor = BackColor == 0 ? kGris : 0;
    --CompteurClignotement;
    if (CompteurClignotement == 0) {
        BackColor = kGris;
    }
}
