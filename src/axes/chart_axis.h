// An axis of the chart: its range (automatic from the series or set by hand), the mapping
// between values and screen pixels, the label step, the labels with their number text,
// the space it takes beside the plot and its drawing through the 3D canvas.
#pragma once

#include "axes/axis_owner.h"
#include "axes/axis_scale.h"
#include "axes/label_format.h"
#include "canvas/chart_pen.h"
#include "canvas/property.h"
#include "panel/font_object.h"
#include "panel/frame_item.h"
#include "platform/gfx/geometry.h"
#include "platform/numeric/extended.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemora {

using gfx::Rect;

class TCustomChartAxis;
class TChartAxis;
class TCanvas3D;

class TChartAxisTitle : public TChartFontObject {
public:
    TChartAxisTitle(TAxisOwner* chart, TCustomChartAxis* axis);

    TCustomChartAxis* Axis() const { return axis_; }
    int32_t Angle() const { return angle_; }
    void SetAngle(int32_t value); // ChartException outside 0..359
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& value);
    // The angle is kept with the settings only when it differs from the axis's standard.
    bool AngleStored() const;

    // Axis reference, angle and caption, then the font.
    void Assign(const TChartAxisTitle& source);

    // The axis sets its standard angle at creation, without a repaint.
    void InitAngle(int32_t value) { angle_ = value; }

private:
    TCustomChartAxis* axis_;
    int32_t angle_ = 0;
    std::string caption_;
};

// A label the last draw produced, for the layout export and for tests.
struct TAxisLabel {
    double Value = 0;
    std::string Text;
    int32_t Pixel = 0;
    bool operator==(const TAxisLabel&) const = default;
};

class TCustomChartAxis {
public:
    // The step below which no label step goes.
    static constexpr double MinimumIncrement = 1e-12;
    // Pixels beyond the axis line that still count as a click on the axis.
    static constexpr int32_t AxisClickTolerance = 3;
    // The tick positions one draw can record.
    static constexpr size_t TickListCapacity = 2000;

    // Adds itself to the chart's axes list.
    explicit TCustomChartAxis(TAxisOwner* chart);
    TCustomChartAxis(const TCustomChartAxis&) = delete;
    TCustomChartAxis& operator=(const TCustomChartAxis&) = delete;
    virtual ~TCustomChartAxis();

    TAxisOwner* ParentChart() const { return chart_; }

    // Range
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool value);
    bool AutomaticMaximum() const { return automaticMaximum_; }
    void SetAutomaticMaximum(bool value) {
        SetAutomaticEnd(automaticMaximum_, automaticMinimum_, value);
    }
    bool AutomaticMinimum() const { return automaticMinimum_; }
    void SetAutomaticMinimum(bool value) {
        SetAutomaticEnd(automaticMinimum_, automaticMaximum_, value);
    }
    double Increment() const { return increment_; }
    void SetIncrement(double value); // AxisException below 0
    double Maximum() const { return maximum_; }
    void SetMaximum(double value); // AxisException below Minimum
    double Minimum() const { return minimum_; }
    void SetMinimum(double value); // AxisException above Maximum
    bool Logarithmic() const { return logarithmic_; }
    void SetLogarithmic(bool value);
    int32_t LogarithmicBase() const { return logarithmicBase_; }
    void SetLogarithmicBase(int32_t value); // AxisException below 2

    // Look
    TChartAxisPen& Axis() { return *axisPen_; }
    const TChartAxisPen& Axis() const { return *axisPen_; }
    void SetAxis(const TChartPen& value) { axisPen_->Assign(value); }
    TChartAxisTitle& Title() { return *title_; }
    const TChartAxisTitle& Title() const { return *title_; }
    void SetTitle(const TChartAxisTitle& value) { title_->Assign(value); }
    int32_t TitleSize() const { return titleSize_; }
    void SetTitleSize(int32_t value) { Store(titleSize_, value); }
    TDottedGrayPen& Grid() { return *grid_; }
    const TDottedGrayPen& Grid() const { return *grid_; }
    void SetGrid(const TChartPen& value) { grid_->Assign(value); }
    bool GridCentered() const { return gridCentered_; }
    void SetGridCentered(bool value) { Store(gridCentered_, value); }
    bool Labels() const { return labels_; }
    void SetLabels(bool value) { Store(labels_, value); }
    int32_t LabelsAngle() const { return labelsAngle_; }
    void SetLabelsAngle(int32_t value); // ChartException outside 0..359
    TFont& LabelsFont() { return *labelsFont_; }
    const TFont& LabelsFont() const { return *labelsFont_; }
    void SetLabelsFont(const TFont& value) { labelsFont_->Assign(value); }
    bool LabelsOnAxis() const { return labelsOnAxis_; }
    void SetLabelsOnAxis(bool value) { Store(labelsOnAxis_, value); }
    int32_t LabelsSeparation() const { return labelsSeparation_; }
    void SetLabelsSeparation(int32_t value); // AxisException below 0
    int32_t LabelsSize() const { return labelsSize_; }
    void SetLabelsSize(int32_t value) { Store(labelsSize_, value); }
    TAxisLabelStyle LabelStyle() const { return labelStyle_; }
    void SetLabelStyle(TAxisLabelStyle value) { Store(labelStyle_, value); }
    const std::string& AxisValuesFormat() const { return axisValuesFormat_; }
    void SetAxisValuesFormat(const std::string& value) { Store(axisValuesFormat_, value); }
    const std::string& DateTimeFormat() const { return dateTimeFormat_; }
    void SetDateTimeFormat(const std::string& value) { Store(dateTimeFormat_, value); }
    bool ExactDateTime() const { return exactDateTime_; }
    void SetExactDateTime(bool value) { Store(exactDateTime_, value); }
    bool RoundFirstLabel() const { return roundFirstLabel_; }
    void SetRoundFirstLabel(bool value) { Store(roundFirstLabel_, value); }
    bool LabelsMultiLine() const { return labelsMultiLine_; }
    void SetLabelsMultiLine(bool value) { Store(labelsMultiLine_, value); }
    TChartHiddenPen& MinorGrid() { return *minorGrid_; }
    const TChartHiddenPen& MinorGrid() const { return *minorGrid_; }
    void SetMinorGrid(const TChartPen& value) { minorGrid_->Assign(value); }
    int32_t MinorTickCount() const { return minorTickCount_; }
    void SetMinorTickCount(int32_t value) { Store(minorTickCount_, value); }
    int32_t MinorTickLength() const { return minorTickLength_; }
    void SetMinorTickLength(int32_t value) { Store(minorTickLength_, value); }
    TDarkGrayPen& MinorTicks() { return *minorTicks_; }
    const TDarkGrayPen& MinorTicks() const { return *minorTicks_; }
    void SetMinorTicks(const TChartPen& value) { minorTicks_->Assign(value); }
    TDarkGrayPen& Ticks() { return *ticks_; }
    const TDarkGrayPen& Ticks() const { return *ticks_; }
    void SetTicks(const TChartPen& value) { ticks_->Assign(value); }
    TDarkGrayPen& TicksInner() { return *ticksInner_; }
    const TDarkGrayPen& TicksInner() const { return *ticksInner_; }
    void SetTicksInner(const TChartPen& value) { ticksInner_->Assign(value); }
    int32_t TickInnerLength() const { return tickInnerLength_; }
    void SetTickInnerLength(int32_t value) { Store(tickInnerLength_, value); }
    int32_t TickLength() const { return tickLength_; }
    void SetTickLength(int32_t value) { Store(tickLength_, value); }
    bool TickOnLabelsOnly() const { return tickOnLabelsOnly_; }
    void SetTickOnLabelsOnly(bool value) { Store(tickOnLabelsOnly_, value); }
    bool Inverted() const { return scale_.Inverted; }
    void SetInverted(bool value) { Store(scale_.Inverted, value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Store(visible_, value); }
    double StartPosition() const { return startPosition_; }
    void SetStartPosition(double value) { Store(startPosition_, value); }
    double EndPosition() const { return endPosition_; }
    void SetEndPosition(double value) { Store(endPosition_, value); }
    double PositionPercent() const { return positionPercent_; }
    void SetPositionPercent(double value) { Store(positionPercent_, value); }

    // Role, set by the chart after construction.
    bool IsHorizontal() const { return scale_.Horizontal; }
    bool FarSide() const { return farSide_; }
    bool DepthRole() const { return depthRole_; }
    int32_t StandardTitleAngle() const { return standardTitleAngle_; }
    void SetRole(bool horizontal, bool farSide, bool depth, int32_t titleAngle);

    // Scale and screen span of the current frame.
    const TAxisScale& Scale() const { return scale_; }
    double ScaleMinimum() const { return scale_.Minimum; }
    double ScaleMaximum() const { return scale_.Maximum; }
    double ScaleRange() const { return scale_.Range; }
    bool ScaleIsDateTime() const { return scaleIsDateTime_; }
    int32_t StartPixel() const { return scale_.StartPixel; }
    int32_t EndPixel() const { return scale_.EndPixel; }
    int32_t PixelLength() const { return scale_.Length; }
    int32_t CenterPixel() const { return scale_.CenterPixel; }
    int32_t LinePos() const { return linePos_; }
    int32_t LabelsPos() const { return labelsPos_; }
    int32_t TitlePos() const { return titlePos_; }

    // The automatic range from the series.
    void RefreshRange();
    // The screen span from the plot rectangle.
    void PlacePixels();
    // Widens the scale so that the given pixels stay free at the ends of the span.
    void WidenRangeByMargins(const Rect& margins);
    int32_t ValueToPixel(double value) const;
    // Inline: the series map every point through them.
    int32_t ValueToPixelX(double value) const {
        return depthRole_ ? DepthValueToPixel(value) : scale_.ValueToPixelX(value);
    }
    int32_t ValueToPixelY(double value) const {
        return depthRole_ ? DepthValueToPixel(value) : scale_.ValueToPixelY(value);
    }
    int32_t DepthValueToPixel(double value) const;
    double PixelToValue(int32_t pixel) const { return scale_.PixelToValue(pixel); }
    // The label step of this draw; the labels font must be on the canvas.
    double ComputeIncrement();
    int32_t IncrementForSize(int32_t labelSize) const;
    double IncrementForCount(int32_t count) const;
    static double NextNiceStep(double x);
    // A manual range; zooming uses it.
    void SetRange(double minimum, double maximum);
    // Panning: moves both ends by delta; with checkLimits only toward data beyond the range.
    void ShiftRange(double delta, bool checkLimits);
    bool HitTest(int32_t x, int32_t y) const;

    // Copies every setting and the role; not the chart, the scale or the pixels.
    void Assign(const TCustomChartAxis& source);

    // Labels
    TAxisLabelStyle EffectiveLabelStyle() const;
    // The text of a label of this draw: the picture, with the fraction digits the labels
    // take beyond it (LabelExtraDigits), and the chart's label event.
    std::string FormatLabelValue(double value) const;
    // Fraction digits beyond the picture's that the labels of the last ComputeIncrement
    // take, so that neighbouring labels read differently; 0 where the picture tells them
    // apart.
    int32_t LabelExtraDigits() const { return labelExtraDigits_; }
    // The power of ten of the finest digit the labels of the last ComputeIncrement show:
    // the step's last digit, for labels on the multiples of the step; kNoFinestPlace where
    // the labels are not (a scale of no length, a first label not rounded, labels the
    // chart's event supplies).
    int32_t LabelFinestPlace() const { return labelFinestPlace_; }
    int32_t WidestLabel();

    // Space and drawing
    void ReserveSpace(Rect& rect, bool builtIn);
    int32_t TickAreaSize() const;
    int32_t LabelsAreaSize();
    int32_t TitleAreaSize();
    int32_t SideEdge(const Rect& rect) const;
    int32_t ApplyPositionPercent(int32_t coordinate, const Rect& rect) const;
    // The step, the labels with their texts and pixels, and the ticks of this frame, where
    // the drawing will put them; nothing is drawn (the labels font goes on the canvas, to
    // measure). With placeLine the axis line first moves to the plot's edge.
    void LayoutLabels(bool placeLine);
    // The space the labels of the last layout take across the axis, measured as
    // LabelsAreaSize measures it but from the texts laid out, also those the panel left out;
    // 0 where LabelsAreaSize does not measure texts.
    int32_t LaidOutLabelsAreaSize() const { return laidOutLabelsArea_; }
    // The label space the last ReserveSpace gave.
    int32_t ReservedLabelsAreaSize() const { return reservedLabelsArea_; }
    // The least label space the next reservations give (0: as measured). The chart raises it
    // for one layout when the labels laid out are wider than their space.
    void SetLabelsAreaAtLeast(int32_t size) { labelsAreaAtLeast_ = size; }
    // Title, labels and lines as the last LayoutLabels placed them.
    void DrawLaidOut();
    // LayoutLabels, then DrawLaidOut.
    void DrawAxis(bool placeLine);
    // One label of the layout at its pixel.
    void DrawLabel(int32_t pixel, std::string_view text);
    void DrawLabelText(int32_t x, int32_t y, std::string_view text, int32_t angle);
    // What DrawLaidOut draws, each thing with the pixels it may paint, for comparing frames;
    // `part` tells this axis's items from those of the others.
    void CollectItems(uint32_t part, std::vector<TFrameItem>& items);

    // What the last layout produced: its step, its labels in drawing order and its tick
    // positions.
    double LastIncrement() const { return lastIncrement_; }
    const std::vector<TAxisLabel>& LastLabels() const { return lastLabels_; }
    const std::vector<int32_t>& LastTicks() const { return tickList_; }

protected:
    template <class T> void Store(T& field, const T& value) {
        if (StoreChanged(field, value))
            Changed();
    }

private:
    void Changed();
    void SetAutomaticEnd(bool& end, bool otherEnd, bool value);
    // The font of a text on the canvas, over a clear brush.
    void PrepareText(const TFont& font);
    // A date-time scale when the first active series on the axis keeps date-times there.
    void RefreshScaleIsDateTime();
    TCanvas3D& Canvas() const;
    int32_t LabelExtent(double value, bool useFontHeight);
    // The step for labels of the current texts: their size decides how many fit.
    double IncrementForLabelTexts();
    // The search of IncrementForCount from the given start step.
    double IncrementFrom(int32_t count, double start) const;
    // How many labels a walk with this step draws, counting no further than `enough`.
    size_t LabelsDrawnWith(double step, size_t enough) const;
    // The finest place the labels of a walk with this step may show (LabelFinestPlace).
    int32_t FinestPlaceFor(double step) const;
    // The fewest fraction digits beyond the picture's that make the neighbouring labels of
    // a walk with this step read differently; 0 when the picture does, or nothing would.
    int32_t ExtraDigitsToTellApart(double step) const;
    int32_t DigitsToTellApart(double step) const;
    // Calls fn(value) for each value of the walk down the scale, as far as a draw goes.
    template <class Fn> void WalkLabelValues(double step, Fn&& fn) const;
    // Whether a label at this pixel is drawn: on the axis's span, and strictly inside it
    // unless labels on the ends are wanted.
    bool LabelPlaceable(int32_t pixel) const;
    bool AppendTick(int32_t pixel);
    // Whether the text of a label at this pixel lies whole inside the panel.
    bool LabelInsidePanel(int32_t pixel, std::string_view text);
    void ValueLabelPass(double step);
    void NextLabelPass();
    void HandleLabel(double value);
    void DrawTitle();
    void DrawLines();
    void DrawGrid();
    // The alignment of a text at the angle, by the axis's orientation and side.
    uint32_t TextAlignFor(int32_t angle) const;
    // fn(x, y, line, alignment, depth) for each line of a text drawn at the point.
    template <class Fn>
    void ForEachTextRun(int32_t x, int32_t y, std::string_view text, int32_t angle, Fn&& fn);
    // A line of the axis, from (X0, Y0) at depth Z0 to (X1, Y1) at Z1, or on the screen
    // itself (Z0 = Z1 = 0), and the canvas operation that draws it.
    struct TAxisSegment {
        enum class TOp : uint8_t {
            opHorizAtDepth,
            opVertAtDepth,
            opDepth,
            opMoveLine,
            opFlatHoriz,
            opFlatVert
        };
        TOp Op = TOp::opMoveLine;
        int32_t X0 = 0, Y0 = 0, Z0 = 0, X1 = 0, Y1 = 0, Z1 = 0;
        bool Flat() const { return Op == TOp::opFlatHoriz || Op == TOp::opFlatVert; }
    };
    void DrawSegment(const TAxisSegment& segment);
    // The lines of the axis's parts, each handed to fn: the axis line, the tick at a pixel
    // (offset from the axis line, and length), the grid line at a pixel.
    template <class Fn> void AxisLineSegments(Fn&& fn) const;
    template <class Fn> void TickSegment(int32_t p, int32_t offset, int32_t length, Fn&& fn) const;
    template <class Fn> void GridSegments(int32_t p, Fn&& fn) const;
    // The pixels of the grid lines, and of the minor marks, of this frame's ticks.
    template <class Fn> void GridPositions(Fn&& fn) const;
    template <class Fn> void MinorPositions(Fn&& fn) const;

    TAxisOwner* chart_;
    bool labels_ = true;
    int32_t logarithmicBase_ = 10;
    bool automatic_ = true;
    bool automaticMaximum_ = true;
    bool automaticMinimum_ = true;
    int32_t labelsSeparation_ = 10;
    std::string axisValuesFormat_ = "#,##0.###";
    TAxisLabelStyle labelStyle_ = TAxisLabelStyle::talAuto;
    bool labelsOnAxis_ = true;
    std::unique_ptr<TFont> labelsFont_;
    bool tickOnLabelsOnly_ = true;
    int32_t standardTitleAngle_ = 0;
    std::unique_ptr<TChartAxisTitle> title_;
    std::unique_ptr<TDarkGrayPen> ticks_;
    int32_t tickLength_ = 4;
    std::unique_ptr<TDarkGrayPen> minorTicks_;
    int32_t minorTickLength_ = 2;
    int32_t minorTickCount_ = 3;
    std::unique_ptr<TDarkGrayPen> ticksInner_;
    std::unique_ptr<TDottedGrayPen> grid_;
    std::unique_ptr<TChartHiddenPen> minorGrid_;
    std::unique_ptr<TChartAxisPen> axisPen_;
    bool visible_ = true;
    bool roundFirstLabel_ = true;
    bool exactDateTime_ = true;
    double startPosition_ = 0;
    double endPosition_ = 100;
    double positionPercent_ = 0;

    double increment_ = 0;
    double maximum_ = 0;
    double minimum_ = 0;
    bool logarithmic_ = false;
    int32_t titleSize_ = 0;
    bool gridCentered_ = false;
    int32_t labelsAngle_ = 0;
    int32_t labelsSize_ = 0;
    std::string dateTimeFormat_;
    bool labelsMultiLine_ = false;
    int32_t tickInnerLength_ = 0;

    // The scale and its span of pixels in the current frame; also the direction settings.
    TAxisScale scale_;
    bool farSide_ = false;
    bool depthRole_ = false;
    bool scaleIsDateTime_ = false;
    int32_t linePos_ = 0;
    int32_t labelsPos_ = 0;
    int32_t titlePos_ = 0;

    // What ExtraDigitsToTellApart found for the last walks, by everything it depends on
    // but the chart's settings that it checks first: a frame asks for the same walks
    // again and again (the space reservation, the draw, frame after frame).
    struct DigitsFound {
        double Minimum = 0, Maximum = 0, Step = 0;
        int32_t Start = 0, End = 0, Depth = 0;
        bool Inverted = false, Horizontal = false, OnAxis = false, RoundFirst = false;
        std::string Picture, DecimalSeparator, ThousandSeparator;
        int32_t Digits = -1; // none found yet
    };
    mutable DigitsFound digitsFound_[2];
    mutable size_t digitsFoundNext_ = 0;

    // The texts the picture gave for the latest label values: a frame formats the same few
    // labels many times (space, step, draw) and frame after frame. Cleared whenever the
    // picture or the separators are not the ones the texts were made with.
    struct LabelText {
        uint64_t Value = 0; // the bits of the value
        int32_t ExtraDigits = 0;
        int32_t FinestPlace = 0;
        std::string Text;
    };
    const std::string& PictureText(double value) const;
    mutable std::vector<LabelText> labelTexts_;
    mutable size_t labelTextsNext_ = 0;
    mutable std::string labelTextsPicture_;
    mutable TFormatSettings labelTextsSettings_;

    // Kept between draws only to reuse their storage.
    std::vector<int32_t> tickList_;
    std::vector<TAxisLabel> lastLabels_;
    double lastIncrement_ = 0;
    int32_t labelExtraDigits_ = 0;
    int32_t labelFinestPlace_ = kNoFinestPlace;
    // The least label space of this frame's layout (0: as measured), raised by the chart when
    // the labels laid out were wider than the space measured for them.
    int32_t labelsAreaAtLeast_ = 0;
    int32_t reservedLabelsArea_ = 0;
    // Whether ReserveSpace has given the labels their place, which the panel's edges are
    // judged from; an axis drawn without it has none to judge.
    bool labelsPlaced_ = false;
    int32_t laidOutLabelsArea_ = 0;
};

// One of the four side axes.
class TChartAxis : public TCustomChartAxis {
public:
    using TCustomChartAxis::TCustomChartAxis;
};

// The axis across the depth of the 3D view.
class TChartDepthAxis : public TCustomChartAxis {
public:
    using TCustomChartAxis::TCustomChartAxis;
};

} // namespace vemora
