#pragma once
// The splitter bar: a thin vertical bar between a left control `g` and a right control `D`
// of one container, dragged sideways to share the container's width between them. Once
// dropped, the next mouse move over it lays `g` and `D` out around it, raises Changed and
// stores the width of `g` in its settings record, when it has one. It blinks on hover.

#include "forms/Timer.h"
#include "forms/UserControl.h"
#include "vb/Variant.h"

#include <cstdint>
#include <functional>

class BarreSeparatrice : public forms::UserControl {
public:
    BarreSeparatrice(forms::Container& parent, vb::String name);

    // A re-layout is pending: the next mouse move over the bar with no button down does it.
    bool appuye = false;
    // The right edge of `g` after the last re-layout: what the record keeps.
    std::int32_t PositionReelle = 0;

    // Places the bar right after `g` and lays `g` and `D` out around it. Does nothing
    // before a binding; ignores its errors.
    void REFRESHING();
    // `g` must have a window of its own (error 438 otherwise, at the first re-layout); it
    // is put at its container's left edge. `control_parent`'s ScaleHeight gives the height
    // of both. Errors reach the caller.
    void Controle_GAUCHEDROITE(forms::Control& g, forms::Control& D, std::int32_t positionorigine,
                               forms::Container& control_parent);
    // The same, with the width of `g` read from and kept in key IO_variable of section
    // IO_rubrique of the settings file IO_fichier (its current width when missing).
    void Controle_GAUCHEDROITE_avecMEMOIRE(forms::Control& g, forms::Control& D,
                                           forms::Container& control_parent,
                                           const vb::Variant& IO_rubrique,
                                           const vb::Variant& IO_variable,
                                           const vb::Variant& IO_fichier);

    std::function<void()> Changed;

    forms::Timer clignotement;

private:
    void UserControl_MouseDown(int Button, int Shift, float X, float Y);
    void UserControl_MouseMove(int Button, int Shift, float X, float Y);
    void UserControl_Resize();
    void clignotement_Timer();
    void Relayout();
    // A drop past either edge comes back at once to the nearest place where `g` and `D`
    // fit, where the pointer can reach it again.
    void RamenerDansLesLimites();

    forms::Control* g = nullptr;
    forms::Control* D = nullptr;
    forms::Container* control_parent = nullptr;
    bool RafraichissementSuspendu = true;
    vb::String IO_rubrique;
    vb::String IO_variable;
    vb::String IO_fichier;
    std::int32_t CompteurClignotement = 0;
    // The user dropped the bar since the last re-layout: in a container too narrow for
    // both, D then gets no width rather than a negative one.
    bool lache_ = false;
};
