#include "configwindow/accueil.h"

#include "configwindow/Artwork.h"
#include "configwindow/Form1.h"
#include "forms/SharedForm.h"
#include "routines/OUTILS.h"

accueil& accueil::Instance() {
    return forms::SharedForm<accueil>::Instance(&accueil::Form_Load);
}

bool accueil::Loaded() {
    return forms::SharedForm<accueil>::Exists();
}

void accueil::Unload() {
    forms::SharedForm<accueil>::Unload();
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
