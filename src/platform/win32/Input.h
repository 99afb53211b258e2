#pragma once
// Mouse input as the window manager receives it, queued on the event loop: each event
// runs at a later pump, in order. A press on a window's background raises its form's
// MouseDown; a press and release on a label clicks it.

#include "win32/Window.h"

namespace win32 {

void QueueMouseMove(Point screenPoint);
// `button`: forms::LeftButton, RightButton or MiddleButton.
void QueueButtonDown(int button);
void QueueButtonUp(int button);

} // namespace win32
