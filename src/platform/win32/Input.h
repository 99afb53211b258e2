#pragma once
// Mouse input as the window manager receives it, queued on the event loop: each event
// runs at a later pump, in order. Events go to the topmost object under the cursor: a
// windowed control, or else a control drawn on its container's surface, or else the
// container itself; while a button is held, to the object pressed, unless it released
// the capture. A press and release over the same object clicks it.

#include "forms/TerminalPresenter.h"
#include "win32/Window.h"

namespace win32 {

void QueueMouseMove(Point screenPoint);
// `button`: forms::LeftButton, RightButton or MiddleButton.
void QueueButtonDown(int button);
void QueueButtonUp(int button);
// The second press of a double-click: DblClick instead of MouseDown, and no Click when the
// button comes up.
void QueueDoubleClick(int button);

// The terminal's mouse over the presenter's scaled picture becomes queued input.
void FollowTerminalPointer(forms::TerminalPresenter& presenter);

} // namespace win32
