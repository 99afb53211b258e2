#pragma once
// The window-position keeper: bound to a form with INIT, it puts the form back where a
// settings section says, then once a second writes the form's position, size, window state
// and visibility there whenever they change.

#include "forms/Form.h"
#include "forms/Timer.h"
#include "forms/UserControl.h"
#include "vb/Variant.h"

#include <cstdint>

class SavePosition : public forms::UserControl {
public:
    SavePosition(forms::Container& parent, vb::String name);

    // Errors reach the caller; what was done before stays done.
    void INIT(forms::Form& Fenetre, vb::String FichierINI, vb::String Section_INI);

    vb::String FichierINI() const { return fichier_; }
    void FichierINI(vb::String Champ) { fichier_ = std::move(Champ); }

    forms::Timer Timer1;

protected:
    void ReadProperties(const forms::PropertyBag& PropBag) override;
    void WriteProperties(forms::PropertyBag& PropBag) const override;

private:
    void Timer1_Timer();
    void UserControl_Resize();

    // The bound form, by its window's handle (never reused): a form made later at the
    // same address is another form.
    std::intptr_t Fenetre = 0;
    bool Initialise = false;
    vb::String fichier_;
    vb::String section_;
    // The values last written; Empty reads as 0, or False for the visibility.
    struct {
        vb::Variant left;
        vb::Variant top;
        vb::Variant width;
        vb::Variant height;
        vb::Variant visible;
        vb::Variant etat;
    } DernieresValeurs;
};
