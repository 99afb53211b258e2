#pragma once
// The maker's mark, drawn in code for every window that shows it.

#include "forms/Picture.h"

namespace Logo {

// How far a point lies outside a rounded rectangle (negative inside).
double RoundedDistance(double x, double y, double left, double top, double right, double bottom,
                       double radius);

// A rounded blue square `size` pixels wide holding a white "Q" (a ring with its tail), its
// top left corner at x0, y0.
void Draw(forms::Picture& picture, int x0, int y0, int size);

} // namespace Logo
