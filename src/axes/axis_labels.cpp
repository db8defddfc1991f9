// What an axis labels: the label style, the walk down the scale in steps of the
// increment, the number text of each label and the widest label for the space it takes.
#include "axes/chart_axis.h"
#include "axes/label_format.h"
#include "chart/axis_panel.h"
#include "series/chart_series.h"

#include <cmath>

namespace vemora {

namespace {

// A walk that would produce this many steps across the scale produces none.
constexpr long double kMaxLabelSteps = 10000;
// How many values the chart's label event may supply in one draw.
constexpr int32_t kMaxSuppliedLabels = 2000;

// Takes an event handler away for its lifetime and puts it back, also on an exception.
class HookAside {
public:
    explicit HookAside(TAxisOnGetLabel& hook) : hook_(hook), saved_(std::move(hook)) {
        hook_ = nullptr;
    }
    HookAside(const HookAside&) = delete;
    HookAside& operator=(const HookAside&) = delete;
    ~HookAside() { hook_ = std::move(saved_); }

private:
    TAxisOnGetLabel& hook_;
    TAxisOnGetLabel saved_;
};

} // namespace

TAxisLabelStyle TCustomChartAxis::EffectiveLabelStyle() const {
    if (labelStyle_ != TAxisLabelStyle::talAuto)
        return labelStyle_;
    TAxisLabelStyle result = TAxisLabelStyle::talNone;
    if (depthRole_) {
        result = TAxisLabelStyle::talText;
        for (const TChartSeries* series : chart_->SeriesList()) {
            if (series->Active() && series->HasZValues())
                return TAxisLabelStyle::talValue;
        }
        return result;
    }
    for (TChartSeries* series : chart_->SeriesList()) {
        if (!series->Active() || !series->IsOnAxis(this))
            continue;
        result = TAxisLabelStyle::talValue;
        const bool mandatoryY = &series->MainValueList() == &series->YValues();
        const bool applies = isHorizontal_ == mandatoryY;
        if (applies && series->PointCount() > 0 && !series->LabelAt(0).empty())
            return TAxisLabelStyle::talText;
    }
    return result;
}

std::string TCustomChartAxis::FormatLabelValue(double value) const {
    std::string text = FormatFloatPicture(axisValuesFormat_, value, FormatSettings());
    if (chart_->OnGetAxisLabel)
        chart_->OnGetAxisLabel(const_cast<TCustomChartAxis*>(this), nullptr, -1, text);
    if (labelsMultiLine_)
        std::replace(text.begin(), text.end(), ' ', '\r');
    return text;
}

int32_t TCustomChartAxis::WidestLabel() {
    switch (EffectiveLabelStyle()) {
    case TAxisLabelStyle::talValue: {
        // The hook may change the texts of the labels drawn, not the space they take.
        HookAside aside(chart_->OnGetAxisLabel);
        long double lo = scaleMinimum_;
        long double hi = scaleMaximum_;
        if (roundFirstLabel_) {
            const double step = ComputeIncrement();
            lo = std::trunc(lo / step) * step;
            hi = std::trunc(hi / step) * step;
        }
        const int32_t widest = std::max(LabelExtent(static_cast<double>(hi), false),
                                        LabelExtent(static_cast<double>(lo), false));
        return widest + Canvas().TextWidth(" ");
    }
    case TAxisLabelStyle::talMark:
    case TAxisLabelStyle::talText: {
        int32_t widest = 0;
        for (TChartSeries* series : chart_->SeriesList()) {
            if (!series->Active() || !series->IsOnAxis(this))
                continue;
            for (int32_t i = 0; i < series->PointCount(); ++i) {
                ForEachLabelLine(series->LabelAt(i), [&](std::string_view line) {
                    widest = std::max(widest, Canvas().TextWidth(line));
                });
            }
        }
        return widest;
    }
    default:
        return 0;
    }
}

bool TCustomChartAxis::AppendTick(int32_t pixel) {
    // The list never grows past its capacity; the pass ends when it is full.
    if (tickList_.size() >= TickListCapacity)
        return false;
    tickList_.push_back(pixel);
    return true;
}

void TCustomChartAxis::HandleLabel(double value) {
    const int32_t pixel = ValueToPixel(value);
    if (!labelsOnAxis_ && !(startPixel_ < pixel && pixel < endPixel_))
        return;
    if (!tickOnLabelsOnly_)
        AppendTick(pixel);
    if (labels_) {
        const std::string text = FormatLabelValue(value);
        lastLabels_.push_back({value, text, pixel});
        PlaceLabel(pixel, text);
    }
}

void TCustomChartAxis::ValueLabelPass(double step) {
    const long double range = ExtendedRange();
    if (!std::isfinite(step) || !(std::fabs(range / step) < kMaxLabelSteps))
        return;
    double v = scaleMaximum_;
    if (scaleMinimum_ != scaleMaximum_ && roundFirstLabel_)
        v = static_cast<double>(std::trunc(static_cast<long double>(scaleMaximum_) / step) * step);
    while (v > scaleMaximum_)
        v -= step;
    const double limit = static_cast<double>((scaleMinimum_ - 1e-12L) / 1.000000000001L);
    // Every label records at most one tick, so a full tick list ends the walk; a step too
    // small to change the value (a zero-range scale far from 0) ends it after that label.
    size_t handled = 0;
    while (v >= limit && handled < TickListCapacity) {
        HandleLabel(v);
        ++handled;
        if (tickList_.size() >= TickListCapacity)
            break;
        const double next = v - step;
        if (next == v)
            break;
        v = next;
    }
}

void TCustomChartAxis::NextLabelPass() {
    double value = scaleMinimum_;
    bool stop = true;
    for (int32_t index = 0; index <= kMaxSuppliedLabels; ++index) {
        chart_->OnGetNextAxisLabel(this, index, value, stop);
        if (stop) {
            if (index == 0)
                ValueLabelPass(lastIncrement_);
            return;
        }
        if (!(value >= scaleMinimum_ - 1e-7L && value <= scaleMaximum_ + 1e-7L))
            return;
        HandleLabel(value);
        if (tickList_.size() >= TickListCapacity)
            return;
    }
}

} // namespace vemora
