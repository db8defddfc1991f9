// The axis object: construction, settings and their checks, the range, the value/pixel
// mapping and the label step.
#include "axes/chart_axis.h"

#include "axes/label_format.h"
#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vemora {

namespace {

constexpr double kMaxDouble = std::numeric_limits<double>::max();

int32_t AddClamped(int64_t a, int64_t b) {
    return SaturateInt32(a + b);
}

// A scale end computed in extended precision that a double cannot hold saturates at the
// largest double instead of becoming infinite.
double StoreScaleValue(long double value) {
    if (std::isnan(value))
        return 0;
    return static_cast<double>(std::clamp<long double>(value, -kMaxDouble, kMaxDouble));
}

void CheckAngle(int32_t value, const char* what) {
    if (value < 0 || value > 359) {
        char message[96];
        std::snprintf(message, sizeof message, "%s Angle must be between 0 and 359 degrees", what);
        throw ChartException(message);
    }
}

} // namespace

// ---- Title ----

TChartAxisTitle::TChartAxisTitle(TAxisOwner* chart, TCustomChartAxis* axis)
    : TChartFontObject(chart), axis_(axis) {}

void TChartAxisTitle::SetAngle(int32_t value) {
    CheckAngle(value, "Axis Title");
    if (StoreChanged(angle_, value))
        Repaint();
}

void TChartAxisTitle::SetCaption(const std::string& value) {
    if (StoreChanged(caption_, value))
        Repaint();
}

bool TChartAxisTitle::AngleStored() const {
    return axis_ == nullptr || angle_ != axis_->StandardTitleAngle();
}

void TChartAxisTitle::Assign(const TChartAxisTitle& source) {
    axis_ = source.axis_;
    angle_ = source.angle_;
    caption_ = source.caption_;
    TChartFontObject::Assign(source);
}

// ---- Axis ----

TCustomChartAxis::TCustomChartAxis(TAxisOwner* chart) : chart_(chart) {
    const TNotifyEvent changed = [this](void*) { Changed(); };
    labelsFont_ = NewChartFont(changed);
    title_ = std::make_unique<TChartAxisTitle>(chart, this);
    ticks_ = std::make_unique<TDarkGrayPen>(changed);
    minorTicks_ = std::make_unique<TDarkGrayPen>(changed);
    ticksInner_ = std::make_unique<TDarkGrayPen>(changed);
    grid_ = std::make_unique<TDottedGrayPen>(changed);
    minorGrid_ = std::make_unique<TChartHiddenPen>(changed);
    axisPen_ = std::make_unique<TChartAxisPen>(changed);
    tickList_.reserve(TickListCapacity);
    if (chart_)
        chart_->RegisterAxis(this);
}

TCustomChartAxis::~TCustomChartAxis() {
    if (chart_)
        chart_->UnregisterAxis(this);
}

void TCustomChartAxis::Changed() {
    if (chart_)
        chart_->Invalidate();
}

TCanvas3D& TCustomChartAxis::Canvas() const {
    return chart_->Canvas3D();
}

void TCustomChartAxis::SetRole(bool horizontal, bool farSide, bool depth, int32_t titleAngle) {
    isHorizontal_ = horizontal;
    farSide_ = farSide;
    depthRole_ = depth;
    standardTitleAngle_ = titleAngle;
    title_->InitAngle(titleAngle);
}

void TCustomChartAxis::SetAutomatic(bool value) {
    Store(automatic_, value);
    if (!chart_ || !chart_->Loading()) {
        Store(automaticMinimum_, value);
        Store(automaticMaximum_, value);
    }
}

void TCustomChartAxis::SetAutomaticEnd(bool& end, bool otherEnd, bool value) {
    Store(end, value);
    // Both ends automatic make the axis automatic; one manual end makes it manual.
    if (!value)
        Store(automatic_, false);
    else if (otherEnd)
        Store(automatic_, true);
}

void TCustomChartAxis::SetIncrement(double value) {
    if (value < 0)
        throw AxisException("Axis increment must be >= 0");
    Store(increment_, value);
}

void TCustomChartAxis::SetMaximum(double value) {
    if ((!chart_ || !chart_->Loading()) && value < minimum_)
        throw AxisException("Axis Maximum Value must be >= Minimum");
    Store(maximum_, value);
}

void TCustomChartAxis::SetMinimum(double value) {
    if ((!chart_ || !chart_->Loading()) && value > maximum_)
        throw AxisException("Axis Minimum Value must be <= Maximum");
    Store(minimum_, value);
}

void TCustomChartAxis::SetLogarithmic(bool value) {
    if (value && value != logarithmic_) {
        RefreshScaleIsDateTime();
        if (scaleIsDateTime_)
            throw AxisException("DateTime Axis cannot be Logarithmic");
        RefreshRange();
        if (scaleMinimum_ < 0 || scaleMaximum_ < 0)
            throw AxisException("Logarithmic Axis Min and Max values should be >= 0");
    }
    Store(logarithmic_, value);
}

void TCustomChartAxis::SetLogarithmicBase(int32_t value) {
    if (value < 2)
        throw AxisException("Axis Logarithmic Base should be >= 2");
    Store(logarithmicBase_, value);
}

void TCustomChartAxis::SetLabelsAngle(int32_t value) {
    CheckAngle(value, "Axis Labels");
    Store(labelsAngle_, value);
}

void TCustomChartAxis::SetLabelsSeparation(int32_t value) {
    if (value < 0)
        throw AxisException("Labels Separation % must be greater than 0");
    Store(labelsSeparation_, value);
}

void TCustomChartAxis::Assign(const TCustomChartAxis& s) {
    automatic_ = s.automatic_;
    automaticMaximum_ = s.automaticMaximum_;
    automaticMinimum_ = s.automaticMinimum_;
    increment_ = s.increment_;
    maximum_ = s.maximum_;
    minimum_ = s.minimum_;
    logarithmic_ = s.logarithmic_;
    logarithmicBase_ = s.logarithmicBase_;
    axisPen_->Assign(*s.axisPen_);
    title_->Assign(*s.title_);
    titleSize_ = s.titleSize_;
    grid_->Assign(*s.grid_);
    gridCentered_ = s.gridCentered_;
    labels_ = s.labels_;
    labelsAngle_ = s.labelsAngle_;
    labelsFont_->Assign(*s.labelsFont_);
    labelsOnAxis_ = s.labelsOnAxis_;
    labelsSeparation_ = s.labelsSeparation_;
    labelsSize_ = s.labelsSize_;
    labelStyle_ = s.labelStyle_;
    axisValuesFormat_ = s.axisValuesFormat_;
    dateTimeFormat_ = s.dateTimeFormat_;
    exactDateTime_ = s.exactDateTime_;
    roundFirstLabel_ = s.roundFirstLabel_;
    labelsMultiLine_ = s.labelsMultiLine_;
    minorGrid_->Assign(*s.minorGrid_);
    minorTickCount_ = s.minorTickCount_;
    minorTickLength_ = s.minorTickLength_;
    minorTicks_->Assign(*s.minorTicks_);
    ticks_->Assign(*s.ticks_);
    ticksInner_->Assign(*s.ticksInner_);
    tickInnerLength_ = s.tickInnerLength_;
    tickLength_ = s.tickLength_;
    tickOnLabelsOnly_ = s.tickOnLabelsOnly_;
    inverted_ = s.inverted_;
    visible_ = s.visible_;
    startPosition_ = s.startPosition_;
    endPosition_ = s.endPosition_;
    positionPercent_ = s.positionPercent_;
    depthRole_ = s.depthRole_;
    isHorizontal_ = s.isHorizontal_;
    farSide_ = s.farSide_;
    standardTitleAngle_ = s.standardTitleAngle_;
    Changed();
}

void TCustomChartAxis::RefreshScaleIsDateTime() {
    scaleIsDateTime_ = chart_->SeriesDateTime(*this);
}

// ---- Range ----

void TCustomChartAxis::RefreshRange() {
    if (automatic_ || automaticMaximum_)
        maximum_ = chart_->SeriesExtreme(*this, false, isHorizontal_);
    if (automatic_ || automaticMinimum_)
        minimum_ = chart_->SeriesExtreme(*this, true, isHorizontal_);
    scaleMaximum_ = maximum_;
    scaleMinimum_ = minimum_;
    scaleRange_ = scaleMaximum_ - scaleMinimum_;
}

long double TCustomChartAxis::ExtendedRange() const {
    // Identical to the stored range whenever that one is finite.
    if (std::isfinite(scaleRange_))
        return scaleRange_;
    return static_cast<long double>(scaleMaximum_) - scaleMinimum_;
}

void TCustomChartAxis::PlacePixels() {
    const Rect& plot = chart_->PlotRect();
    const int32_t p = isHorizontal_ ? plot.Left : plot.Top;
    const long double length = isHorizontal_ ? chart_->PlotWidth() : chart_->PlotHeight();
    startPixel_ = AddClamped(p, RoundSaturated(length * 0.01L * startPosition_));
    endPixel_ = AddClamped(p, RoundSaturated(length * 0.01L * endPosition_));
    pixelLength_ = AddClamped(endPixel_, -int64_t{startPixel_});
    centerPixel_ = static_cast<int32_t>((int64_t{startPixel_} + endPixel_) / 2);
}

void TCustomChartAxis::WidenRangeByMargins(const Rect& margins) {
    const int32_t a = isHorizontal_ ? margins.Left : margins.Top;
    const int32_t b = isHorizontal_ ? margins.Right : margins.Bottom;
    const int32_t s0 = startPixel_;
    const int32_t e0 = endPixel_;
    startPixel_ = AddClamped(s0, a);
    endPixel_ = AddClamped(e0, -int64_t{b});
    pixelLength_ = AddClamped(endPixel_, -int64_t{startPixel_});
    long double lo = 0;
    long double hi = 0;
    if (pixelLength_ > 0) {
        // In extended precision throughout: a scale that already spans most of the double
        // range may widen beyond it, and then saturates.
        const long double range = ExtendedRange();
        const auto valueAt = [&](int32_t pixel) {
            const long double t =
                (inverted_ ? int64_t{endPixel_} - pixel : int64_t{pixel} - startPixel_) * range /
                pixelLength_;
            return isHorizontal_ ? scaleMinimum_ + t : scaleMaximum_ - t;
        };
        lo = valueAt(s0);
        hi = valueAt(e0);
    }
    PlacePixels();
    scaleMinimum_ = StoreScaleValue(lo);
    scaleMaximum_ = StoreScaleValue(hi);
    if (scaleMinimum_ > scaleMaximum_)
        std::swap(scaleMinimum_, scaleMaximum_);
    scaleRange_ = scaleMaximum_ - scaleMinimum_;
}

int32_t TCustomChartAxis::ValueToPixel(double value) const {
    return isHorizontal_ ? ValueToPixelX(value) : ValueToPixelY(value);
}

bool TCustomChartAxis::PixelDistance(double value, int64_t& distance) const {
    // A value that is not a number, or infinite, lies beyond any screen: never drawn.
    constexpr int64_t kFar = INT64_C(1) << 40;
    if (!std::isfinite(value)) {
        distance = value < 0 ? -kFar : kFar;
        return true;
    }
    // A scale of no length puts every value in the middle.
    if (scaleRange_ == 0)
        return false;
    // The distance is the extended-precision quotient below, stored as a double and then
    // rounded to an integer, ties to even. The double-precision shortcut t decides it where
    // it can. With u = 2^-53 and D the exact quotient, t has three double roundings, so
    // |t - D| < 3.01u|D|; the extended quotient has three 64-bit roundings and its double
    // one more, so the double the formula rounds lies within 1.01u|D| of D. Both together
    // are under 4.02u|D| < 4.5e-16|D| apart, which below 2^20 pixels is under 5e-10 of a
    // pixel. So wherever t lies farther than 1e-6 from every half, that double lies on the
    // same side of each half as t and on none, and both round alike. Only the rare value
    // near a half pays for the extended division.
    if (fast_.Minimum != scaleMinimum_ || fast_.Range != scaleRange_ ||
        fast_.Length != pixelLength_) {
        fast_ = {scaleMinimum_, scaleRange_, pixelLength_, pixelLength_ / scaleRange_, false};
        fast_.Usable = std::isfinite(scaleMinimum_) && std::isnormal(fast_.PixelsPerUnit);
    }
    if (FastDistance(value, distance))
        return true;
    const long double d =
        (static_cast<long double>(value) - scaleMinimum_) * pixelLength_ / ExtendedRange();
    if (std::isnan(d)) {
        distance = kFar;
        return true;
    }
    // Held far off first: a distance beyond the double range would become infinite.
    const double stored = static_cast<double>(std::clamp<long double>(d, -kFar, kFar));
    distance = static_cast<int64_t>(NearestInteger(stored));
    return true;
}

int32_t TCustomChartAxis::ComputeValueToPixelX(double value) const {
    if (depthRole_)
        return DepthValueToPixel(value);
    int64_t d = 0;
    if (!PixelDistance(value, d))
        return centerPixel_;
    return inverted_ ? AddClamped(endPixel_, -d) : AddClamped(startPixel_, d);
}

int32_t TCustomChartAxis::ComputeValueToPixelY(double value) const {
    if (depthRole_)
        return DepthValueToPixel(value);
    int64_t d = 0;
    if (!PixelDistance(value, d))
        return centerPixel_;
    return inverted_ ? AddClamped(startPixel_, d) : AddClamped(endPixel_, -d);
}

int32_t TCustomChartAxis::DepthValueToPixel(double value) const {
    const int32_t depth = chart_->ChartDepth();
    if (scaleRange_ == 0)
        return depth / 2;
    const long double from = inverted_ ? scaleMaximum_ : scaleMinimum_;
    const long double t = depth * (static_cast<long double>(value) - from) / ExtendedRange();
    return RoundSaturated(inverted_ ? -t : t);
}

double TCustomChartAxis::PixelToValue(int32_t pixel) const {
    if (pixelLength_ <= 0)
        return 0;
    const long double t = (inverted_ ? int64_t{endPixel_} - pixel : int64_t{pixel} - startPixel_) *
                          ExtendedRange() / pixelLength_;
    return StoreScaleValue(isHorizontal_ ? scaleMinimum_ + t : scaleMaximum_ - t);
}

// ---- Increment ----

int32_t TCustomChartAxis::LabelExtent(double value, bool useFontHeight) {
    const std::string text = FormatLabelValue(value);
    TCanvas3D& canvas = Canvas();
    int32_t widest = 0;
    const int32_t lines = ForEachLabelLine(text, [&](std::string_view line) {
        if (!useFontHeight)
            widest = std::max(widest, canvas.TextWidth(line));
    });
    if (useFontHeight)
        return static_cast<int32_t>(
            std::min<int64_t>(int64_t{canvas.FontHeight()} * lines, INT32_MAX));
    return widest;
}

double TCustomChartAxis::ComputeIncrement() {
    // Labels that would read alike get the digits that tell them apart. Wider labels may
    // then need a larger step, which may need fewer digits: the labels are drawn with the
    // digits their step needs, and never wider than the step was chosen for.
    constexpr int kMaxRounds = 8;
    labelExtraDigits_ = 0;
    double step = IncrementForLabelTexts();
    int32_t needed = ExtraDigitsToTellApart(step);
    for (int round = 0; needed > labelExtraDigits_ && round < kMaxRounds; ++round) {
        labelExtraDigits_ = needed;
        step = IncrementForLabelTexts();
        needed = ExtraDigitsToTellApart(step);
    }
    labelExtraDigits_ = needed;
    return step;
}

double TCustomChartAxis::IncrementForLabelTexts() {
    const bool across = isHorizontal_ ? (labelsAngle_ == 90 || labelsAngle_ == 270)
                                      : (labelsAngle_ == 0 || labelsAngle_ == 180);
    const int32_t size =
        std::max(LabelExtent(scaleMaximum_, across), LabelExtent(scaleMinimum_, across));
    return IncrementForCount(IncrementForSize(size));
}

int32_t TCustomChartAxis::IncrementForSize(int32_t labelSize) const {
    if (labelSize <= 0)
        return 1;
    int64_t s = labelSize;
    if (labelsSeparation_ > 0)
        s += RoundSaturated(0.01L * labelsSeparation_ * labelSize);
    return RoundSaturated(static_cast<long double>(pixelLength_) / s);
}

namespace {

// The steps from a start step on, each the NextNiceStep of the one before, as far as the
// searches have needed them. They are the same for every axis and frame, while one step
// costs a call per decade of its value: a range of 1e300 took a million calls a frame.
std::vector<double>& NiceStepsFrom(double start) {
    constexpr size_t kStarts = 4;
    thread_local std::vector<double> sequences[kStarts];
    thread_local size_t nextFree = 0;
    for (std::vector<double>& steps : sequences) {
        if (!steps.empty() && steps.front() == start)
            return steps;
    }
    std::vector<double>& steps = sequences[nextFree];
    nextFree = (nextFree + 1) % kStarts;
    steps.assign(1, start);
    return steps;
}

} // namespace

double TCustomChartAxis::IncrementForCount(int32_t count) const {
    if (count < 1)
        return MinimumIncrement;
    const long double range = ExtendedRange();
    double t = increment_ > 0 ? increment_ : (std::fabs(range) >= 1 ? 1.0 : MinimumIncrement);
    if (labelsSeparation_ > 0) {
        std::vector<double>& niceSteps = NiceStepsFrom(t);
        size_t i = 0;
        int64_t labels = int64_t{count} + 1;
        // An infinite step leaves nothing to count; the label pass refuses it.
        while (labels > count && std::isfinite(niceSteps[i])) {
            const long double q = range / niceSteps[i];
            if (std::fabs(q) < 2147483647.0L)
                labels = static_cast<int64_t>(NearestInteger(q));
            if (labels <= count)
                break;
            if (i + 1 == niceSteps.size()) {
                const double next = NextNiceStep(niceSteps[i]);
                // A step that did not grow would never end the search.
                if (!(next > niceSteps[i]))
                    break;
                niceSteps.push_back(next);
            }
            ++i;
        }
        t = niceSteps[i];
    }
    return std::max(t, MinimumIncrement);
}

double TCustomChartAxis::NextNiceStep(double x) {
    if (!(x > 0) || !std::isfinite(x))
        return x;
    // Each level hands a double to the next, so the scaling rounds as it goes.
    if (x >= 10)
        return static_cast<double>(NextNiceStep(static_cast<double>(x * 0.1L)) * 10.0L);
    if (x < 1)
        return static_cast<double>(NextNiceStep(static_cast<double>(x * 10.0L)) * 0.1L);
    if (x < 2)
        return 2;
    if (x < 5)
        return 5;
    return 10;
}

// ---- Manual range ----

void TCustomChartAxis::SetRange(double minimum, double maximum) {
    automatic_ = automaticMinimum_ = automaticMaximum_ = false;
    if (minimum > maximum)
        std::swap(minimum, maximum);
    Store(minimum_, minimum);
    Store(maximum_, maximum);
    if (static_cast<long double>(maximum_) - minimum_ < 1e-10L)
        Store(maximum_, StoreScaleValue(minimum_ + 1e-10L));
}

void TCustomChartAxis::ShiftRange(double delta, bool checkLimits) {
    if (checkLimits) {
        const bool dataAbove =
            delta > 0 && chart_->SeriesExtreme(*this, false, isHorizontal_) > maximum_;
        if (!dataAbove) {
            if (delta >= 0)
                return;
            if (chart_->SeriesExtreme(*this, true, isHorizontal_) >= minimum_)
                return;
        }
    }
    automatic_ = false;
    automaticMaximum_ = false;
    maximum_ = StoreScaleValue(static_cast<long double>(maximum_) + delta);
    automaticMinimum_ = false;
    minimum_ = StoreScaleValue(static_cast<long double>(minimum_) + delta);
    chart_->Repaint();
}

bool TCustomChartAxis::HitTest(int32_t x, int32_t y) const {
    if (!chart_->AxisShown(*this))
        return false;
    const int32_t lo = std::min(startPixel_, endPixel_);
    const int32_t hi = std::max(startPixel_, endPixel_);
    int32_t a;
    int32_t b;
    if (labelsPos_ < linePos_) {
        a = labelsPos_;
        b = AddClamped(linePos_, AxisClickTolerance);
    } else {
        a = AddClamped(linePos_, -AxisClickTolerance);
        b = labelsPos_;
    }
    const Rect hit = isHorizontal_ ? Rect{lo, a, hi, b} : Rect{a, lo, b, hi};
    return hit.Contains(x, y);
}

} // namespace vemora
