#include "forms/TabControl.h"

#include "vb/Error.h"

namespace forms {

TabControl::TabControl(Container& parent, vb::String name, std::vector<vb::String> captions)
    : WindowedControl(parent, std::move(name)), captions_(std::move(captions)) {
    MouseDown = [this](int button, int, float x, float y) {
        const float width = ScaleWidth();
        if (button == LeftButton && y * UnitTwips() < TabHeight && width > 0 && x >= 0) {
            const auto tab = static_cast<std::int16_t>(x * static_cast<float>(Tabs()) / width);
            if (tab < Tabs()) {
                Tab(tab);
            }
        }
    };
}

void TabControl::ValidTab(std::int16_t tab) const {
    if (tab < 0 || tab >= Tabs()) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
}

const vb::String& TabControl::TabCaption(std::int16_t tab) const {
    ValidTab(tab);
    return captions_[static_cast<std::size_t>(tab)];
}

void TabControl::Tab(std::int16_t tab) {
    ValidTab(tab);
    if (tab != tab_) {
        tab_ = tab;
        NoteDrawnChange();
        Refresh();
    }
}

void TabControl::PlaceOnTab(const Control& control, std::int16_t tab) {
    ValidTab(tab);
    tabOf_[&control] = tab;
    NoteDrawnChange();
}

bool TabControl::Shows(const Control& control) const {
    const auto it = tabOf_.find(&control);
    return (it == tabOf_.end() ? 0 : it->second) == tab_;
}

} // namespace forms
