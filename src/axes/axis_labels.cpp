// What an axis labels: the label style, the walk down the scale in steps of the
// increment, the number text of each label and the widest label for the space it takes.
#include "axes/chart_axis.h"
#include "axes/label_format.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

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
    return chart_->AutomaticLabelStyle(*this);
}

const std::string& TCustomChartAxis::PictureText(double value) const {
    constexpr size_t kKept = 48;
    const TFormatSettings& settings = FormatSettings();
    if (labelTextsPicture_ != axisValuesFormat_ ||
        labelTextsSettings_.DecimalSeparator != settings.DecimalSeparator ||
        labelTextsSettings_.ThousandSeparator != settings.ThousandSeparator) {
        labelTexts_.clear();
        labelTextsNext_ = 0;
        labelTextsPicture_ = axisValuesFormat_;
        labelTextsSettings_ = settings;
    }
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    for (const LabelText& known : labelTexts_) {
        if (known.Value == bits && known.ExtraDigits == labelExtraDigits_ &&
            known.FinestPlace == labelFinestPlace_)
            return known.Text;
    }
    LabelText made{bits, labelExtraDigits_, labelFinestPlace_,
                   FormatFloatPicture(axisValuesFormat_, value, settings, labelExtraDigits_,
                                      labelFinestPlace_)};
    if (labelTexts_.size() < kKept) {
        labelTexts_.push_back(std::move(made));
        return labelTexts_.back().Text;
    }
    LabelText& slot = labelTexts_[labelTextsNext_];
    labelTextsNext_ = (labelTextsNext_ + 1) % kKept;
    slot = std::move(made);
    return slot.Text;
}

std::string TCustomChartAxis::FormatLabelValue(double value) const {
    std::string text = PictureText(value);
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
        long double lo = scale_.Minimum;
        long double hi = scale_.Maximum;
        // Also the digits the labels take.
        const double step = ComputeIncrement();
        if (roundFirstLabel_) {
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
        chart_->ForEachPointLabel(*this, [&](const std::string& label) {
            ForEachLabelLine(label, [&](std::string_view line) {
                widest = std::max(widest, Canvas().TextWidth(line));
            });
        });
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

bool TCustomChartAxis::LabelPlaceable(int32_t pixel) const {
    // Far beyond the span (a scale so short that the walk's slack spans many pixels) a
    // label would be drawn outside the plot, beside another axis.
    int32_t lo = std::min(scale_.StartPixel, scale_.EndPixel);
    int32_t hi = std::max(scale_.StartPixel, scale_.EndPixel);
    if (depthRole_) {
        lo = std::min(0, chart_->ChartDepth());
        hi = std::max(0, chart_->ChartDepth());
    }
    if (pixel < lo || pixel > hi)
        return false;
    return labelsOnAxis_ || (scale_.StartPixel < pixel && pixel < scale_.EndPixel);
}

void TCustomChartAxis::HandleLabel(double value) {
    const int32_t pixel = ValueToPixel(value);
    if (!LabelPlaceable(pixel))
        return;
    std::string text;
    if (labels_) {
        text = FormatLabelValue(value);
        // The space the label takes where its width decides it, as LabelsAreaSize measures.
        const bool across = scale_.Horizontal ? !(labelsAngle_ == 0 || labelsAngle_ == 180)
                                              : !(labelsAngle_ == 90 || labelsAngle_ == 270);
        if (across && labelsSize_ == 0 && !depthRole_) {
            TCanvas3D& canvas = Canvas();
            int32_t widest = 0;
            ForEachLabelLine(text, [&](std::string_view line) {
                widest = std::max(widest, canvas.TextWidth(line));
            });
            laidOutLabelsArea_ = std::max(laidOutLabelsArea_,
                                          SaturateInt32(int64_t{widest} + canvas.TextWidth(" ")));
        }
        // A label the panel would cut is left out as one off the axis is, tick and all.
        if (!LabelInsidePanel(pixel, text))
            return;
    }
    if (!tickOnLabelsOnly_)
        AppendTick(pixel);
    if (labels_) {
        // A tick where a label is drawn; the label is drawn whether or not the list had room.
        if (tickOnLabelsOnly_)
            AppendTick(pixel);
        lastLabels_.push_back({value, std::move(text), pixel});
    }
}

template <class Fn> void TCustomChartAxis::WalkLabelValues(double step, Fn&& fn) const {
    const long double range = scale_.ExtendedRange();
    if (!std::isfinite(step) || !(std::fabs(range / step) < kMaxLabelSteps))
        return;
    double v = scale_.Maximum;
    if (scale_.Minimum != scale_.Maximum && roundFirstLabel_)
        v = static_cast<double>(std::trunc(static_cast<long double>(scale_.Maximum) / step) * step);
    while (v > scale_.Maximum)
        v -= step;
    const double limit = static_cast<double>((scale_.Minimum - 1e-12L) / 1.000000000001L);
    // Every label records at most one tick, so the walk ends where the tick list would be
    // full; a step too small to change the value (a zero-range scale far from 0) ends it
    // after that label.
    for (size_t visited = 0; v >= limit && visited < TickListCapacity; ++visited) {
        fn(v);
        const double next = v - step;
        if (next == v)
            break;
        v = next;
    }
}

void TCustomChartAxis::ValueLabelPass(double step) {
    WalkLabelValues(step, [this](double v) { HandleLabel(v); });
}

int32_t TCustomChartAxis::ExtraDigitsToTellApart(double step) const {
    // On a scale of no length every label stands at the centre for the one value there.
    if (!labels_ || !(scale_.Range != 0) || !(step > 0) || scale_.Maximum < scale_.Minimum ||
        chart_->OnGetNextAxisLabel || EffectiveLabelStyle() != TAxisLabelStyle::talValue)
        return 0;
    const TFormatSettings& settings = FormatSettings();
    const int32_t depth = depthRole_ ? chart_->ChartDepth() : 0;
    const auto sameWalk = [&](const DigitsFound& f) {
        return f.Digits >= 0 && f.Minimum == scale_.Minimum && f.Maximum == scale_.Maximum &&
               f.Step == step && f.Start == scale_.StartPixel && f.End == scale_.EndPixel &&
               f.Depth == depth && f.Inverted == scale_.Inverted &&
               f.Horizontal == scale_.Horizontal && f.OnAxis == labelsOnAxis_ &&
               f.RoundFirst == roundFirstLabel_ && f.Picture == axisValuesFormat_ &&
               f.DecimalSeparator == settings.DecimalSeparator &&
               f.ThousandSeparator == settings.ThousandSeparator;
    };
    for (const DigitsFound& found : digitsFound_) {
        if (sameWalk(found))
            return found.Digits;
    }
    DigitsFound& found = digitsFound_[digitsFoundNext_];
    digitsFoundNext_ = (digitsFoundNext_ + 1) % std::size(digitsFound_);
    found = {scale_.Minimum,
             scale_.Maximum,
             step,
             scale_.StartPixel,
             scale_.EndPixel,
             depth,
             scale_.Inverted,
             scale_.Horizontal,
             labelsOnAxis_,
             roundFirstLabel_,
             axisValuesFormat_,
             settings.DecimalSeparator,
             settings.ThousandSeparator,
             -1};
    found.Digits = DigitsToTellApart(step);
    return found.Digits;
}

int32_t TCustomChartAxis::DigitsToTellApart(double step) const {
    thread_local std::vector<double> values;
    values.clear();
    WalkLabelValues(step, [this](double v) {
        if (LabelPlaceable(ValueToPixel(v)))
            values.push_back(v);
    });
    if (values.empty())
        return 0;
    const int32_t place = FinestPlaceFor(step);
    const int32_t picturePlaces = PictureFractionPlaces(axisValuesFormat_);
    // The places of the step itself, beyond the picture's.
    const int32_t stepExtra = place == kNoFinestPlace ? 0 : std::max(0, -place - picturePlaces);
    if (values.size() < 2)
        return 0;
    const TFormatSettings& settings = FormatSettings();
    std::string previous;
    std::string text;
    const auto someAlike = [&](int32_t extra) {
        previous = FormatFloatPicture(axisValuesFormat_, values[0], settings, extra, place);
        for (size_t i = 1; i < values.size(); ++i) {
            text = FormatFloatPicture(axisValuesFormat_, values[i], settings, extra, place);
            if (text == previous && values[i] != values[i - 1])
                return true;
            std::swap(text, previous);
        }
        return false;
    };
    if (!someAlike(0))
        return 0;
    // Beyond the places that show all 18 digits of the smallest label more places add
    // nothing.
    int32_t most = 0;
    for (const double v : values) {
        const double magnitude = std::fabs(v);
        if (magnitude > 0 && magnitude < 1e18) {
            const int32_t exponent = static_cast<int32_t>(std::floor(std::log10(magnitude))) + 1;
            most = std::max(most, 19 - exponent);
        }
    }
    for (int32_t extra = 1; extra <= most; ++extra) {
        if (!someAlike(extra)) {
            // The fewest digits that tell neighbours apart may still leave a text half a
            // step or more from its value (5e-10 reading "0.000000001"): the labels show
            // at least the places of the step itself.
            return std::max(extra, stepExtra);
        }
    }
    return 0;
}

int32_t TCustomChartAxis::FinestPlaceFor(double step) const {
    // Only labels on the multiples of the step have nothing finer to show than it.
    if (!roundFirstLabel_ || !(scale_.Range != 0) || chart_->OnGetNextAxisLabel ||
        EffectiveLabelStyle() != TAxisLabelStyle::talValue)
        return kNoFinestPlace;
    return StepFinestPlace(step);
}

size_t TCustomChartAxis::LabelsDrawnWith(double step, size_t enough) const {
    size_t drawn = 0;
    WalkLabelValues(step, [&](double v) {
        if (drawn < enough && LabelPlaceable(ValueToPixel(v)))
            ++drawn;
    });
    return drawn;
}

void TCustomChartAxis::NextLabelPass() {
    double value = scale_.Minimum;
    bool stop = true;
    for (int32_t index = 0; index <= kMaxSuppliedLabels; ++index) {
        chart_->OnGetNextAxisLabel(this, index, value, stop);
        if (stop) {
            if (index == 0)
                ValueLabelPass(lastIncrement_);
            return;
        }
        if (!(value >= scale_.Minimum - 1e-7L && value <= scale_.Maximum + 1e-7L))
            return;
        HandleLabel(value);
        if (tickList_.size() >= TickListCapacity)
            return;
    }
}

} // namespace vemora
