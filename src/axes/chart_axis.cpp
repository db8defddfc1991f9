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

int32_t AddClamped(int64_t a, int64_t b) {
    return SaturateInt32(a + b);
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
    scale_.Horizontal = horizontal;
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
        if (scale_.Minimum < 0 || scale_.Maximum < 0)
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
    scale_.Inverted = s.scale_.Inverted;
    visible_ = s.visible_;
    startPosition_ = s.startPosition_;
    endPosition_ = s.endPosition_;
    positionPercent_ = s.positionPercent_;
    depthRole_ = s.depthRole_;
    scale_.Horizontal = s.scale_.Horizontal;
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
        maximum_ = chart_->SeriesExtreme(*this, false, scale_.Horizontal);
    if (automatic_ || automaticMinimum_)
        minimum_ = chart_->SeriesExtreme(*this, true, scale_.Horizontal);
    scale_.SetBounds(minimum_, maximum_);
}

void TCustomChartAxis::PlacePixels() {
    const Rect& plot = chart_->PlotRect();
    const bool horizontal = scale_.Horizontal;
    scale_.Place(horizontal ? plot.Left : plot.Top,
                 horizontal ? chart_->PlotWidth() : chart_->PlotHeight(), startPosition_,
                 endPosition_);
}

void TCustomChartAxis::WidenRangeByMargins(const Rect& margins) {
    const bool horizontal = scale_.Horizontal;
    scale_.Widen(horizontal ? margins.Left : margins.Top,
                 horizontal ? margins.Right : margins.Bottom);
    PlacePixels();
}

int32_t TCustomChartAxis::ValueToPixel(double value) const {
    return depthRole_ ? DepthValueToPixel(value) : scale_.ValueToPixel(value);
}

int32_t TCustomChartAxis::DepthValueToPixel(double value) const {
    return scale_.DepthPixel(value, chart_->ChartDepth());
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
    // The ends of the scale are measured with every digit the picture gives them.
    labelFinestPlace_ = kNoFinestPlace;
    double step = IncrementForLabelTexts();
    int32_t needed = ExtraDigitsToTellApart(step);
    for (int round = 0; needed > labelExtraDigits_ && round < kMaxRounds; ++round) {
        labelExtraDigits_ = needed;
        step = IncrementForLabelTexts();
        needed = ExtraDigitsToTellApart(step);
    }
    labelExtraDigits_ = needed;
    labelFinestPlace_ = FinestPlaceFor(step);
    return step;
}

double TCustomChartAxis::IncrementForLabelTexts() {
    const bool across = scale_.Horizontal ? (labelsAngle_ == 90 || labelsAngle_ == 270)
                                          : (labelsAngle_ == 0 || labelsAngle_ == 180);
    const int32_t size =
        std::max(LabelExtent(scale_.Maximum, across), LabelExtent(scale_.Minimum, across));
    const int32_t count = IncrementForSize(size);
    const double step = IncrementForCount(count);
    // The search from 1 only grows, so a range a little over 1 that lies around 0 (-0.86 to
    // 0.95) may get the step 1 and the single label 0. Such an axis searches as a shorter
    // range does, from the smallest step, for the finest one its labels have room for.
    const long double range = scale_.ExtendedRange();
    if (increment_ > 0 || !(std::fabs(range) >= 1) || labelsSeparation_ <= 0 || !labels_ ||
        chart_->OnGetNextAxisLabel || EffectiveLabelStyle() != TAxisLabelStyle::talValue ||
        LabelsDrawnWith(step, 2) >= 2)
        return step;
    const double finer = IncrementFrom(count, MinimumIncrement);
    return LabelsDrawnWith(finer, 2) > LabelsDrawnWith(step, 2) ? finer : step;
}

int32_t TCustomChartAxis::IncrementForSize(int32_t labelSize) const {
    if (labelSize <= 0)
        return 1;
    int64_t s = labelSize;
    if (labelsSeparation_ > 0)
        s += RoundSaturated(0.01L * labelsSeparation_ * labelSize);
    return RoundSaturated(static_cast<long double>(scale_.Length) / s);
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
    const long double range = scale_.ExtendedRange();
    return IncrementFrom(count, increment_ > 0 ? increment_
                                               : (std::fabs(range) >= 1 ? 1.0 : MinimumIncrement));
}

double TCustomChartAxis::IncrementFrom(int32_t count, double start) const {
    if (count < 1)
        return MinimumIncrement;
    const long double range = scale_.ExtendedRange();
    double t = start;
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
            delta > 0 && chart_->SeriesExtreme(*this, false, scale_.Horizontal) > maximum_;
        if (!dataAbove) {
            if (delta >= 0)
                return;
            if (chart_->SeriesExtreme(*this, true, scale_.Horizontal) >= minimum_)
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
    const int32_t lo = std::min(scale_.StartPixel, scale_.EndPixel);
    const int32_t hi = std::max(scale_.StartPixel, scale_.EndPixel);
    // The tolerance is the mouse's, in pixels of the screen's size.
    const int32_t tolerance = Canvas().Pixels(AxisClickTolerance);
    int32_t a;
    int32_t b;
    if (labelsPos_ < linePos_) {
        a = labelsPos_;
        b = AddClamped(linePos_, tolerance);
    } else {
        a = AddClamped(linePos_, -tolerance);
        b = labelsPos_;
    }
    const Rect hit = scale_.Horizontal ? Rect{lo, a, hi, b} : Rect{a, lo, b, hi};
    return hit.Contains(x, y);
}

} // namespace vemora
