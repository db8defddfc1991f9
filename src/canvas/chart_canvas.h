// The chart's drawing surface: flat operations in screen pixels and depth operations that
// project a chart-space point (x, y, z) first, z = 0 at the front. A frame is drawn into a
// kept off-screen bitmap and copied to the window in one step.
#pragma once

#include "canvas/gradient.h"
#include "canvas/platform_canvas.h"
#include "canvas/property.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace vemora {

// The 3D view of the chart panel. Every setter stores and, on a change, asks the owner to
// repaint.
class TView3DOptions {
public:
    explicit TView3DOptions(std::function<void()> invalidate = {})
        : invalidate_(std::move(invalidate)) {}

    int32_t Elevation() const { return elevation_; }
    void SetElevation(int32_t value) { Store(elevation_, value); }
    int32_t HorizOffset() const { return horizOffset_; }
    void SetHorizOffset(int32_t value);
    bool Orthogonal() const { return orthogonal_; }
    void SetOrthogonal(bool value) { Store(orthogonal_, value); }
    int32_t Perspective() const { return perspective_; }
    void SetPerspective(int32_t value) { Store(perspective_, value); }
    int32_t Rotation() const { return rotation_; }
    void SetRotation(int32_t value) { Store(rotation_, value); }
    int32_t Tilt() const { return tilt_; }
    void SetTilt(int32_t value) { Store(tilt_, value); }
    int32_t VertOffset() const { return vertOffset_; }
    void SetVertOffset(int32_t value);
    int32_t Zoom() const { return zoom_; }
    void SetZoom(int32_t value);
    bool ZoomText() const { return zoomText_; }
    void SetZoomText(bool value) { Store(zoomText_, value); }

    void Assign(const TView3DOptions& source);

    // After HorizOffset (true) or VertOffset (false) changed.
    std::function<void(bool horizontal)> OnScrolled;
    // With the new value, before Zoom is stored.
    std::function<void(int32_t zoom)> OnChangedZoom;

private:
    template <class T> bool Store(T& field, T value) {
        if (!StoreChanged(field, value))
            return false;
        if (invalidate_)
            invalidate_();
        return true;
    }

    std::function<void()> invalidate_;
    int32_t elevation_ = 345;
    int32_t horizOffset_ = 0;
    bool orthogonal_ = true;
    int32_t perspective_ = 15;
    int32_t rotation_ = 345;
    int32_t tilt_ = 0;
    int32_t vertOffset_ = 0;
    int32_t zoom_ = 100;
    bool zoomText_ = true;
};

// Background modes of the canvas.
constexpr int cbmTransparent = gfx::TRANSPARENT;
constexpr int cbmOpaque = gfx::OPAQUE;

class TChartCanvas {
public:
    virtual ~TChartCanvas() = default;

    // The raster canvas drawn on, null on any other medium.
    TCanvas* ReferenceCanvas() const { return canvas_ ? canvas_->Raster() : nullptr; }
    // The medium drawn on.
    TMedium* Medium() const { return canvas_; }
    TPen& Pen() { return canvas_->Pen(); }
    TBrush& Brush() { return canvas_->Brush(); }
    TFont& Font() { return canvas_->Font(); }
    bool Metafiling() const { return metafiling_; }
    // Frames drawn while set are a medium's record of the picture: whole, without the
    // off-screen buffer, the stamps or the layers of part frames.
    void SetMetafiling(bool value) { metafiling_ = value; }
    // The canvas pen draws as the chart pen says.
    void ApplyChartPen(const TChartPen& pen) { vemora::ApplyChartPen(*canvas_, pen); }
    // The pixels drawn on, for the fast paths that copy finished pixels (the marker
    // stamps); null when the medium is not made of pixels.
    gfx::DeviceContext* PixelDevice() const {
        TCanvas* raster = ReferenceCanvas();
        return raster ? &raster->DeviceContext() : nullptr;
    }
    // Selects the tools as a drawing does (see TMedium).
    void SelectTools() { canvas_->SelectTools(); }
    // Brackets the drawing of one figure placed at the point (see TMedium::BeginFigure).
    void BeginFigure(int32_t x, int32_t y) { canvas_->BeginFigure(x, y); }
    void EndFigure() { canvas_->EndFigure(); }
    // Device pixels per pixel of the chart's settings (1 on a normal screen; 2 on a screen
    // of twice the density): every size the chart gives in pixels is drawn that many times
    // as large, through Pixels where the chart uses it and through the tools' scaling.
    double PixelScale() const { return pixelScale_; }
    void SetPixelScale(double scale) {
        pixelScale_ = scale;
        if (canvas_)
            canvas_->SetPixelScale(scale);
    }
    // A length the settings give in pixels, in device pixels.
    int32_t Pixels(int32_t pixels) const { return gfx::ScalePixels(pixels, pixelScale_); }

    virtual TColor GetBackColor() const = 0;
    virtual int GetBackMode() const = 0;
    virtual gfx::DeviceContext* GetHandle() = 0;
    virtual bool GetMonochrome() const = 0;
    virtual uint32_t GetTextAlign() const = 0;
    virtual bool GetOffscreenBuffered() const = 0;
    virtual void SetBackColor(TColor color) = 0;
    virtual void SetBackMode(int mode) = 0;
    virtual void SetMonochrome(bool value) = 0;
    virtual void SetPixel(int32_t x, int32_t y, TColor color) = 0;
    virtual void SetTextAlign(uint32_t align) = 0;
    virtual void SetOffscreenBuffered(bool value) = 0;
    virtual void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                     int32_t x4, int32_t y4) = 0;
    virtual void Draw(int32_t x, int32_t y, const gfx::Bitmap& picture) = 0;
    virtual void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    virtual void FillRect(const Rect& rect) = 0;
    // Rings of one pixel, top and left in the first colour, bottom and right in the
    // second; the rectangle shrinks by one on every side after each ring.
    virtual void Frame3D(Rect& rect, TColor topColor, TColor bottomColor, int32_t width) = 0;
    virtual void LineTo(int32_t x, int32_t y) = 0;
    virtual void MoveTo(int32_t x, int32_t y) = 0;
    virtual void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3,
                     int32_t x4, int32_t y4) = 0;
    virtual void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    virtual void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
                           int32_t y3) = 0;
    virtual void StretchDraw(const Rect& rect, const gfx::Bitmap& picture) = 0;
    virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    virtual int32_t TextWidth(std::string_view text) = 0;
    virtual int32_t TextHeight(std::string_view text) = 0;
    virtual void ClipToRect(const Rect& rect) = 0;
    virtual void HorizLine(int32_t x0, int32_t x1, int32_t y) = 0;
    virtual void DoRectangle(const Rect& rect) = 0;
    virtual void VertLine(int32_t x, int32_t y0, int32_t y1) = 0;
    virtual void EraseBackground(const Rect& rect) = 0;
    virtual void FillGradient(const Rect& rect, TColor a, TColor b,
                              TGradientDirection direction) = 0;
    virtual void MarkDirty() = 0;
    virtual void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    virtual void Polygon(std::span<const Point> points) = 0;
    virtual void RotatedText(int32_t x, int32_t y, std::string_view text, int32_t angle) = 0;
    virtual void Unclip() = 0;

    // The height of "W" with the canvas font.
    int32_t FontHeight() { return TextHeight("W"); }
    // Pen black, width 1, solid; brush white, solid; font black, 10 points; background
    // white and transparent.
    void ResetTools();

protected:
    TMedium* canvas_ = nullptr;
    bool metafiling_ = false;
    double pixelScale_ = 1.0;
};

class TCanvas3D : public TChartCanvas {
public:
    const TView3DOptions* View3DOptions() const { return view3DOptions_; }

    virtual void PixelAtDepth(int32_t x, int32_t y, TColor color, int32_t z) = 0;
    virtual bool SupportsSolids() const = 0;
    virtual bool SupportsDepthText() const = 0;
    virtual void UnprojectPosition(int32_t& x, int32_t& y, int32_t z) const = 0;
    virtual Point ProjectPosition(int32_t x, int32_t y, int32_t z) const = 0;
    // True when the projection only moves points, by an amount that depends on the depth
    // alone: a drawing moved on the plane then comes out the same, moved.
    virtual bool ProjectsByTranslation() const { return false; }
    virtual Rect OpenFrame(TMedium* destination, const TView3DOptions* options, TColor backColor,
                           bool is3D, const Rect& userRect) = 0;
    virtual void Assign(const TCanvas3D& source) = 0;
    virtual void SetProjection(int32_t depth, const Rect& bounds, const Rect& rect) = 0;
    virtual void PresentFrame(TMedium* destination, TMedium* windowCanvas,
                              const Rect& userRect) = 0;
    virtual bool RepaintFromBuffer() = 0;
    // Frames drawn in layers. A canvas that draws its frames off screen may keep there just
    // the picture under the series (the underlay) and lay the series over a copy of it on the
    // destination itself: the next frame then draws again only the parts of the underlay
    // that changed, and the series only where they changed. Without an off-screen buffer
    // none of this does anything.
    virtual bool KeepsUnderlay() const { return false; }
    // Drawing goes onto the frame's destination instead of the buffer, until called with
    // false.
    virtual void DrawOnDestination(bool /*onDestination*/) {}
    // Copies the buffer onto the destination within the rectangles, or everywhere.
    virtual void CopyUnderlay(const std::vector<Rect>* /*rects*/) {}
    // The buffer, which holds the underlay in a frame drawn in layers.
    virtual const gfx::Bitmap* Underlay() const { return nullptr; }
    // Whether the buffer holds what the last frame drew and nothing asked for a new one.
    virtual bool BufferCurrent() const { return false; }
    // Keeps all drawing inside the region until called with nullptr.
    virtual void LimitDrawing(const gfx::Region* /*region*/) {}
    // The frame's next presentation copies only the rectangles (nothing, when empty);
    // opening a frame copies all again.
    virtual void LimitPresent(const std::vector<Rect>* /*rects*/) {}
    virtual void ClipToBox(const Rect& rect, int32_t z0, int32_t z1) = 0;
    virtual void Box(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t z0,
                     int32_t z1, bool darkSides) = 0;
    virtual void HorizLineAtDepth(int32_t left, int32_t right, int32_t y, int32_t z) = 0;
    virtual void VertLineAtDepth(int32_t x, int32_t top, int32_t bottom, int32_t z) = 0;
    virtual void DepthLine(int32_t x, int32_t y, int32_t z0, int32_t z1) = 0;
    virtual void EllipseAtDepth(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                int32_t z) = 0;
    virtual void BeginFrontPlane() = 0;
    virtual void EndFrontPlane() = 0;
    virtual void LineAtDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) = 0;
    virtual void MoveToAtDepth(int32_t x, int32_t y, int32_t z) = 0;
    virtual void LineToAtDepth(int32_t x, int32_t y, int32_t z) = 0;
    virtual void QuadAtDepth(Point p1, Point p2, Point p3, Point p4, int32_t z) = 0;
    virtual void QuadBetweenDepths(Point p1, Point p2, Point p3, Point p4, int32_t z0,
                                   int32_t z1) = 0;
    virtual void PolygonAtDepth(std::span<const Point> points, int32_t z) = 0;
    // A solid of the triangle (apex at the middle of the top edge, base at the bottom edge;
    // top below bottom turns it upside down) between the two depths.
    virtual void Pyramid(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t z0,
                         int32_t z1, bool darkSides) = 0;
    // The brush (the background when the brush is not solid) as Box and Pyramid leave it,
    // set without drawing, for solids put down some other way. A box with dark sides leaves
    // the shade of the face it draws last, which depends on where it stands; a pyramid ends
    // on its front, at the colour it began with.
    virtual void LeaveToolsAsBox(int32_t left, int32_t right, int32_t top, int32_t bottom,
                                 int32_t z0, int32_t z1, bool darkSides) = 0;
    virtual void LeaveToolsAsPyramid() = 0;
    virtual void RectangleAtDepth(const Rect& rect, int32_t z) = 0;
    virtual void RectangleAtY(int32_t left, int32_t right, int32_t y, int32_t z0, int32_t z1) = 0;
    virtual void RectangleAtX(int32_t x, int32_t top, int32_t bottom, int32_t z0, int32_t z1) = 0;
    virtual void RotatedTextAtDepth(int32_t x, int32_t y, std::string_view text, int32_t angle,
                                    int32_t z) = 0;
    virtual void TextOutAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z) = 0;
    virtual void TriangleAtDepth(Point p1, Point p2, Point p3, int32_t z) = 0;
    // Every pixel that TextOutAtDepth (angle 0) or RotatedTextAtDepth (any other) with the
    // alignment would paint lies inside; nothing is drawn and the canvas's state stays.
    virtual Rect TextBoundsAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z,
                                   int32_t angle, uint32_t align) = 0;

protected:
    const TView3DOptions* view3DOptions_ = nullptr;
    bool orthogonal_ = false;
};

class TChartCanvas3D : public TCanvas3D {
public:
    // Draws into the window canvas between frames; not owned.
    explicit TChartCanvas3D(TMedium* windowCanvas);
    ~TChartCanvas3D() override;

    // Asks the owning panel to repaint (after the monochrome setting changed); may be empty.
    std::function<void()> OnInvalidate;
    bool Is3D() const { return is3D_; }
    bool Dirty() const { return dirty_; }
    const gfx::Bitmap* OffscreenBitmap() const { return bitmap_.get(); }
    const std::optional<std::vector<Rect>>& PresentLimit() const { return presentLimit_; }
    // Brushes made by gradient fills since the canvas was created.
    uint64_t GradientBrushesCreated() const { return gradientBrushes_; }
    // Fonts made for scaled or rotated text since the canvas was created.
    uint64_t FontsCreated() const { return fontsCreated_; }

    // The rotation terms of perspective mode; nothing in orthogonal mode.
    void ComputeViewTrig();
    void ProjectPoint(int32_t& x, int32_t& y, int32_t z) const;

    TColor GetBackColor() const override;
    int GetBackMode() const override;
    gfx::DeviceContext* GetHandle() override;
    bool GetMonochrome() const override { return monochrome_; }
    uint32_t GetTextAlign() const override;
    bool GetOffscreenBuffered() const override { return offscreenBuffered_; }
    void SetBackColor(TColor color) override;
    void SetBackMode(int mode) override;
    void SetMonochrome(bool value) override;
    void SetPixel(int32_t x, int32_t y, TColor color) override;
    void SetTextAlign(uint32_t align) override;
    void SetOffscreenBuffered(bool value) override;
    void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
             int32_t y4) override;
    void Draw(int32_t x, int32_t y, const gfx::Bitmap& picture) override;
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void FillRect(const Rect& rect) override;
    void Frame3D(Rect& rect, TColor topColor, TColor bottomColor, int32_t width) override;
    void LineTo(int32_t x, int32_t y) override;
    void MoveTo(int32_t x, int32_t y) override;
    void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
             int32_t y4) override;
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) override;
    void StretchDraw(const Rect& rect, const gfx::Bitmap& picture) override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    int32_t TextWidth(std::string_view text) override;
    int32_t TextHeight(std::string_view text) override;
    void ClipToRect(const Rect& rect) override;
    void HorizLine(int32_t x0, int32_t x1, int32_t y) override;
    void DoRectangle(const Rect& rect) override;
    void VertLine(int32_t x, int32_t y0, int32_t y1) override;
    void EraseBackground(const Rect& rect) override;
    void FillGradient(const Rect& rect, TColor a, TColor b, TGradientDirection direction) override;
    void MarkDirty() override {
        dirty_ = true;
        dirtyDuringFrame_ = true;
    }
    void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void Polygon(std::span<const Point> points) override;
    void RotatedText(int32_t x, int32_t y, std::string_view text, int32_t angle) override;
    void Unclip() override;

    void PixelAtDepth(int32_t x, int32_t y, TColor color, int32_t z) override;
    bool SupportsSolids() const override { return false; }
    bool SupportsDepthText() const override { return false; }
    void UnprojectPosition(int32_t& x, int32_t& y, int32_t z) const override;
    Point ProjectPosition(int32_t x, int32_t y, int32_t z) const override;
    bool ProjectsByTranslation() const override {
        return orthogonal_ ? zoomFactor_ == 1.0 : !is3D_;
    }
    Rect OpenFrame(TMedium* destination, const TView3DOptions* options, TColor backColor, bool is3D,
                   const Rect& userRect) override;
    void Assign(const TCanvas3D& source) override;
    void SetProjection(int32_t depth, const Rect& bounds, const Rect& rect) override;
    void PresentFrame(TMedium* destination, TMedium* windowCanvas, const Rect& userRect) override;
    bool RepaintFromBuffer() override;
    bool KeepsUnderlay() const override { return Buffered() && !metafiling_; }
    void DrawOnDestination(bool onDestination) override;
    void CopyUnderlay(const std::vector<Rect>* rects) override;
    const gfx::Bitmap* Underlay() const override { return bitmap_.get(); }
    bool BufferCurrent() const override { return !dirty_ && bitmap_ && canvas_; }
    void LimitDrawing(const gfx::Region* region) override;
    void LimitPresent(const std::vector<Rect>* rects) override;
    void ClipToBox(const Rect& rect, int32_t z0, int32_t z1) override;
    void Box(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t z0, int32_t z1,
             bool darkSides) override;
    void HorizLineAtDepth(int32_t left, int32_t right, int32_t y, int32_t z) override;
    void VertLineAtDepth(int32_t x, int32_t top, int32_t bottom, int32_t z) override;
    void DepthLine(int32_t x, int32_t y, int32_t z0, int32_t z1) override;
    void EllipseAtDepth(int32_t left, int32_t top, int32_t right, int32_t bottom,
                        int32_t z) override;
    void BeginFrontPlane() override;
    void EndFrontPlane() override;
    void LineAtDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) override;
    void MoveToAtDepth(int32_t x, int32_t y, int32_t z) override;
    void LineToAtDepth(int32_t x, int32_t y, int32_t z) override;
    void QuadAtDepth(Point p1, Point p2, Point p3, Point p4, int32_t z) override;
    void QuadBetweenDepths(Point p1, Point p2, Point p3, Point p4, int32_t z0, int32_t z1) override;
    void PolygonAtDepth(std::span<const Point> points, int32_t z) override;
    void Pyramid(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t z0, int32_t z1,
                 bool darkSides) override;
    void LeaveToolsAsBox(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t z0,
                         int32_t z1, bool darkSides) override;
    void LeaveToolsAsPyramid() override;
    void RectangleAtDepth(const Rect& rect, int32_t z) override;
    void RectangleAtY(int32_t left, int32_t right, int32_t y, int32_t z0, int32_t z1) override;
    void RectangleAtX(int32_t x, int32_t top, int32_t bottom, int32_t z0, int32_t z1) override;
    void RotatedTextAtDepth(int32_t x, int32_t y, std::string_view text, int32_t angle,
                            int32_t z) override;
    void TextOutAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z) override;
    void TriangleAtDepth(Point p1, Point p2, Point p3, int32_t z) override;
    Rect TextBoundsAtDepth(int32_t x, int32_t y, std::string_view text, int32_t z, int32_t angle,
                           uint32_t align) override;

private:
    // Frames go through the off-screen buffer: never while metafiling.
    bool Buffered() const { return offscreenBuffered_ && !metafiling_; }
    void PolygonFromScratch(size_t count);
    // Draws the text with a logical font changed by the adjust function, then restores.
    template <class Adjust>
    void TextWithFont(int32_t x, int32_t y, std::string_view text, Adjust&& adjust);
    int32_t ScaledFontHeight() const;
    // The colour that shaded faces darken: the brush's when solid, else the background's.
    TColor FaceBaseColor() const;
    void SetFaceColor(TColor color);
    // How much darker than the front the face Box draws last is: 0 when it draws the front
    // alone.
    uint8_t BoxLastShade(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t z0,
                         int32_t z1) const;

    // Projection
    int32_t cx_ = 0, cy_ = 0, cz_ = 0;
    int32_t ox_ = 0, oy_ = 0;
    long double sE_ = 0, pX_ = 0;
    double pZ_ = 0;
    double mXX_ = 0, mXY_ = 0, mXZ_ = 0, mYX_ = 0, mYY_ = 0, mYZ_ = 0;
    bool is3D_ = false;
    bool saved3D_ = false;

    // Buffering
    std::unique_ptr<gfx::Bitmap> bitmap_;
    std::unique_ptr<TCanvas> bitmapCanvas_;
    bool offscreenBuffered_ = true;
    bool monochrome_ = false;
    bool dirty_ = true;
    // Marked dirty while a frame was being drawn: that frame is already out of date.
    bool dirtyDuringFrame_ = false;
    std::optional<std::vector<Rect>> presentLimit_;
    // The destination of the frame being drawn, and where it goes on it.
    TMedium* destination_ = nullptr;
    Rect userRect_;

    bool zoomText_ = true;
    double zoomFactor_ = 1.0;
    double perspectiveFactor_ = 0.0;
    std::array<Point, 6> scratch_{};

    uint64_t gradientBrushes_ = 0;
    uint64_t fontsCreated_ = 0;
};

} // namespace vemora
