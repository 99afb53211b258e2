#include "forms/PropertyBag.h"

#include <algorithm>

namespace forms {

vb::Variant PropertyBag::ReadProperty(vb::StringView name, const vb::Variant& defaultValue) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return vb::Equal(entry.first, name, vb::Compare::Text);
    });
    return it == entries_.end() ? defaultValue : it->second;
}

void PropertyBag::WriteProperty(vb::StringView name, const vb::Variant& value) {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const auto& entry) {
        return vb::Equal(entry.first, name, vb::Compare::Text);
    });
    if (it != entries_.end()) {
        it->second = value;
    } else {
        entries_.emplace_back(vb::String(name), value);
    }
}

} // namespace forms
