#pragma once
// Left, Top, Width and Height of a form or a control: read and written like numbers, in the
// owner's units, while the owner keeps them and hears of every change.

namespace forms {

enum class Axis { Left, Top, Width, Height };

class Measured {
public:
    virtual float MeasureOf(Axis axis) const = 0;
    virtual void SetMeasure(Axis axis, float value) = 0;

protected:
    ~Measured() = default;
};

class Measure {
public:
    Measure(Measured& owner, Axis axis) : owner_(&owner), axis_(axis) {}
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure& other) {
        if (this != &other) {
            *this = static_cast<float>(other);
        }
        return *this;
    }
    Measure& operator=(float value) {
        owner_->SetMeasure(axis_, value);
        return *this;
    }
    Measure& operator+=(float by) { return *this = static_cast<float>(*this) + by; }
    Measure& operator-=(float by) { return *this = static_cast<float>(*this) - by; }
    operator float() const { return owner_->MeasureOf(axis_); }

private:
    Measured* owner_;
    Axis axis_;
};

} // namespace forms
