#include "configwindow/accueil.h"

#include "configwindow/Artwork.h"
#include "configwindow/Form1.h"
#include "routines/OUTILS.h"

#include <memory>

namespace {

std::unique_ptr<accueil>& Shared() {
    static std::unique_ptr<accueil> instance;
    return instance;
}

} // namespace

accueil& accueil::Instance() {
    auto& shared = Shared();
    if (!shared) {
        shared = std::make_unique<accueil>();
        shared->Form_Load();
    }
    return *shared;
}

bool accueil::Loaded() {
    return Shared() != nullptr;
}

void accueil::Unload() {
    auto& shared = Shared();
    if (shared) {
        shared->Hide();
        shared.reset();
    }
}

accueil::accueil() : forms::Form(u"accueil"), Timer1(*this, u"Timer1", 2000, true) {
    // No border: the window is its client area, 554 x 265 pixels.
    Width = 8310;
    Height = 3975;
    Picture = artwork::SplashLogo();
    ScaledOnTerminal = true;
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void accueil::Form_Load() {
    OUTILS::CentrerFenetre(*this);
}

void accueil::Timer1_Timer() {
    Form1::Instance().intro = false;
    Unload(); // the last statement: the splash is gone once it returns
}
