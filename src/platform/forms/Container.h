#pragma once
// What holds controls: a form, a picture box, a user control. Its controls lie in its
// client area, in its scale, from the back to the front.

#include "forms/Window.h"
#include "vb/String.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace forms {

class Control;

// Scale modes a container can take.
inline constexpr std::int16_t ScaleTwips = 1;
inline constexpr std::int16_t ScalePixels = 3;

class Container : public Window {
public:
    Container() = default;

    // From the back to the front.
    const std::vector<Control*>& Controls() const { return controls_; }
    Control* FindControl(vb::StringView name) const;
    template <typename T> T* Find(vb::StringView name) const {
        return dynamic_cast<T*>(FindControl(name));
    }
    // Redraws the container at once, as far as anything shows it.
    virtual void Refresh() = 0;
    // Whether a visible control of this container is on show (a tab control shows the
    // controls of its current tab only).
    virtual bool Shows(const Control&) const { return true; }

    // 1 (twips) or 3 (pixels); any other value raises error 380.
    std::int16_t ScaleMode() const { return scaleMode_; }
    void ScaleMode(std::int16_t mode);
    // Twips in one unit of the scale.
    float UnitTwips() const;
    // The client area in the container's scale.
    float ScaleWidth() const;
    float ScaleHeight() const;

    // Raised when the container's size changes through its properties.
    std::function<void()> Resize;

private:
    friend class Control;
    void add(Control* control);
    void remove(Control* control);
    void reorder(Control* control, bool toFront);

    std::vector<Control*> controls_;
    std::int16_t scaleMode_ = ScaleTwips;
};

} // namespace forms
