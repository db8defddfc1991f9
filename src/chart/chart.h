// The chart control: the axis panel with its title and foot, the three walls of the plot
// box and the legend.
#pragma once

#include "chart/axis_panel.h"
#include "panel/font_object.h"

#include <array>
#include <string>
#include <vector>

namespace vemora {

// One side of the 3D plot box.
class TChartWall {
public:
    // The colour given here is the wall's default colour.
    TChartWall(TCustomChartPanel* chart, TColor color);
    TChartWall(const TChartWall&) = delete;
    TChartWall& operator=(const TChartWall&) = delete;

    TChartBrush& Brush() { return *brush_; }
    const TChartBrush& Brush() const { return *brush_; }
    void SetBrush(const TBrush& value) { brush_->Assign(value); }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { Store(color_, value); }
    bool ColorStored() const { return color_ != defaultColor_; }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Store(dark3D_, value); }
    TChartPen& Pen() { return *pen_; }
    const TChartPen& Pen() const { return *pen_; }
    void SetPen(const TChartPen& value) { pen_->Assign(value); }
    int32_t Size() const { return size_; }
    void SetSize(int32_t value) { Store(size_, value); }

    void Assign(const TChartWall& source);

private:
    template <class T> void Store(T& field, const T& value) {
        if (StoreChanged(field, value))
            chart_->Invalidate();
    }

    TCustomChartPanel* chart_;
    std::unique_ptr<TChartBrush> brush_;
    TColor color_;
    TColor defaultColor_;
    bool dark3D_ = true;
    std::unique_ptr<TChartPen> pen_;
    int32_t size_ = 0;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// The chart's title above the plot or its foot below it.
class TChartTitle : public TChartFontObject {
public:
    explicit TChartTitle(TCustomChartPanel* chart);

    bool AdjustFrame() const { return adjustFrame_; }
    void SetAdjustFrame(bool value) { Store(adjustFrame_, value); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { Store(alignment_, value); }
    TChartBrush& Brush() { return *brush_; }
    const TChartBrush& Brush() const { return *brush_; }
    TColor Color() const { return color_; }
    void SetColor(TColor value) { Store(color_, value); }
    TChartHiddenPen& Frame() { return *frame_; }
    const TChartHiddenPen& Frame() const { return *frame_; }
    const std::vector<std::string>& Text() const { return text_; }
    void SetText(std::vector<std::string> value) { Store(text_, value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Store(visible_, value); }
    // Where the last frame drew it.
    const Rect& TitleRect() const { return titleRect_; }
    void SetTitleRect(const Rect& value) { titleRect_ = value; }
    // Where the layout of the frame put its text: the lines' height, the text's left and
    // right ends and top, the width of a "W", and whether it is framed or filled.
    struct TPlace {
        int32_t LineHeight = 0;
        int64_t Left = 0, Right = 0, Top = 0;
        int32_t W = 0;
        bool Framed = false;
    };
    const TPlace& Place() const { return place_; }
    void SetPlace(const TPlace& value) { place_ = value; }

private:
    template <class T> void Store(T& field, const T& value) {
        if (StoreChanged(field, value))
            Repaint();
    }

    bool adjustFrame_ = true;
    TAlignment alignment_ = TAlignment::taCenter;
    std::unique_ptr<TChartBrush> brush_;
    TColor color_ = clDefault;
    std::unique_ptr<TChartHiddenPen> frame_;
    std::vector<std::string> text_;
    bool visible_ = true;
    Rect titleRect_;
    TPlace place_;
};

// The legend: hidden on this program's chart; only its visibility takes part in a frame.
class TChartLegend {
public:
    explicit TChartLegend(TCustomChartPanel* chart) : chart_(chart) {}

    bool Visible() const { return visible_; }
    void SetVisible(bool value) {
        if (StoreChanged(visible_, value))
            chart_->Invalidate();
    }
    // A vertical legend stands beside the plot, a horizontal one above or below it.
    bool Vertical() const { return true; }
    // Where the last frame drew it: nowhere, as long as the legend is not drawn.
    const Rect& LegendRect() const { return legendRect_; }

private:
    TCustomChartPanel* chart_;
    bool visible_ = true;
    Rect legendRect_;
};

// The mouse: the left button drags a zoom rectangle, the right one pans, with no modifier
// keys. A zoom rectangle must be wider and higher than the threshold; an animated zoom
// moves each bound by a third of its remaining way per step; a wheel notch scrolls the
// vertical axes by a share of their range, in percent.
constexpr ui::TMouseButton ZoomMouseButton = ui::TMouseButton::mbLeft;
constexpr ui::TMouseButton PanMouseButton = ui::TMouseButton::mbRight;
constexpr ui::TShiftState ZoomShiftKeys{};
constexpr ui::TShiftState PanShiftKeys{};
constexpr long double ZoomStepDivisor = 3.0L;
constexpr int32_t ZoomDragThreshold = 16;
constexpr int32_t WheelStepPercent = 3;

enum class TChartClickedPartStyle {
    cpNone,
    cpLegend,
    cpAxis,
    cpSeries,
    cpTitle,
    cpFoot,
    cpChartRect
};

// What lies under a window position.
struct TChartClickedPart {
    TChartClickedPartStyle Part = TChartClickedPartStyle::cpNone;
    TCustomChartAxis* Axis = nullptr;
    TChartSeries* Series = nullptr;
    int32_t PointIndex = -1;
};

// An axis's range as it was before the first zoom or pan.
struct TAxisSavedScales {
    bool Automatic = true;
    bool AutomaticMinimum = true;
    bool AutomaticMaximum = true;
    double Minimum = 0;
    double Maximum = 0;
};

// The saved side axes, in this order.
enum class TSavedAxis { saTop, saLeft, saRight, saBottom };

using TChartClickAxisEvent =
    std::function<void(TCustomChartPanel* sender, TCustomChartAxis* axis, ui::TMouseButton button,
                       ui::TShiftState shift, int32_t x, int32_t y)>;
using TChartClickSeriesEvent =
    std::function<void(TCustomChartPanel* sender, TChartSeries* series, int32_t valueIndex,
                       ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y)>;
// May change the new range of a pan, or refuse it.
using TChartAllowScrollEvent = std::function<void(TCustomChartAxis* sender, double& minimum,
                                                  double& maximum, bool& allowScroll)>;

class TCustomChart : public TCustomAxisPanel {
public:
    explicit TCustomChart(ui::WindowHost* host);
    ~TCustomChart() override;

    TChartTitle& Title() { return *title_; }
    TChartTitle& Foot() { return *foot_; }
    TChartWall& BackWall() { return *backWall_; }
    TChartWall& LeftWall() { return *leftWall_; }
    TChartWall& BottomWall() { return *bottomWall_; }
    TChartLegend& Legend() { return *legend_; }
    const TChartTitle& Title() const { return *title_; }
    const TChartTitle& Foot() const { return *foot_; }
    const TChartWall& BackWall() const { return *backWall_; }
    const TChartWall& LeftWall() const { return *leftWall_; }
    const TChartWall& BottomWall() const { return *bottomWall_; }
    const TChartLegend& Legend() const { return *legend_; }

    // The back wall's pen and colour under the names the chart publishes them.
    TChartPen& Frame() { return backWall_->Pen(); }
    TColor BackColor() const { return backWall_->Color(); }
    void SetBackColor(TColor value);

    bool BackImageInside() const { return backImageInside_; }
    void SetBackImageInside(bool value) { SetAndInvalidate(backImageInside_, value); }
    bool ScalesRestored() const { return scalesRestored_; }
    bool SkipMouseAction() const { return skipMouseAction_; }
    void SetSkipMouseAction(bool value) { skipMouseAction_ = value; }
    const std::array<TAxisSavedScales, 4>& SavedScales() const { return savedScales_; }
    const TAxisSavedScales& SavedScale(TSavedAxis axis) const {
        return savedScales_[static_cast<size_t>(axis)];
    }

    // Mouse (chart_mouse.cpp)
    // The part of the chart under the position, the first of: a point of a series (the
    // last series first), an axis, the title, the foot, the plot rectangle when a series is
    // active, the legend.
    TChartClickedPart PartAt(int32_t x, int32_t y);
    // The point under the position as PartAt finds it (cpSeries), without the click
    // events of the hit test; cpNone elsewhere.
    TChartClickedPart PointUnder(int32_t x, int32_t y);
    // The point under the position (cpSeries), the last series first; `clicked` runs the
    // click's hit test with its events.
    TChartClickedPart SeriesPointAt(int32_t x, int32_t y, bool clicked);
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseWheel(bool down, ui::TShiftState shift, int32_t x, int32_t y) override;
    void CancelMode() override;
    // The side axes take the ranges under the zoom rectangle.
    void ZoomToFrame();
    // New ranges for the side axes, in steps when the zoom is animated. An axis whose two
    // targets are not both finite keeps its range.
    void ApplyZoom(double topMinimum, double topMaximum, double bottomMinimum, double bottomMaximum,
                   double leftMinimum, double leftMaximum, double rightMinimum,
                   double rightMaximum);
    // Undoes every zoom and pan since the ranges were saved.
    void RestoreZoom();

    TChartMouseEvent OnClickLegend;
    TChartMouseEvent OnClickBackground;
    TChartClickAxisEvent OnClickAxis;
    TChartClickSeriesEvent OnClickSeries;
    TChartAllowScrollEvent OnAllowScroll;
    TChartNotifyEvent OnScroll;
    TChartNotifyEvent OnZoom;

    int32_t WallSizeFor(const TCustomChartAxis& axis) const override;
    // Whether the wall's sides are drawn darker: not for a clear or pictured brush.
    bool WallDark3D(const TChartWall& wall) const;
    // Puts the wall's pen and brush on the canvas.
    void PrepareWall(const TChartWall& wall);
    // Where a title or the foot goes, and the room it takes off the plot rectangle.
    void TitleLayout(TChartTitle& title, bool onTop);
    // The title or foot where its layout put it.
    void TitleDraw(TChartTitle& title, bool onTop);

protected:
    int32_t BackWallSize() const override { return Canvas3D().Pixels(backWall_->Size()); }
    // The picture goes inside the walls instead when BackImageInside is set.
    void DrawBackImage(const Rect& rect) override;
    void LayoutTitles() override;
    void DrawTitles() override;
    void PaintWalls() override;

    // A press that may start a zoom rectangle or a pan; true when it did.
    bool StartDrag(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y);
    // Moves the axis bounds a step of the way toward the targets.
    void ZoomStep(TCustomChartAxis& axis, double targetMinimum, double targetMaximum);
    // Moves the axes of one orientation with the pointer from one pixel to another; true
    // when the step applied.
    bool PanStep(bool horizontal, int32_t from, int32_t to);

private:
    // OnClickBackground, when assigned; true when the handler kept the skip flag.
    bool BackgroundClick(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y);
    // Runs the click event with the skip flag set; true when the handler kept it.
    template <class Handler, class... Args> bool ClickEvent(const Handler& handler, Args... args);
    // The zoom rectangle, drawn on the window directly and shown.
    void ToggleZoomFrame();
    // Ends a zoom drag and takes the rectangle off the window.
    void EndZoomDrag();
    void SaveScales();
    TChartAxis& SavedAxis(size_t index);

    std::unique_ptr<TChartTitle> title_;
    std::unique_ptr<TChartTitle> foot_;
    std::unique_ptr<TChartWall> backWall_;
    std::unique_ptr<TChartWall> leftWall_;
    std::unique_ptr<TChartLegend> legend_;
    std::unique_ptr<TChartWall> bottomWall_;
    bool backImageInside_ = false;
    bool scalesRestored_ = true;
    bool skipMouseAction_ = false;
    std::array<TAxisSavedScales, 4> savedScales_{};
};

// The chart with its settings published; no behaviour of its own.
class TChart : public TCustomChart {
public:
    using TCustomChart::TCustomChart;
};

} // namespace vemora
