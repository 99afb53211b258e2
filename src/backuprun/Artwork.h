#pragma once
// The window's own artwork, drawn in code: nothing to ship beside the program.

#include "forms/Picture.h"

namespace artwork {

// 407 x 243: a light grey rounded panel with the logo at its top left.
forms::Picture Background();
// 32 x 32: the logo alone.
forms::Picture Icon();

} // namespace artwork
