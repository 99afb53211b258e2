#pragma once
// The hover button: a flat button with a caption. While the pointer is over it a gradient
// strip covers its width; once the pointer has left, the strip shrinks towards the left by
// 300 twips every 10 ms and disappears. A click on the caption or the strip raises Click.

#include "forms/PictureBox.h"
#include "forms/Timer.h"
#include "forms/UserControl.h"

#include <functional>

class UserControl1 : public forms::UserControl {
public:
    UserControl1(forms::Container& parent, vb::String name);

    // The hover area, through its client rectangle on the screen; hidden.
    forms::PictureBox Picture1;
    // The highlight strip; its height is the button's.
    forms::Image Image1;
    forms::Label Label1;
    forms::Timer Timer1;

    void caption(vb::String& texte);

    // For the host. A click on the button's bare surface raises nothing: the runtime's own
    // surface Click, which this hides, stays unset.
    std::function<void()> Click;

private:
    void Timer1_Timer();
    void UserControl_Resize();
    void RaiseClick();
};
