// The vector medium: the chart as SVG or PDF through cairo's surfaces for them. Pixels of
// the raster medium become units of a 96 dpi page (a PDF page of 813 x 653 pixels is
// 609.75 x 489.75 points), and every shape covers the pixels the raster medium paints: a
// one-pixel line runs through the middles of its pixels, a filled box reaches their outer
// edges. Text is the face's own glyphs at the raster layout's pen positions, so it is real
// text in a PDF.
//
// Figures (markers) are kept once each and placed again where they repeat, and a figure
// that the figures placed after it hide on the page is left out: a dense series stays small.
#pragma once

#include "canvas/medium.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct _cairo;
struct _cairo_surface;
struct _cairo_font_face;

namespace vemora {

enum class TVectorFormat { vfSVG, vfPDF };

class TVectorCanvas final : public TMedium {
public:
    // Takes the document's bytes as they are made; false stops the writing.
    using TWriter = std::function<bool(std::string_view bytes)>;

    // A page of width x height pixels; the title goes into a PDF's information.
    TVectorCanvas(TVectorFormat format, int32_t width, int32_t height, TWriter writer,
                  std::string_view title = {});
    ~TVectorCanvas() override;

    // Ends the page and the document; false when it could not be made or written whole.
    // Nothing is drawn after it.
    bool Finish();
    // Figures left out because later ones hid them, since the page began.
    size_t HiddenFigures() const { return hiddenFigures_; }

    gfx::ColorRef GetBkColor() const override { return bkColor_; }
    void SetBkColor(TColor color) override;
    int GetBkMode() const override { return bkMode_; }
    void SetBkMode(int mode) override;
    uint32_t GetTextAlign() const override { return textAlign_; }
    void SetTextAlign(uint32_t align) override { textAlign_ = align; }
    void SelectTools() override { SelectBrush(); }

    void MoveTo(int32_t x, int32_t y) override { position_ = {x, y}; }
    void LineTo(int32_t x, int32_t y) override;
    void Polyline(std::span<const Point> points) override;
    void Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3) override;
    void Polygon(std::span<const Point> points) override;
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w, int32_t h) override;
    void Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3) override;
    void FillRect(const Rect& rect) override;
    void FillRect(const Rect& rect, TColor color) override;
    uint64_t FillGradient(const Rect& rect, TColor a, TColor b,
                          TGradientDirection direction) override;
    void SetPixel(int32_t x, int32_t y, TColor color) override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    void TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font) override;
    using TMedium::Draw;
    void Draw(int32_t x, int32_t y, int32_t width, int32_t height, const gfx::Bitmap& picture,
              int32_t sourceX, int32_t sourceY) override;
    void StretchDraw(const Rect& rect, const gfx::Bitmap& picture) override;
    void IntersectClipRect(const Rect& rect) override;
    void SelectClipPolygon(std::span<const Point> points) override;
    void Unclip() override;
    void BeginFigure(int32_t x, int32_t y) override;
    void EndFigure() override;

    // A shape as drawn, with the tools it was drawn with: what a figure is made of.
    struct Shape {
        enum class Kind : uint8_t { Line, Polygon, Rectangle, Ellipse, Fill };
        Kind What = Kind::Line;
        std::vector<Point> Points; // the line's ends, the polygon, the box's corners
        gfx::ColorRef PenColor = 0;
        int32_t PenWidth = 1;
        gfx::PenStyle PenStyle = gfx::PenStyle::Solid;
        gfx::PenMode PenMode = gfx::PenMode::Copy;
        gfx::ColorRef Fill = 0; // the brush's colour, or the colour of a Fill
        gfx::BrushStyle FillStyle = gfx::BrushStyle::Clear;
        gfx::ColorRef Back = 0;
        int BackMode = gfx::TRANSPARENT;
        bool operator==(const Shape&) const = default;
    };

private:
    gfx::DeviceContext& Metrics() override { return measure_; }
    // A brush changed since the last selection brings its background with it.
    void SelectBrush();
    Shape ShapeOf(Shape::Kind kind, std::span<const Point> points, bool filled);
    // Draws the shape now, or keeps it in the figure being drawn.
    void Put(Shape&& shape);
    // Before anything that is not part of a figure: the figures waiting are put down, and
    // a figure being drawn is given up and drawn as it came.
    void Settle();
    void FlushFigures();
    void Paint(_cairo* cr, const Shape& shape, Point offset) const;
    void Stroke(_cairo* cr, const Shape& shape) const;
    _cairo_font_face* FaceFor(std::string_view file, int index);

    _cairo_surface* surface_ = nullptr;
    _cairo* cr_ = nullptr;
    TWriter writer_;
    bool writeFailed_ = false;
    bool finished_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    gfx::DeviceContext measure_;

    gfx::ColorRef bkColor_ = 0xFFFFFF;
    int bkMode_ = gfx::OPAQUE;
    uint32_t textAlign_ = gfx::TA_LEFT | gfx::TA_TOP;
    Point position_;
    uint64_t selectedBrush_ = UINT64_MAX;

    // Figures: each different one once, with where it was placed since the last flush.
    struct Figure {
        std::vector<Shape> Shapes;
        _cairo_surface* Recorded = nullptr;
        Rect Reach; // relative to the figure's point
    };
    struct Placement {
        uint32_t Figure;
        Point At;
    };
    bool inFigure_ = false;
    Point anchor_;
    std::vector<Shape> drawing_;
    std::vector<Figure> figures_;
    std::unordered_multimap<size_t, uint32_t> figureIndex_;
    std::vector<Placement> placed_;
    size_t hiddenFigures_ = 0;
    std::map<std::pair<std::string, int>, _cairo_font_face*> faces_;
    // The clip as it was set: a polygon (pixel middles, empty for none) and the rectangles
    // intersected with it. A figure wholly inside goes down without it, which keeps every
    // placement of a figure in an SVG a single reference.
    std::vector<Point> clipPolygon_;
    std::vector<Rect> clipRects_;
    bool Inside(const Rect& box) const;
};

} // namespace vemora
