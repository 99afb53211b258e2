#pragma once
// A tab control: titled tabs along its top edge, each holding controls of its own; only
// the controls of the current tab are on show. A left press on a title makes its tab
// current.

#include "forms/Container.h"
#include "forms/Control.h"

#include <cstdint>
#include <map>
#include <vector>

namespace forms {

class TabControl : public WindowedControl<Container> {
public:
    TabControl(Container& parent, vb::String name, std::vector<vb::String> captions);

    std::int16_t Tabs() const { return static_cast<std::int16_t>(captions_.size()); }
    // Error 380 for a tab that does not exist.
    const vb::String& TabCaption(std::int16_t tab) const;
    std::int16_t Tab() const { return tab_; }
    void Tab(std::int16_t tab);
    // Puts one of its controls on a tab; a control put on none is on tab 0.
    void PlaceOnTab(const Control& control, std::int16_t tab);

    // The height of the titles' strip, in twips; the titles share the width equally.
    Drawn<float> TabHeight{300.0F};
    Drawn<std::uint32_t> BackColor{Rgb(212, 208, 200)};

    bool Shows(const Control& control) const override;

private:
    void ValidTab(std::int16_t tab) const;

    std::vector<vb::String> captions_;
    std::int16_t tab_ = 0;
    std::map<const Control*, std::int16_t> tabOf_;
};

} // namespace forms
