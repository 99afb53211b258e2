#pragma once
// Host-name resolution of the mail server.

#include "vb/String.h"

namespace ModulePING {

// The dotted text of the first IPv4 address of `name`, or "" when it does not resolve.
vb::String ResoudreAdresseIP(vb::String& name);

} // namespace ModulePING
