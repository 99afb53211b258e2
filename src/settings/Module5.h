#pragma once
// Registry values by textual key path ("HKEY_CURRENT_USER\Software\Quorvel"), and the
// settings accessor's registry side built on them.

#include "vb/String.h"
#include "vb/Variant.h"

#include <cstdint>

namespace Module5 {

// The value's text, or an empty text when anything fails (a root name outside the seven,
// a missing key or value).
vb::Variant LireValeurRegistre(const vb::String& cheminCle, const vb::String& nomValeur);

// Stores `donnee` as a string value, creating the key when missing; a failure leaves the
// registry unchanged, silently.
void EcrireValeurRegistre(const vb::String& cheminCle, const vb::String& nomValeur,
                          const vb::Variant& donnee);

// The accessor's result for a setting kept at `cheminCle`: mode 0 writes `valeur`; other
// modes read, an empty or missing value giving `valeur`, which mode 2 then stores.
vb::String LireEcrireRegistre(const vb::String& cheminCle, const vb::String& cle,
                              const vb::String& valeur, std::int16_t mode);

// Hands the accessor's "$" settings to LireEcrireRegistre.
void InstallRegistryBranch();

} // namespace Module5
