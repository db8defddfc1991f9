// The chart control's first two layers: a window panel with bevels, margins, its 3D canvas
// and the plot geometry of the current frame; then the background gradient, the back image
// and the zoom and panning settings.
#pragma once

#include "canvas/chart_canvas.h"
#include "canvas/gradient.h"
#include "canvas/property.h"
#include "platform/ui/window_host.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vemora {

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
enum class TBorderStyle { bsNone, bsSingle };
enum class TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
enum class TBackImageMode { pbmStretch, pbmTile, pbmCenter };

// The drag state of a zoom rectangle or of a pan, in window pixels.
struct TZoomPanningRecord {
    bool Dragging = false;
    int32_t StartX = 0;
    int32_t StartY = 0;
    int32_t EndX = 0;
    int32_t EndY = 0;

    void Activate(int32_t x, int32_t y) {
        StartX = EndX = x;
        StartY = EndY = y;
        Dragging = true;
    }
    void Normalize() {
        if (StartX > EndX)
            std::swap(StartX, EndX);
        if (StartY > EndY)
            std::swap(StartY, EndY);
    }
};

class TCustomChartPanel;
using TChartNotifyEvent = std::function<void(TCustomChartPanel* sender)>;
using TChartMouseEvent = std::function<void(TCustomChartPanel* sender, ui::TMouseButton button,
                                            ui::TShiftState shift, int32_t x, int32_t y)>;
using TChartMouseMoveEvent =
    std::function<void(TCustomChartPanel* sender, ui::TShiftState shift, int32_t x, int32_t y)>;

// Fixed choices of the drawing: the axes lie under the series; the window's background is
// never erased (every frame paints all of it); clipping also when printing or recording;
// no background or bevels on paper.
constexpr bool AxesBeforeSeries = true;
constexpr bool EraseWindowBackground = false;
constexpr bool ClipWhenPrinting = true;
constexpr bool ClipWhenMetafiling = true;
constexpr bool PanelWhenPrinting = false;

class TCustomChartPanel : public ui::WindowClient {
public:
    // The host is the window the panel lives in; it must outlive the panel. Without one
    // (nullptr) invalidation only marks the canvas dirty.
    explicit TCustomChartPanel(ui::WindowHost* host);
    TCustomChartPanel(const TCustomChartPanel&) = delete;
    TCustomChartPanel& operator=(const TCustomChartPanel&) = delete;
    ~TCustomChartPanel() override;

    ui::WindowHost* Host() const { return host_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string value) { name_ = std::move(value); }

    int32_t Left() const { return left_; }
    int32_t Top() const { return top_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    void SetWidth(int32_t value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int32_t value) { SetBounds(left_, top_, width_, value); }

    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value) { SetAndInvalidate(bevelOuter_, value); }
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value) { SetAndInvalidate(bevelInner_, value); }
    int32_t BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int32_t value) { SetAndInvalidate(bevelWidth_, value); }
    int32_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int32_t value) { SetAndInvalidate(borderWidth_, value); }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TColor Color() const { return color_; }
    void SetColor(TColor value) { SetAndInvalidate(color_, value); }
    int32_t Chart3DPercent() const { return chart3DPercent_; }
    void SetChart3DPercent(int32_t value); // ChartException outside 1..100
    bool UseZOrder() const { return useZOrder_; }
    void SetUseZOrder(bool value) { SetAndInvalidate(useZOrder_, value); }

    // Margins in percent of the drawing area: 0 left, 1 top, 2 right, 3 bottom.
    int32_t Margin(int index) const { return margins_.at(index); }
    void SetMargin(int index, int32_t value) { SetAndInvalidate(margins_.at(index), value); }
    int32_t MarginLeft() const { return margins_[0]; }
    int32_t MarginTop() const { return margins_[1]; }
    int32_t MarginRight() const { return margins_[2]; }
    int32_t MarginBottom() const { return margins_[3]; }
    void SetMarginLeft(int32_t value) { SetMargin(0, value); }
    void SetMarginTop(int32_t value) { SetMargin(1, value); }
    void SetMarginRight(int32_t value) { SetMargin(2, value); }
    void SetMarginBottom(int32_t value) { SetMargin(3, value); }

    bool View3D() const { return view3D_; }
    void SetView3D(bool value) { SetAndInvalidate(view3D_, value); }
    TView3DOptions& View3DOptions() { return *view3DOptions_; }
    const TView3DOptions& View3DOptions() const { return *view3DOptions_; }
    void SetView3DOptions(const TView3DOptions& value) { view3DOptions_->Assign(value); }

    // Device pixels per pixel of the settings: the chart is drawn this many times as large
    // (the window's density, taken from the host at each paint; 1 on a normal screen).
    double PixelScale() const { return canvas3D_->PixelScale(); }
    void SetPixelScale(double scale);

    bool IsPrinting() const { return isPrinting_; }
    bool PrintProportional() const { return printProportional_; }
    int32_t PrintResolution() const { return printResolution_; }
    const Rect& PrintMargins() const { return printMargins_; }

    ui::TCursor Cursor() const { return cursor_; }
    void SetCursor(ui::TCursor value);
    // The cursor the settings left; the mouse leaving the window brings it back.
    ui::TCursor LoadTimeCursor() const { return loadTimeCursor_; }

    // Geometry of the current frame.
    const Rect& PanelBounds() const { return panelBounds_; }
    const Rect& PlotRect() const { return plotRect_; }
    // The title drawing and the layout move the plot rectangle's edges.
    void SetPlotRect(const Rect& value) { plotRect_ = value; }
    int32_t PlotWidth() const { return plotWidth_; }
    int32_t PlotHeight() const { return plotHeight_; }
    int32_t PlotXCenter() const { return plotXCenter_; }
    int32_t PlotYCenter() const { return plotYCenter_; }
    int32_t ChartDepth() const { return chartDepth_; }
    int32_t ChartDepthY() const { return chartDepthY_; }

    TCanvas3D& Canvas3D() { return *canvas3D_; }
    const TCanvas3D& Canvas3D() const { return *canvas3D_; }
    // Replaces the drawing surface (a recording canvas in tests, say); it draws into the
    // window canvas between frames.
    void SetCanvas3D(std::unique_ptr<TCanvas3D> canvas);
    TCanvas& WindowCanvas() { return *windowCanvas_; }
    // Puts the font on the canvas.
    void SelectFont(const TFont& font);

    TZoomPanningRecord& ZoomRecord() { return zoom_; }
    TZoomPanningRecord& PanningRecord() { return panning_; }

    // False while the panel is being built or destroyed: invalidation is then ignored.
    bool RepaintEnabled() const { return repaintEnabled_; }
    void SetRepaintEnabled(bool value) { repaintEnabled_ = value; }
    // Settings are being loaded (the property checks that compare two properties are
    // skipped until the end).
    bool Loading() const { return loading_; }
    void BeginLoading() { loading_ = true; }
    void EndLoading();
    bool Destroying() const { return destroying_; }

    // Marks the frame out of date and asks the window to repaint; never draws.
    virtual void Invalidate();
    // The same after the points of a series changed, and nothing else: the next frame may
    // redraw only where they changed the picture, which it finds out itself.
    void InvalidatePoints();
    // Whether the next frame must be drawn whole.
    bool FullFrameDue() const { return fullFrameDue_; }
    // Paints now if anything is invalid.
    void Update();
    // Invalidate, then Update.
    void Repaint();

    // The paint handler: copies the last frame when nothing changed since, else draws a
    // new one. Nothing while printing.
    void PaintWindow(gfx::Bitmap& surface) override;
    // The parts of the surface the last PaintWindow changed; all of it unless told.
    std::optional<std::span<const Rect>> ChangedArea() const override {
        if (!changedArea_)
            return std::nullopt;
        return std::span<const Rect>(*changedArea_);
    }
    bool EraseBackgroundHandled() const override { return !EraseWindowBackground; }
    uint32_t DialogCode(uint32_t defaultCode) const override {
        return defaultCode | ui::DLGC_WANTARROWS;
    }
    // The control's own mouse events come first; the chart acts on the mouse after them.
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(ui::TMouseButton button, ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseWheel(bool down, ui::TShiftState shift, int32_t x, int32_t y) override;
    void MouseLeave() override;
    // A whole frame for the destination rectangle, drawn off screen and then copied.
    void DrawToCanvas(TMedium& destination, const Rect& rect);
    // A whole frame drawn straight onto the medium as its record of the picture
    // (metafiling): the layout of the window's frame of that size, nothing kept.
    void DrawToMedium(TMedium& medium, const Rect& rect);
    // A whole frame for paper, the size of the page bitmap, drawn at `scale` device pixels
    // per pixel of the settings with the printing rules: IsPrinting is set while it is
    // drawn (no panel fill or bevels unless PanelWhenPrinting, white text turned black,
    // styled grid lines of width 1 drawn thin). The window's picture is left as it was.
    void DrawForPrinting(gfx::Bitmap& page, double scale);
    // The window's chart in pixels of a 96 dpi page: the client rectangle at density 1.
    Rect PageRect() const;
    // Prepares the canvas for a frame of the given client rectangle, for the window
    // canvas unless another destination is given; returns the drawing area.
    Rect OpenCanvas(const Rect& clientRect, TMedium* destination = nullptr);

    // The plot rectangle of a new frame from the drawing area, the border and the margins.
    void CalcPlotRect(const Rect& panelBounds);
    // Keeps the plot rectangle inside the drawing area and the right way round, and
    // recomputes its size and centre.
    void UpdatePlotSize();

    TChartMouseEvent OnMouseDown;
    TChartMouseMoveEvent OnMouseMove;
    TChartMouseEvent OnMouseUp;
    TChartMouseMoveEvent OnMouseWheelDown;
    TChartMouseMoveEvent OnMouseWheelUp;

protected:
    // Set while DrawContents runs for the window, on the surface it drew the last frame on,
    // with nothing invalidated since but the series' points: the frame may then leave alone
    // what the last one drew where nothing changed, and says so with SetFrameChangedArea.
    bool PartialFrameAllowed() const { return partialAllowed_; }
    void SetFrameChangedArea(const std::vector<Rect>& area) { frameArea_ = area; }
    // A frame failed part way: the next is drawn whole.
    virtual void FrameLost() {}
    // Shows the last frame again from the buffer, when it is current; false otherwise.
    virtual bool RepaintFromBuffer() { return canvas3D_->RepaintFromBuffer(); }
    // Something was drawn on the window's surface outside a frame: the buffer no longer
    // holds what the window shows, and the next frame is drawn whole.
    void NoteDirectDrawing() { fullFrameDue_ = true; }
    // One frame inside the drawing area; the panel alone paints its background.
    virtual void DrawContents(const Rect& panelBounds) { PaintPanel(panelBounds); }
    // Background, back image, bevels.
    virtual void PaintPanel(const Rect& rect);
    virtual void FillBackground(const Rect& rect);
    virtual void DrawBackImage(const Rect& /*rect*/) {}
    virtual void DrawBevels(const Rect& rect);

    // Stores a new value and invalidates; an unchanged value does nothing.
    template <class T> void SetAndInvalidate(T& field, const T& value) {
        if (StoreChanged(field, value))
            Invalidate();
    }
    // Tells the window its position, size and border.
    void PlaceWindow();
    // Begins the teardown: nothing invalidates or repaints from here on, and the window
    // no longer paints through the panel.
    void BeginDestroy();
    // Takes the host's pixel ratio when it differs from the chart's, for a frame drawn whole.
    void FollowHostPixelRatio();

    Rect panelBounds_;
    Rect plotRect_;
    int32_t chartDepth_ = 0;
    int32_t chartDepthY_ = 0;

private:
    // The scale onto the canvases, without invalidating.
    void ApplyPixelScale(double scale);
    // The screen's density and the printing and metafiling states, given back when a frame
    // drawn for another page is done, whatever happened.
    class ScreenStateKept {
    public:
        explicit ScreenStateKept(TCustomChartPanel& panel);
        ~ScreenStateKept();
        ScreenStateKept(const ScreenStateKept&) = delete;
        ScreenStateKept& operator=(const ScreenStateKept&) = delete;

    private:
        TCustomChartPanel& panel_;
        double scale_;
        bool printing_;
    };

    ui::WindowHost* host_;
    std::string name_;
    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 400;
    int32_t height_ = 250;
    TPanelBevel bevelOuter_ = TPanelBevel::bvRaised;
    TPanelBevel bevelInner_ = TPanelBevel::bvNone;
    int32_t bevelWidth_ = 1;
    int32_t borderWidth_ = 0;
    TBorderStyle borderStyle_ = TBorderStyle::bsNone;
    TColor color_ = clBtnFace;
    int32_t chart3DPercent_ = 15;
    bool useZOrder_ = true;
    int32_t plotWidth_ = 0;
    int32_t plotHeight_ = 0;
    int32_t plotXCenter_ = 0;
    int32_t plotYCenter_ = 0;
    std::unique_ptr<TCanvas> windowCanvas_;
    // The client area and surface the last frame was drawn for.
    Rect lastClient_;
    const gfx::Bitmap* lastSurface_ = nullptr;
    bool fullFrameDue_ = true;
    bool partialAllowed_ = false;
    std::optional<std::vector<Rect>> frameArea_;
    std::optional<std::vector<Rect>> changedArea_;
    std::array<int32_t, 4> margins_{3, 4, 3, 4};
    ui::TCursor cursor_ = ui::TCursor::crDefault;
    ui::TCursor loadTimeCursor_ = ui::TCursor::crDefault;
    TZoomPanningRecord panning_;
    bool isPrinting_ = false;
    bool printProportional_ = true;
    int32_t printResolution_ = 0;
    bool view3D_ = true;
    std::unique_ptr<TView3DOptions> view3DOptions_;
    TZoomPanningRecord zoom_;
    std::unique_ptr<TCanvas3D> canvas3D_;
    bool repaintEnabled_ = false;
    Rect printMargins_{15, 15, 15, 15};
    bool loading_ = false;
    bool destroying_ = false;
};

class TCustomChartPanelExtended : public TCustomChartPanel {
public:
    explicit TCustomChartPanelExtended(ui::WindowHost* host);

    int32_t AnimatedZoomSteps() const { return animatedZoomSteps_; }
    void SetAnimatedZoomSteps(int32_t value) { animatedZoomSteps_ = value; }
    bool AnimatedZoom() const { return animatedZoom_; }
    void SetAnimatedZoom(bool value) { animatedZoom_ = value; }
    bool AllowZoom() const { return allowZoom_; }
    void SetAllowZoom(bool value) { allowZoom_ = value; }
    TPanningMode AllowPanning() const { return allowPanning_; }
    void SetAllowPanning(TPanningMode value) { allowPanning_ = value; }
    // A picture behind the chart; empty by default.
    const std::shared_ptr<const gfx::Bitmap>& BackImage() const { return backImage_; }
    void SetBackImage(std::shared_ptr<const gfx::Bitmap> value);
    bool HasBackImage() const { return backImage_ && !backImage_->Empty(); }
    TBackImageMode BackImageMode() const { return backImageMode_; }
    void SetBackImageMode(TBackImageMode value) { SetAndInvalidate(backImageMode_, value); }
    TChartGradient& Gradient() { return *gradient_; }
    const TChartGradient& Gradient() const { return *gradient_; }
    void SetGradient(const TCustomChartGradient& value) { gradient_->Assign(value); }
    bool IsZoomed() const { return isZoomed_; }
    void SetIsZoomed(bool value) { isZoomed_ = value; }

    TChartNotifyEvent OnUndoZoom;

protected:
    // The gradient when it is shown, else the panel colour.
    void FillBackground(const Rect& rect) override;
    // Nothing without a picture; a picture is stretched, tiled or centred over the rect.
    void DrawBackImage(const Rect& rect) override;

private:
    std::unique_ptr<TChartGradient> gradient_;
    TBackImageMode backImageMode_ = TBackImageMode::pbmStretch;
    std::shared_ptr<const gfx::Bitmap> backImage_;
    int32_t animatedZoomSteps_ = 8;
    bool animatedZoom_ = false;
    bool allowZoom_ = true;
    TPanningMode allowPanning_ = TPanningMode::pmBoth;
    bool isZoomed_ = false;
};

} // namespace vemora
