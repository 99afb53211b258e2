#pragma once

#include "forms/Form.h"
#include "forms/Window.h"
#include "vb/String.h"
#include "vb/Variant.h"

#include <cstdint>

// Result of the message that starts a window drag; nothing reads it.
extern vb::Variant Retour;

namespace OUTILS {

// True when `chemin` names a file whose length can be read and is not 0.
vb::Variant FichierExiste(const vb::String& chemin);

// The window code's own measure: 15 twips a pixel whatever the display.
inline constexpr std::int32_t kTwipsParPixel = 15;

// Window geometry in twips, at kTwipsParPixel. Errors (a result beyond 32 bits, say) reach
// the caller.

// Centres the form on the screen; a form larger than the screen goes to 0 on that axis.
void CentrerFenetre(forms::Form& formulaire);
// Screen position of the window's client area.
void PositionZoneClient(const forms::Window& objet, std::int32_t& x, std::int32_t& y);
// Client size: the object's own Width and Height less a left and a right border as wide as
// the left one, the part above the client area, and a bottom border as wide too.
void TailleZoneClient(const forms::Window& objet, std::int32_t& largeur, std::int32_t& hauteur);
// The same for a form, its divisions in single precision.
void TailleZoneClientForm(const forms::Form& formulaire, std::int32_t& largeur,
                          std::int32_t& hauteur);

} // namespace OUTILS
