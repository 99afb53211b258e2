#pragma once
// Persisted properties of a user control, as the form that carries it saves them at design
// time and hands them back when it loads.

#include "vb/String.h"
#include "vb/Variant.h"

#include <utility>
#include <vector>

namespace forms {

class PropertyBag {
public:
    // The saved value, or `defaultValue` when the property was not saved.
    vb::Variant ReadProperty(vb::StringView name, const vb::Variant& defaultValue = {}) const;
    void WriteProperty(vb::StringView name, const vb::Variant& value);

    // Names and values in the order they were first saved.
    const std::vector<std::pair<vb::String, vb::Variant>>& Contents() const { return entries_; }

private:
    std::vector<std::pair<vb::String, vb::Variant>> entries_;
};

} // namespace forms
