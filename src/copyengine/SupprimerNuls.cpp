#include "copyengine/Module7.h"
#include "vb/Error.h"

#include <cstdint>
#include <limits>

namespace Module7 {

vb::String SupprimerNuls(vb::String& chaine) {
    const std::size_t position = vb::InStr(chaine, vb::StringView(u"\0", 1));
    // The position is a 16-bit integer.
    if (position > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max())) {
        vb::Raise(vb::err::Overflow);
    }
    if (position > 0) {
        chaine.resize(position - 1);
    }
    return chaine;
}

} // namespace Module7
