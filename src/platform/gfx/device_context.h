// A software device context over a Bitmap, following the classic desktop graphics rules
// the chart's pixel arithmetic was written for:
// - LineTo paints from the current position up to, not including, the end point; the
//   cosmetic styles repeat their pattern along consecutive segments; pens wider than one
//   pixel are solid with round ends.
// - Rectangle, Ellipse, RoundRect, Arc and Pie exclude the right and bottom edges of their
//   box; the outline lies inside the box, the brush fills the rest; without a pen a
//   rectangle fills one pixel less in width and height.
// - Polygon fills the pixels whose centres lie inside (alternate rule; left and top edges
//   in, right and bottom edges out), then draws the closed outline.
// - Colours come in as 0x00BBGGRR and are stored as 0x00RRGGBB.
// Drawing state (pen, brush, font) is plain data changed in place; nothing is allocated
// per primitive once the scratch buffers have grown.
#pragma once

#include "platform/gfx/bitmap.h"
#include "platform/gfx/font.h"
#include "platform/gfx/geometry.h"
#include "platform/gfx/region.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemora::gfx {

using ColorRef = uint32_t; // 0x00BBGGRR

constexpr Pixel ToPixel(ColorRef c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr ColorRef ToColorRef(Pixel p) {
    return ToPixel(p);
}

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame, Alternate };

namespace dash_runs {
inline constexpr int kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6},
                     kDashDotDot[] = {9, 3, 3, 3, 3, 3}, kAlternate[] = {1, 1};
} // namespace dash_runs

// The runs of a cosmetic pen's pattern along a line, in pixels, ink first; none for a pen
// drawn whole.
constexpr std::span<const int> DashRuns(PenStyle style) {
    using namespace dash_runs;
    switch (style) {
    case PenStyle::Dash:
        return kDash;
    case PenStyle::Dot:
        return kDot;
    case PenStyle::DashDot:
        return kDashDot;
    case PenStyle::DashDotDot:
        return kDashDotDot;
    case PenStyle::Alternate:
        return kAlternate;
    default:
        return {};
    }
}

// The sixteen binary raster operations, numbered as the platform numbers them.
enum class PenMode {
    Black = 1,
    NotMerge,
    MaskNotPen,
    NotCopy,
    MaskPenNot,
    Not,
    Xor,
    NotMask,
    Mask,
    NotXor,
    Nop,
    MergeNotPen,
    Copy,
    MergePenNot,
    Merge,
    White
};

enum class BrushStyle {
    Solid,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

struct Pen {
    ColorRef Color = 0x000000;
    int32_t Width = 1;
    PenStyle Style = PenStyle::Solid;
    PenMode Mode = PenMode::Copy;
    // A cosmetic pen (width 0 or 1) on a denser device: its lines are this many pixels
    // across, and every run of its pattern this many times as long (rounded).
    int32_t Across = 1;
    double PatternScale = 1.0;
};

struct Brush {
    ColorRef Color = 0xFFFFFF;
    BrushStyle Style = BrushStyle::Solid;
    // A pattern brush: tiled from the device origin. Not owned.
    const Bitmap* Pattern = nullptr;
};

struct Font {
    LogFont Log;
    ColorRef Color = 0x000000;
};

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr uint32_t TA_LEFT = 0;
constexpr uint32_t TA_RIGHT = 2;
constexpr uint32_t TA_CENTER = 6;
constexpr uint32_t TA_TOP = 0;
constexpr uint32_t TA_BOTTOM = 8;
constexpr uint32_t TA_BASELINE = 24;

constexpr uint32_t PATCOPY = 0x00F00021;

// Where a run of text laid out with the metrics starts (the left end of its baseline) for
// the reference point and the alignment; (ux, uy) is the unit along its baseline on the
// screen.
Point TextOrigin(int32_t x, int32_t y, uint32_t align, double ux, double uy, int width, int height,
                 int ascent);

// How a region combines with the clip region; the chart needs only these two.
enum class RegionMode { And = 1, Copy = 5 };

class DeviceContext {
public:
    DeviceContext();
    explicit DeviceContext(Bitmap* target);

    // Draws into the bitmap from now on; the clip region is reset.
    void SelectBitmap(Bitmap* target);
    Bitmap* Target() const { return target_; }
    // Draws into another bitmap, without a clip, until EndRedirect brings back the target
    // and its clip region: for drawings made to be copied elsewhere. Pen, brush, font,
    // background, position and the pen's pattern step carry on as they are. A redirect made
    // while redirected changes the scratch only.
    void BeginRedirect(Bitmap* scratch);
    void EndRedirect();

    Pen& CurrentPen() { return pen_; }
    Brush& CurrentBrush() { return brush_; }
    Font& CurrentFont() { return font_; }
    const Pen& CurrentPen() const { return pen_; }
    const Brush& CurrentBrush() const { return brush_; }
    const Font& CurrentFont() const { return font_; }

    ColorRef SetBkColor(ColorRef color);
    ColorRef GetBkColor() const { return bkColor_; }
    int SetBkMode(int mode);
    int GetBkMode() const { return bkMode_; }
    uint32_t SetTextAlign(uint32_t align);
    uint32_t GetTextAlign() const { return textAlign_; }

    Point MoveToEx(int32_t x, int32_t y);
    Point CurrentPosition() const { return position_; }
    void LineTo(int32_t x, int32_t y);
    void Polyline(std::span<const Point> points);
    void Polygon(std::span<const Point> points);
    void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void Ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void RoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
                   int32_t height);
    // Counter-clockwise from the radial through (xs, ys) to the radial through (xe, ye).
    void Arc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xs, int32_t ys,
             int32_t xe, int32_t ye);
    void Pie(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xs, int32_t ys,
             int32_t xe, int32_t ye);

    // Negative extents reach left of x or above y.
    void PatBlt(int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop);
    void BitBlt(int32_t x, int32_t y, int32_t width, int32_t height, const Bitmap& source,
                int32_t sourceX, int32_t sourceY);
    void StretchBlt(const Rect& dest, const Bitmap& source);
    void FillRect(const Rect& rect, const Brush& brush);
    ColorRef SetPixel(int32_t x, int32_t y, ColorRef color);

    void TextOut(int32_t x, int32_t y, std::string_view utf8);
    // False, with a zero size, when the font cannot be used.
    bool GetTextExtentPoint(std::string_view utf8, Size& size) const;
    // Every pixel TextOut at the point would paint lies inside, in either background mode:
    // the glyphs and the cell (rounded outward).
    Rect TextBounds(int32_t x, int32_t y, std::string_view utf8) const;

    // Clipping in device pixels. SelectClipRgn(nullptr) removes the clip region.
    void SelectClipRgn(const Region* region);
    void ExtSelectClipRgn(const Region* region, RegionMode mode);
    void IntersectClipRect(const Rect& rect);
    bool HasClipRegion() const { return hasClip_; }
    // The pixels that drawing may reach: the clip region within the bitmap.
    const Region& EffectiveClip() const { return clip_; }
    // Keeps all drawing into the target within the region, whatever clip region is
    // selected, until called with nullptr: a picture redrawn only where it changed. Drawing
    // into a redirect's scratch is not limited.
    void LimitDrawing(const Region* area);

private:
    // The stages live in files of their own: state and clipping in device_context.cpp,
    // then dc_spans.cpp, dc_lines.cpp, dc_shapes.cpp, dc_blits.cpp and dc_text.cpp. The
    // helpers marked inline are defined where their callers can inline them: PenPixel in
    // dc_lines.cpp, the others in dc_internal.h.
    inline bool PenDraws() const;
    void ResetClip();

    inline void SolidSpan(int32_t y, int32_t x0, int32_t x1, Pixel color, PenMode mode);
    void BrushSpan(int32_t y, int32_t x0, int32_t x1, const Brush& brush);

    inline void PenPixel(int32_t x, int32_t y, Pixel color, PenMode mode);
    inline void DrawLineTo(int32_t x, int32_t y);
    void CosmeticLine(Point from, Point to);
    void ThickLine(Point from, Point to);
    void WideLine(Point from, Point to);
    // The width an outline of the pen covers: a wide pen's width, else its lines' across.
    int32_t OutlineWidth() const { return pen_.Width > 1 ? pen_.Width : std::max(1, pen_.Across); }
    // The pen's pattern stretched by its scale, one entry per pixel (nonzero: ink); null
    // for a solid pen.
    const std::vector<uint8_t>* ScaledPattern();

    // What measuring a text needs of its laid out run: its metrics, and the box of its
    // glyphs relative to the run's origin.
    struct TextMeasure {
        int Width = 0;
        int Height = 0;
        int Ascent = 0;
        double Angle = 0;
        Rect Glyphs;
    };
    // The measure of the text in the current font, from the texts measured lately when it
    // is one of them (a frame measures the same labels over and over); null when the font
    // cannot be used.
    const TextMeasure* Measure(std::string_view utf8) const;
    Point TextOrigin(int32_t x, int32_t y, double ux, double uy, const TextMeasure& m) const;

    template <class Shape, class Keep>
    void DrawRoundShape(const Rect& box, Shape&& shape, bool fill, Keep&& keep);
    void FillPolygonWithBrush(std::span<const Point> points);

    Bitmap* target_ = nullptr;
    Pen pen_;
    Brush brush_;
    Font font_;
    ColorRef bkColor_ = 0xFFFFFF;
    int bkMode_ = OPAQUE;
    uint32_t textAlign_ = TA_LEFT | TA_TOP;
    Point position_;
    uint32_t styleStep_ = 0; // position in the pen's dash pattern
    bool hasClip_ = false;
    Region userClip_;
    Region clip_;
    bool limited_ = false;
    Region limit_;
    struct Redirected {
        bool Active = false;
        Bitmap* Target = nullptr;
        bool Limited = false;
        bool HasClip = false;
        Region UserClip;
        Region Clip;
    } redirected_;
    struct StretchedPattern {
        PenStyle Style = PenStyle::Solid;
        double Scale = 0;
        std::vector<uint8_t> Ink;
    } stretched_;
    PolygonScanner scanner_;
    std::vector<Point> scratch_;
    mutable TextRun run_;
    struct MeasuredText {
        bool Known = false;
        LogFont Font;
        std::string Text;
        TextMeasure Measure;
    };
    mutable std::array<MeasuredText, 64> measured_;
};

} // namespace vemora::gfx
