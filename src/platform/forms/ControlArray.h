#pragma once
// A control array: elements of one name told apart by an index. Element 0 exists from
// design time; Load makes another that takes element 0's design-time properties and starts
// hidden.

#include "forms/Container.h"
#include "vb/Error.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace forms {

template <typename T> class ControlArray {
public:
    // Gives an element its design-time properties and its event handlers, which learn the
    // index of the element that raised them.
    using Design = std::function<void(T& element, std::int16_t index)>;

    ControlArray(Container& parent, vb::String name, Design design)
        : parent_(parent), name_(std::move(name)), design_(std::move(design)) {
        make(0);
    }

    // Error 340 when no element has that index.
    T& operator()(std::int16_t index) const {
        const auto it = elements_.find(index);
        if (it == elements_.end()) {
            vb::Raise(vb::err::ControlArrayElementMissing);
        }
        return *it->second;
    }
    // Error 360 when the element exists already.
    void Load(std::int16_t index) {
        if (elements_.contains(index)) {
            vb::Raise(vb::err::ObjectAlreadyLoaded);
        }
        make(index).Visible = false;
    }
    std::int16_t UBound() const { return elements_.rbegin()->first; }
    bool Contains(std::int16_t index) const { return elements_.contains(index); }

private:
    T& make(std::int16_t index) {
        auto element = std::make_unique<T>(parent_, name_);
        T& made = *element;
        elements_.emplace(index, std::move(element));
        if (design_) {
            design_(made, index);
        }
        return made;
    }

    Container& parent_;
    vb::String name_;
    Design design_;
    std::map<std::int16_t, std::unique_ptr<T>> elements_;
};

} // namespace forms
