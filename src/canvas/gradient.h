// The two-colour gradient settings of the chart panel's background.
#pragma once

#include "canvas/colors.h"
#include "canvas/property.h"

#include <functional>

namespace vemora {

enum class TGradientDirection {
    gdTopBottom,
    gdBottomTop,
    gdLeftRight,
    gdRightLeft,
    gdFromCenter,
    gdFromTopLeft,
    gdFromBottomLeft
};

class TCustomChartGradient {
public:
    // The owner's repaint request, called after a property changed; may be empty.
    explicit TCustomChartGradient(std::function<void()> invalidate = {})
        : invalidate_(std::move(invalidate)) {}
    virtual ~TCustomChartGradient() = default;

    TGradientDirection Direction() const { return direction_; }
    void SetDirection(TGradientDirection value) { Store(direction_, value); }
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor value) { Store(endColor_, value); }
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor value) { Store(startColor_, value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Store(visible_, value); }

    void Assign(const TCustomChartGradient& source) {
        SetDirection(source.direction_);
        SetEndColor(source.endColor_);
        SetStartColor(source.startColor_);
        SetVisible(source.visible_);
    }

private:
    template <class T> void Store(T& field, T value) {
        if (StoreChanged(field, value) && invalidate_)
            invalidate_();
    }

    std::function<void()> invalidate_;
    TGradientDirection direction_ = TGradientDirection::gdTopBottom;
    TColor endColor_ = clYellow;
    TColor startColor_ = clWhite;
    bool visible_ = false;
};

class TChartGradient : public TCustomChartGradient {
public:
    using TCustomChartGradient::TCustomChartGradient;
};

} // namespace vemora
