#include "canvas/vector_canvas.h"

#include "platform/numeric/extended.h"

#include <algorithm>
#include <array>
#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <cmath>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <numbers>

namespace vemora {

namespace {

// Points of a PDF page per pixel of the 96 dpi page.
constexpr double kPointsPerPixel = 72.0 / gfx::kPixelsPerInch;

void SetColor(cairo_t* cr, gfx::ColorRef c) {
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                         ((c >> 16) & 0xFF) / 255.0);
}

void AddStop(cairo_pattern_t* p, double offset, TColor c) {
    cairo_pattern_add_color_stop_rgb(p, offset, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                                     ((c >> 16) & 0xFF) / 255.0);
}

cairo_status_t WriteBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* write = static_cast<std::function<bool(std::string_view)>*>(closure);
    return (*write)({reinterpret_cast<const char*>(data), length}) ? CAIRO_STATUS_SUCCESS
                                                                   : CAIRO_STATUS_WRITE_ERROR;
}

// The pixel (x, y) of the raster medium is the unit square from (x, y) on the page: its
// middle is half a unit further.
constexpr double kMiddle = 0.5;

Rect Normal(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return Rect{x0, y0, x1, y1}.Normalized();
}

// The picture as an image cairo owns, so that it outlives the caller's bitmap.
cairo_surface_t* ImageOf(const gfx::Bitmap& picture) {
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.Width(), picture.Height());
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    if (data) {
        for (int y = 0; y < picture.Height(); ++y)
            std::memcpy(data + static_cast<ptrdiff_t>(y) * stride, picture.Row(y),
                        static_cast<size_t>(picture.Width()) * sizeof(gfx::Pixel));
    }
    cairo_surface_mark_dirty(image);
    return image;
}

size_t HashOf(const std::vector<TVectorCanvas::Shape>& shapes) {
    size_t h = shapes.size();
    const auto mix = [&h](uint64_t v) { h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2); };
    for (const TVectorCanvas::Shape& s : shapes) {
        mix(static_cast<uint64_t>(s.What));
        mix(s.Fill);
        mix(s.PenColor);
        for (const Point& p : s.Points)
            mix((static_cast<uint64_t>(static_cast<uint32_t>(p.X)) << 32) |
                static_cast<uint32_t>(p.Y));
    }
    return h;
}

} // namespace

TVectorCanvas::TVectorCanvas(TVectorFormat format, int32_t width, int32_t height, TWriter writer,
                             std::string_view title)
    : writer_(std::move(writer)), width_(std::max(width, 1)), height_(std::max(height, 1)) {
    // The writer closure stays where it is: cairo keeps a pointer to it.
    if (format == TVectorFormat::vfPDF) {
        surface_ = cairo_pdf_surface_create_for_stream(
            WriteBytes, &writer_, width_ * kPointsPerPixel, height_ * kPointsPerPixel);
        if (!title.empty()) {
            const std::string text(title);
            cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, text.c_str());
        }
    } else {
        surface_ = cairo_svg_surface_create_for_stream(WriteBytes, &writer_, width_, height_);
        cairo_svg_surface_set_document_unit(surface_, CAIRO_SVG_UNIT_PX);
    }
    cr_ = cairo_create(surface_);
    if (format == TVectorFormat::vfPDF)
        cairo_scale(cr_, kPointsPerPixel, kPointsPerPixel);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
}

TVectorCanvas::~TVectorCanvas() {
    Finish();
    // The SVG surface keeps a reference to a record for every place that refers to it and
    // never gives them back; with the document gone, nothing holds a record but this page.
    for (Figure& f : figures_) {
        if (!f.Recorded)
            continue;
        while (cairo_surface_get_reference_count(f.Recorded) > 1)
            cairo_surface_destroy(f.Recorded);
        cairo_surface_destroy(f.Recorded);
    }
    for (auto& [key, face] : faces_)
        cairo_font_face_destroy(face);
}

bool TVectorCanvas::Finish() {
    if (!finished_) {
        Settle();
        finished_ = true;
        cairo_destroy(cr_);
        cr_ = nullptr;
        cairo_surface_finish(surface_);
        writeFailed_ = cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    return !writeFailed_;
}

// ---- tools ----

void TVectorCanvas::SelectBrush() {
    if (brush_.Generation() == selectedBrush_)
        return;
    selectedBrush_ = brush_.Generation();
    const gfx::ColorRef color = ResolveColor(brush_.Color());
    if (brush_.Style() == TBrushStyle::bsSolid) {
        bkColor_ = color;
        bkMode_ = gfx::OPAQUE;
    } else {
        bkColor_ = ~color & 0xFFFFFF;
        bkMode_ = gfx::TRANSPARENT;
    }
}

void TVectorCanvas::SetBkColor(TColor color) {
    SelectBrush();
    bkColor_ = ResolveColor(color);
}

void TVectorCanvas::SetBkMode(int mode) {
    SelectBrush();
    bkMode_ = mode;
}

TVectorCanvas::Shape TVectorCanvas::ShapeOf(Shape::Kind kind, std::span<const Point> points,
                                            bool filled) {
    Shape s;
    s.What = kind;
    s.Points.assign(points.begin(), points.end());
    s.PenColor = ResolveColor(pen_.Color());
    s.PenWidth = pen_.Width();
    s.PenStyle = ToDevice(pen_.Style());
    s.PenMode = ToDevice(pen_.Mode());
    if (filled) {
        SelectBrush();
        s.Fill = ResolveColor(brush_.Color());
        s.FillStyle = ToDevice(brush_.Style());
        s.Back = bkColor_;
        s.BackMode = bkMode_;
    }
    return s;
}

// ---- shapes ----

void TVectorCanvas::Stroke(cairo_t* cr, const Shape& s) const {
    const gfx::Pen pen{s.PenColor, s.PenWidth, s.PenStyle, s.PenMode};
    if (pen.Style == gfx::PenStyle::Clear || pen.Mode == gfx::PenMode::Nop) {
        cairo_new_path(cr);
        return;
    }
    const int32_t width = std::max(pen.Width, 1);
    SetColor(cr, pen.Mode == gfx::PenMode::Black   ? 0
                 : pen.Mode == gfx::PenMode::White ? 0xFFFFFF
                                                   : pen.Color);
    cairo_set_line_width(cr, width);
    // The patterns of the one-pixel pens; wider pens are solid with round ends.
    std::array<double, 8> dashes{};
    size_t count = 0;
    if (width == 1) {
        for (const int run : gfx::DashRuns(pen.Style))
            dashes.at(count++) = run;
    }
    cairo_set_dash(cr, dashes.data(), static_cast<int>(count), 0);
    const bool round = width > 1;
    cairo_set_line_cap(cr, round ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, round ? CAIRO_LINE_JOIN_ROUND : CAIRO_LINE_JOIN_MITER);
    cairo_stroke(cr);
}

void TVectorCanvas::Paint(cairo_t* cr, const Shape& s, Point offset) const {
    const double ox = offset.X, oy = offset.Y;
    const auto fill = [&] {
        if (s.FillStyle == gfx::BrushStyle::Clear)
            return;
        // Hatches show as their background where it is opaque, and as the brush otherwise.
        if (s.FillStyle == gfx::BrushStyle::Solid)
            SetColor(cr, s.Fill);
        else if (s.BackMode == gfx::OPAQUE)
            SetColor(cr, s.Back);
        else
            return;
        cairo_fill_preserve(cr);
    };
    const bool pen = s.PenStyle != gfx::PenStyle::Clear;
    const double w = std::max(s.PenWidth, 1);
    switch (s.What) {
    case Shape::Kind::Line: {
        const Point a = s.Points[0], b = s.Points[1];
        const double dx = static_cast<double>(b.X) - a.X, dy = static_cast<double>(b.Y) - a.Y;
        const double steps = std::max(std::abs(dx), std::abs(dy));
        if (steps == 0) {
            // Only a wide pen leaves a dot where a line starts and ends at once.
            if (w > 1 && pen) {
                cairo_arc(cr, ox + a.X + kMiddle, oy + a.Y + kMiddle, w / 2, 0,
                          2 * std::numbers::pi);
                SetColor(cr, s.PenColor);
                cairo_fill(cr);
            }
            return;
        }
        // From the first pixel's near edge to the last one's far edge along the line: the
        // end point itself stays out.
        const double back = w > 1 ? 0 : kMiddle;
        const double ux = dx / steps * back, uy = dy / steps * back;
        cairo_move_to(cr, ox + a.X + kMiddle - ux, oy + a.Y + kMiddle - uy);
        cairo_line_to(cr, ox + b.X + kMiddle - ux, oy + b.Y + kMiddle - uy);
        Stroke(cr, s);
        return;
    }
    case Shape::Kind::Polygon:
        for (size_t i = 0; i < s.Points.size(); ++i)
            (i == 0 ? cairo_move_to : cairo_line_to)(cr, ox + s.Points[i].X + kMiddle,
                                                     oy + s.Points[i].Y + kMiddle);
        cairo_close_path(cr);
        fill();
        Stroke(cr, s);
        return;
    case Shape::Kind::Rectangle:
    case Shape::Kind::Ellipse: {
        const Rect r = Normal(s.Points[0].X, s.Points[0].Y, s.Points[1].X, s.Points[1].Y);
        // The outline lies inside the box; without one the fill stops a pixel short.
        const double inset = pen ? w / 2 : 0;
        const double left = ox + r.Left + inset, top = oy + r.Top + inset;
        const double width = static_cast<double>(r.Width()) - (pen ? w : 1);
        const double height = static_cast<double>(r.Height()) - (pen ? w : 1);
        if (width < 0 || height < 0)
            return;
        if (s.What == Shape::Kind::Rectangle) {
            cairo_rectangle(cr, left, top, width, height);
        } else {
            cairo_save(cr);
            cairo_translate(cr, left + width / 2, top + height / 2);
            cairo_scale(cr, std::max(width / 2, 1e-3), std::max(height / 2, 1e-3));
            cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
            cairo_restore(cr);
        }
        fill();
        Stroke(cr, s);
        return;
    }
    case Shape::Kind::Fill: {
        const Rect r = Normal(s.Points[0].X, s.Points[0].Y, s.Points[1].X, s.Points[1].Y);
        cairo_rectangle(cr, ox + r.Left, oy + r.Top, static_cast<double>(r.Width()),
                        static_cast<double>(r.Height()));
        fill();
        cairo_new_path(cr);
        return;
    }
    }
}

void TVectorCanvas::Put(Shape&& shape) {
    if (finished_)
        return;
    if (inFigure_) {
        for (Point& p : shape.Points)
            p = {p.X - anchor_.X, p.Y - anchor_.Y};
        drawing_.push_back(std::move(shape));
        return;
    }
    FlushFigures();
    Paint(cr_, shape, {0, 0});
}

void TVectorCanvas::LineTo(int32_t x, int32_t y) {
    const Point ends[2] = {position_, {x, y}};
    position_ = {x, y};
    Put(ShapeOf(Shape::Kind::Line, ends, false));
}

void TVectorCanvas::Polyline(std::span<const Point> points) {
    for (size_t i = 1; i < points.size(); ++i)
        Put(ShapeOf(Shape::Kind::Line, points.subspan(i - 1, 2), false));
}

void TVectorCanvas::Polygon(std::span<const Point> points) {
    if (points.size() >= 2)
        Put(ShapeOf(Shape::Kind::Polygon, points, true));
}

void TVectorCanvas::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const Point corners[2] = {{x0, y0}, {x1, y1}};
    Put(ShapeOf(Shape::Kind::Rectangle, corners, true));
}

void TVectorCanvas::Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const Point corners[2] = {{x0, y0}, {x1, y1}};
    Put(ShapeOf(Shape::Kind::Ellipse, corners, true));
}

void TVectorCanvas::FillRect(const Rect& rect) {
    const Point corners[2] = {{rect.Left, rect.Top}, {rect.Right, rect.Bottom}};
    Shape s = ShapeOf(Shape::Kind::Fill, corners, true);
    s.PenStyle = gfx::PenStyle::Clear;
    Put(std::move(s));
}

void TVectorCanvas::FillRect(const Rect& rect, TColor color) {
    Shape s;
    s.What = Shape::Kind::Fill;
    s.Points = {{rect.Left, rect.Top}, {rect.Right, rect.Bottom}};
    s.PenStyle = gfx::PenStyle::Clear;
    s.Fill = ResolveColor(color);
    s.FillStyle = gfx::BrushStyle::Solid;
    Put(std::move(s));
}

void TVectorCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    FillRect(Rect{x, y, x + 1, y + 1}, color);
}

void TVectorCanvas::RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w,
                              int32_t h) {
    SelectBrush();
    Settle();
    if (finished_)
        return;
    const Rect r = Normal(x0, y0, x1, y1);
    const Shape s = ShapeOf(Shape::Kind::Rectangle, {}, true);
    const double pw = pen_.Style() == TPenStyle::psClear ? 0 : std::max(pen_.Width(), 1);
    const double left = r.Left + pw / 2, top = r.Top + pw / 2;
    const double width = static_cast<double>(r.Width()) - std::max(pw, 1.0);
    const double height = static_cast<double>(r.Height()) - std::max(pw, 1.0);
    const double rx = std::clamp(w / 2.0, 0.0, width / 2),
                 ry = std::clamp(h / 2.0, 0.0, height / 2);
    if (width < 0 || height < 0)
        return;
    cairo_t* cr = cr_;
    cairo_new_sub_path(cr);
    const auto corner = [&](double cx, double cy, double from) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, std::max(rx, 1e-3), std::max(ry, 1e-3));
        cairo_arc(cr, 0, 0, 1, from, from + std::numbers::pi / 2);
        cairo_restore(cr);
    };
    corner(left + width - rx, top + ry, -std::numbers::pi / 2);
    corner(left + width - rx, top + height - ry, 0);
    corner(left + rx, top + height - ry, std::numbers::pi / 2);
    corner(left + rx, top + ry, std::numbers::pi);
    cairo_close_path(cr);
    if (s.FillStyle == gfx::BrushStyle::Solid) {
        SetColor(cr, s.Fill);
        cairo_fill_preserve(cr);
    }
    Stroke(cr, s);
}

namespace {

// The elliptic arc of the box from the radial through the start point counter-clockwise
// on the screen to the radial through the end point.
void ArcPath(cairo_t* cr, const Rect& r, double pw, int32_t xs, int32_t ys, int32_t xe, int32_t ye,
             bool pie) {
    const double cx = (r.Left + r.Right) / 2.0, cy = (r.Top + r.Bottom) / 2.0;
    const double rx = std::max((static_cast<double>(r.Width()) - pw) / 2, 1e-3);
    const double ry = std::max((static_cast<double>(r.Height()) - pw) / 2, 1e-3);
    const double from = std::atan2((ys - cy) / ry, (xs - cx) / rx);
    const double to = std::atan2((ye - cy) / ry, (xe - cx) / rx);
    if (pie)
        cairo_move_to(cr, cx, cy);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc_negative(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
    if (pie)
        cairo_close_path(cr);
}

} // namespace

void TVectorCanvas::Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        int32_t x3, int32_t y3) {
    Settle();
    if (finished_)
        return;
    const Shape s = ShapeOf(Shape::Kind::Line, {}, false);
    cairo_new_path(cr_);
    ArcPath(cr_, Normal(x0, y0, x1, y1), std::max(s.PenWidth, 1), x2, y2, x3, y3, false);
    Stroke(cr_, s);
}

void TVectorCanvas::Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        int32_t x3, int32_t y3) {
    SelectBrush();
    Settle();
    if (finished_)
        return;
    const Shape s = ShapeOf(Shape::Kind::Polygon, {}, true);
    cairo_new_path(cr_);
    ArcPath(cr_, Normal(x0, y0, x1, y1), std::max(s.PenWidth, 1), x2, y2, x3, y3, true);
    if (s.FillStyle == gfx::BrushStyle::Solid) {
        SetColor(cr_, s.Fill);
        cairo_fill_preserve(cr_);
    }
    Stroke(cr_, s);
}

// ---- gradient ----

uint64_t TVectorCanvas::FillGradient(const Rect& rect, TColor a, TColor b,
                                     TGradientDirection direction) {
    using D = TGradientDirection;
    SelectBrush();
    Settle();
    const Rect r = rect.Normalized();
    if (finished_ || r.IsEmpty())
        return 0;
    TColor ca = ColorToRGB(a) & 0xFFFFFF, cb = ColorToRGB(b) & 0xFFFFFF;
    const double left = r.Left, top = r.Top, right = r.Right, bottom = r.Bottom;
    cairo_pattern_t* pattern = nullptr;
    // The raster medium paints at most 256 bands, colour a against the bottom (right) edge
    // and colour b against the top (left) one: the ends of the gradient are the middles of
    // the outer bands.
    const auto band = [](double extent) { return extent / std::min(extent, 256.0) / 2; };
    switch (direction) {
    case D::gdTopBottom:
    case D::gdBottomTop: {
        const double half = band(bottom - top);
        pattern = cairo_pattern_create_linear(0, bottom - half, 0, top + half);
        break;
    }
    case D::gdLeftRight:
    case D::gdRightLeft: {
        const double half = band(right - left);
        pattern = cairo_pattern_create_linear(right - half, 0, left + half, 0);
        break;
    }
    case D::gdFromCenter:
        pattern = cairo_pattern_create_radial((left + right) / 2, (top + bottom) / 2, 0,
                                              (left + right) / 2, (top + bottom) / 2,
                                              std::min(right - left, bottom - top) / 2);
        // Rings from the edges inward: colour a outside.
        std::swap(ca, cb);
        break;
    case D::gdFromTopLeft:
        pattern = cairo_pattern_create_linear(left, top, right, bottom);
        break;
    case D::gdFromBottomLeft:
        pattern = cairo_pattern_create_linear(left, bottom, right, top);
        break;
    }
    AddStop(pattern, 0, ca);
    AddStop(pattern, 1, cb);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_rectangle(cr_, left, top, right - left, bottom - top);
    cairo_set_source(cr_, pattern);
    cairo_fill(cr_);
    cairo_pattern_destroy(pattern);
    return 1;
}

// ---- text ----

cairo_font_face_t* TVectorCanvas::FaceFor(std::string_view file, int index) {
    const auto key = std::make_pair(std::string(file), index);
    if (const auto it = faces_.find(key); it != faces_.end())
        return it->second;
    // The face file and index the raster medium renders from, opened by cairo for itself.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(key.first.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, index);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
    faces_.emplace(key, face);
    return face;
}

void TVectorCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
    TextOut(x, y, text, LogicalFont());
}

void TVectorCanvas::TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font) {
    SelectBrush();
    Settle();
    gfx::OutlineRun run;
    if (finished_ || !gfx::LayoutOutlines(font, text, run))
        return;
    // Along the baseline (u) and down across it (v), on the screen.
    const double ux = std::cos(run.Angle), uy = -std::sin(run.Angle);
    const double vx = -uy, vy = ux;
    const Point origin =
        gfx::TextOrigin(x, y, textAlign_, ux, uy, run.Width, run.Height, run.Ascent);
    if (bkMode_ == gfx::OPAQUE) {
        const double tx = origin.X - run.Ascent * vx, ty = origin.Y - run.Ascent * vy;
        cairo_move_to(cr_, tx, ty);
        cairo_line_to(cr_, tx + run.Width * ux, ty + run.Width * uy);
        cairo_line_to(cr_, tx + run.Width * ux + run.Height * vx,
                      ty + run.Width * uy + run.Height * vy);
        cairo_line_to(cr_, tx + run.Height * vx, ty + run.Height * vy);
        cairo_close_path(cr_);
        SetColor(cr_, bkColor_);
        cairo_fill(cr_);
    }
    if (run.Glyphs.empty())
        return;
    std::vector<cairo_glyph_t> glyphs;
    glyphs.reserve(run.Glyphs.size());
    for (const gfx::OutlineGlyph& g : run.Glyphs) {
        // The raster medium puts each glyph at its pen position rounded to a pixel.
        glyphs.push_back({g.Index, origin.X + (run.Angle == 0 ? g.Pen : std::round(g.Pen * ux)),
                          origin.Y + (run.Angle == 0 ? 0 : std::round(g.Pen * uy))});
    }
    cairo_set_font_face(cr_, FaceFor(run.FontFile, run.FaceIndex));
    cairo_matrix_t m;
    cairo_matrix_init_rotate(&m, -run.Angle);
    cairo_matrix_scale(&m, run.PixelSize, run.PixelSize);
    cairo_set_font_matrix(cr_, &m);
    SetColor(cr_, ResolveColor(font_.Color()));
    // One cluster for the whole text: a PDF reader finds the text as it was written.
    const cairo_text_cluster_t cluster{static_cast<int>(text.size()),
                                       static_cast<int>(glyphs.size())};
    cairo_show_text_glyphs(cr_, text.data(), static_cast<int>(text.size()), glyphs.data(),
                           static_cast<int>(glyphs.size()), &cluster, 1,
                           static_cast<cairo_text_cluster_flags_t>(0));
}

// ---- pictures ----

void TVectorCanvas::Draw(int32_t x, int32_t y, int32_t width, int32_t height,
                         const gfx::Bitmap& picture, int32_t sourceX, int32_t sourceY) {
    Settle();
    if (finished_ || width <= 0 || height <= 0 || picture.Empty())
        return;
    cairo_surface_t* image = ImageOf(picture);
    cairo_save(cr_);
    cairo_rectangle(cr_, x, y, width, height);
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, image, static_cast<double>(x) - sourceX,
                             static_cast<double>(y) - sourceY);
    cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(image);
}

void TVectorCanvas::StretchDraw(const Rect& rect, const gfx::Bitmap& picture) {
    Settle();
    const Rect r = rect.Normalized();
    if (finished_ || r.IsEmpty() || picture.Empty())
        return;
    cairo_surface_t* image = ImageOf(picture);
    cairo_save(cr_);
    cairo_rectangle(cr_, r.Left, r.Top, static_cast<double>(r.Width()),
                    static_cast<double>(r.Height()));
    cairo_clip(cr_);
    cairo_translate(cr_, r.Left, r.Top);
    cairo_scale(cr_, static_cast<double>(r.Width()) / picture.Width(),
                static_cast<double>(r.Height()) / picture.Height());
    cairo_set_source_surface(cr_, image, 0, 0);
    cairo_paint(cr_);
    cairo_restore(cr_);
    cairo_surface_destroy(image);
}

// ---- clipping ----

void TVectorCanvas::IntersectClipRect(const Rect& rect) {
    Settle();
    if (finished_)
        return;
    const Rect r = rect.Normalized();
    cairo_new_path(cr_);
    cairo_rectangle(cr_, r.Left, r.Top, static_cast<double>(r.Width()),
                    static_cast<double>(r.Height()));
    cairo_clip(cr_);
    clipRects_.push_back(r);
}

void TVectorCanvas::SelectClipPolygon(std::span<const Point> points) {
    Settle();
    if (finished_)
        return;
    cairo_reset_clip(cr_);
    clipRects_.clear();
    clipPolygon_.assign(points.begin(), points.end());
    cairo_new_path(cr_);
    // The pixels whose middles the polygon holds.
    for (size_t i = 0; i < points.size(); ++i)
        (i == 0 ? cairo_move_to : cairo_line_to)(cr_, points[i].X + kMiddle, points[i].Y + kMiddle);
    cairo_close_path(cr_);
    cairo_clip(cr_);
}

void TVectorCanvas::Unclip() {
    Settle();
    clipRects_.clear();
    clipPolygon_.clear();
    if (!finished_)
        cairo_reset_clip(cr_);
}

bool TVectorCanvas::Inside(const Rect& box) const {
    for (const Rect& r : clipRects_) {
        if (box.Left < r.Left || box.Top < r.Top || box.Right > r.Right || box.Bottom > r.Bottom)
            return false;
    }
    const std::vector<Point>& q = clipPolygon_;
    if (q.empty())
        return true;
    // On the page the polygon runs through pixel middles and the box covers whole pixels:
    // all four corners inside, and no edge of the polygon entering the box.
    const double left = box.Left - kMiddle, top = box.Top - kMiddle;
    const double right = box.Right - kMiddle, bottom = box.Bottom - kMiddle;
    const auto inside = [&](double x, double y) {
        bool in = false;
        for (size_t i = 0, j = q.size() - 1; i < q.size(); j = i++) {
            if ((q[i].Y > y) != (q[j].Y > y) &&
                x < q[j].X +
                        (y - q[j].Y) * (q[i].X - q[j].X) / static_cast<double>(q[i].Y - q[j].Y))
                in = !in;
        }
        return in;
    };
    if (!inside(left, top) || !inside(right, top) || !inside(right, bottom) ||
        !inside(left, bottom))
        return false;
    for (size_t i = 0, j = q.size() - 1; i < q.size(); j = i++) {
        // The part of the edge within the box's columns, then its rows (Liang-Barsky).
        double t0 = 0, t1 = 1;
        const double x0 = q[j].X, y0 = q[j].Y, dx = q[i].X - x0, dy = q[i].Y - y0;
        const auto cut = [&](double p, double d) {
            if (p == 0)
                return d > 0;
            const double t = d / p;
            if (p < 0) {
                if (t > t1)
                    return false;
                t0 = std::max(t0, t);
            } else {
                if (t < t0)
                    return false;
                t1 = std::min(t1, t);
            }
            return true;
        };
        if (cut(-dx, x0 - left) && cut(dx, right - x0) && cut(-dy, y0 - top) &&
            cut(dy, bottom - y0) && t0 < t1)
            return false;
    }
    return true;
}

// ---- figures ----

void TVectorCanvas::BeginFigure(int32_t x, int32_t y) {
    if (inFigure_ || finished_)
        return;
    inFigure_ = true;
    anchor_ = {x, y};
    drawing_.clear();
}

void TVectorCanvas::EndFigure() {
    if (!inFigure_)
        return;
    inFigure_ = false;
    if (drawing_.empty())
        return;
    const size_t hash = HashOf(drawing_);
    uint32_t index = static_cast<uint32_t>(figures_.size());
    for (auto [it, end] = figureIndex_.equal_range(hash); it != end; ++it) {
        if (figures_[it->second].Shapes == drawing_) {
            index = it->second;
            break;
        }
    }
    if (index == figures_.size()) {
        Figure f;
        Rect reach{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
        for (const Shape& s : drawing_) {
            const int32_t w = std::max(s.PenWidth, 1) + 1;
            for (const Point& p : s.Points)
                reach = reach.Union({p.X - w, p.Y - w, p.X + w + 1, p.Y + w + 1});
        }
        f.Reach = reach;
        f.Shapes = std::move(drawing_);
        figures_.push_back(std::move(f));
        figureIndex_.emplace(hash, index);
    }
    placed_.push_back({index, anchor_});
    drawing_.clear();
}

void TVectorCanvas::Settle() {
    if (inFigure_) {
        // Something a figure cannot hold: what the figure drew so far goes down as it is.
        inFigure_ = false;
        FlushFigures();
        if (!finished_) {
            for (const Shape& s : drawing_)
                Paint(cr_, s, anchor_);
        }
        drawing_.clear();
        return;
    }
    FlushFigures();
}

void TVectorCanvas::FlushFigures() {
    if (placed_.empty())
        return;
    // Which figures show: each painted in a colour of its own, in order, over a bitmap of
    // the page, the way the raster medium would paint them; what is left of each colour
    // shows. Ids start at 1, 0 is the bare page.
    std::vector<bool> shown(placed_.size(), placed_.size() >= 0xFFFFFF);
    if (placed_.size() < 0xFFFFFF) {
        gfx::Bitmap ids(width_, height_, 0);
        gfx::DeviceContext dc(&ids);
        std::vector<Point> moved;
        for (size_t i = 0; i < placed_.size(); ++i) {
            const Placement& p = placed_[i];
            const gfx::ColorRef id = gfx::ToColorRef(static_cast<gfx::Pixel>(i + 1));
            for (const Shape& s : figures_[p.Figure].Shapes) {
                moved.clear();
                for (const Point& q : s.Points)
                    moved.push_back({q.X + p.At.X, q.Y + p.At.Y});
                dc.CurrentPen() = {id, s.PenWidth, s.PenStyle, gfx::PenMode::Copy};
                dc.CurrentBrush() = {id, s.FillStyle, nullptr};
                dc.SetBkColor(id);
                dc.SetBkMode(s.BackMode);
                switch (s.What) {
                case Shape::Kind::Line:
                    dc.MoveToEx(moved[0].X, moved[0].Y);
                    dc.LineTo(moved[1].X, moved[1].Y);
                    break;
                case Shape::Kind::Polygon:
                    dc.Polygon(moved);
                    break;
                case Shape::Kind::Rectangle:
                    dc.Rectangle(moved[0].X, moved[0].Y, moved[1].X, moved[1].Y);
                    break;
                case Shape::Kind::Ellipse:
                    dc.Ellipse(moved[0].X, moved[0].Y, moved[1].X, moved[1].Y);
                    break;
                case Shape::Kind::Fill:
                    dc.FillRect({moved[0].X, moved[0].Y, moved[1].X, moved[1].Y},
                                dc.CurrentBrush());
                    break;
                }
            }
        }
        for (int32_t y = 0; y < ids.Height(); ++y) {
            const gfx::Pixel* row = ids.Row(y);
            for (int32_t x = 0; x < ids.Width(); ++x) {
                if (row[x] != 0)
                    shown[row[x] - 1] = true;
            }
        }
    }
    std::vector<uint32_t> uses(figures_.size(), 0);
    for (size_t i = 0; i < placed_.size(); ++i) {
        if (shown[i])
            ++uses[placed_[i].Figure];
        else
            ++hiddenFigures_;
    }
    for (size_t i = 0; i < placed_.size() && !finished_; ++i) {
        if (!shown[i])
            continue;
        const Placement& p = placed_[i];
        Figure& f = figures_[p.Figure];
        // A figure placed once is drawn where it stands; one placed again is recorded once
        // and each place refers to the record.
        if (uses[p.Figure] < 2 && !f.Recorded) {
            for (const Shape& s : f.Shapes)
                Paint(cr_, s, p.At);
            continue;
        }
        if (!f.Recorded) {
            const cairo_rectangle_t extents{0, 0, static_cast<double>(f.Reach.Width()),
                                            static_cast<double>(f.Reach.Height())};
            f.Recorded = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
            cairo_t* rec = cairo_create(f.Recorded);
            cairo_set_fill_rule(rec, CAIRO_FILL_RULE_EVEN_ODD);
            for (const Shape& s : f.Shapes)
                Paint(rec, s, {-f.Reach.Left, -f.Reach.Top});
            cairo_destroy(rec);
        }
        const Rect reach{p.At.X + f.Reach.Left, p.At.Y + f.Reach.Top, p.At.X + f.Reach.Right,
                         p.At.Y + f.Reach.Bottom};
        const bool unclipped = Inside(reach);
        if (unclipped) {
            cairo_save(cr_);
            cairo_reset_clip(cr_);
        }
        cairo_set_source_surface(cr_, f.Recorded, reach.Left, reach.Top);
        cairo_paint(cr_);
        if (unclipped)
            cairo_restore(cr_);
    }
    placed_.clear();
}

} // namespace vemora
