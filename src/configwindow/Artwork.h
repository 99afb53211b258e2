#pragma once
// The configuration window's and the splash's pictures, drawn in code: nothing to ship
// beside the program.

#include "forms/Picture.h"

namespace artwork {

// 827 x 75: the grey gradient of the window's strip, light at the top.
forms::Picture GreyStrip();
// 287 x 49: an empty pale-yellow rounded panel on the strip's grey.
forms::Picture YellowPanel();
// 556 x 270: the splash's logo, the maker's mark on a blue panel.
forms::Picture SplashLogo();

} // namespace artwork
