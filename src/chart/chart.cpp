#include "chart/chart.h"

#include "platform/numeric/extended.h"
#include "series/chart_series.h"

#include <algorithm>

namespace vemora {

TChartWall::TChartWall(TCustomChartPanel* chart, TColor color)
    : chart_(chart), color_(color), defaultColor_(color) {
    const TNotifyEvent changed = [this](void*) { chart_->Invalidate(); };
    brush_ = std::make_unique<TChartBrush>(changed);
    pen_ = std::make_unique<TChartPen>(changed);
}

void TChartWall::Assign(const TChartWall& source) {
    brush_->Assign(*source.brush_);
    SetColor(source.color_);
    SetDark3D(source.dark3D_);
    pen_->Assign(*source.pen_);
    SetSize(source.size_);
}

TChartTitle::TChartTitle(TCustomChartPanel* chart) : TChartFontObject(chart) {
    const TNotifyEvent changed = [this](void*) { Repaint(); };
    brush_ = std::make_unique<TChartBrush>(changed);
    frame_ = std::make_unique<TChartHiddenPen>(changed);
    Font().SetColor(clBlue);
}

TCustomChart::TCustomChart(ui::WindowHost* host) : TCustomAxisPanel(host) {
    title_ = std::make_unique<TChartTitle>(this);
    foot_ = std::make_unique<TChartTitle>(this);
    backWall_ = std::make_unique<TChartWall>(this, clDefault);
    backWall_->Brush().SetStyle(TBrushStyle::bsClear);
    leftWall_ = std::make_unique<TChartWall>(this, 0x80FFFF);
    legend_ = std::make_unique<TChartLegend>(this);
    bottomWall_ = std::make_unique<TChartWall>(this, clWhite);
}

TCustomChart::~TCustomChart() {
    // The series go first, while every part they might touch is still there.
    BeginDestroy();
    FreeAllSeries();
}

void TCustomChart::SetBackColor(TColor value) {
    backWall_->SetColor(value);
    if (Host() && !Loading())
        backWall_->Brush().SetStyle(TBrushStyle::bsSolid);
}

int32_t TCustomChart::WallSizeFor(const TCustomChartAxis& axis) const {
    if (!View3D() || !View3DWalls())
        return 0;
    if (&axis == &LeftAxis())
        return Canvas3D().Pixels(leftWall_->Size());
    if (&axis == &BottomAxis())
        return Canvas3D().Pixels(bottomWall_->Size());
    return 0;
}

} // namespace vemora

namespace vemora {

namespace {

// Between a title or foot and the plot.
constexpr int32_t TitleFootDistance = 5;

} // namespace

void TCustomChart::DrawBackImage(const Rect& rect) {
    if (!backImageInside_)
        TCustomAxisPanel::DrawBackImage(rect);
}

void TCustomChart::LayoutTitles() {
    // A shown legend would come before the titles when vertical and after them when
    // horizontal; this chart's legend draws nothing and takes no space.
    if (title_->Visible())
        TitleLayout(*title_, true);
    if (foot_->Visible())
        TitleLayout(*foot_, false);
}

void TCustomChart::DrawTitles() {
    if (title_->Visible())
        TitleDraw(*title_, true);
    if (foot_->Visible())
        TitleDraw(*foot_, false);
}

namespace {

// The style of the brush a title is drawn on (see TitleDraw).
TBrushStyle TitleBrushStyle(const TChartTitle& title) {
    const TChartBrush& brush = title.Brush();
    const bool solid = brush.Style() == TBrushStyle::bsSolid;
    if (!solid)
        return brush.Style();
    if (title.Color() == clDefault && brush.Color() == clDefault)
        return TBrushStyle::bsClear;
    return TBrushStyle::bsSolid;
}

} // namespace

void TCustomChart::TitleLayout(TChartTitle& title, bool onTop) {
    TCanvas3D& canvas = Canvas3D();
    SelectFont(title.Font());
    const int32_t h = canvas.FontHeight();
    const std::vector<std::string>& lines = title.Text();
    const TChartHiddenPen& frame = title.Frame();
    const int32_t f =
        frame.Visible() && frame.Color() != clDefault ? canvas.Pixels(frame.Width()) : 0;
    const Rect plot = PlotRect();
    TChartTitle::TPlace place;
    place.LineHeight = h;
    place.Left = int64_t{plot.Left} + f;
    place.Right = int64_t{plot.Right} - f;
    const int64_t textHeight = int64_t{h} * static_cast<int64_t>(lines.size());
    place.Top = onTop ? int64_t{plot.Top} + f : int64_t{plot.Bottom} - f - textHeight;
    Rect r{SaturateInt32(place.Left - f), SaturateInt32(place.Top - f),
           SaturateInt32(place.Right + f), SaturateInt32(place.Top + textHeight + f)};
    place.W = canvas.TextWidth("W");
    place.Framed = frame.Visible() || TitleBrushStyle(title) != TBrushStyle::bsClear;
    if (place.Framed && title.AdjustFrame()) {
        int64_t widest = 0;
        for (const std::string& line : lines)
            widest = std::max<int64_t>(widest, canvas.TextWidth(line));
        const int64_t width = widest + place.W;
        switch (title.Alignment()) {
        case TAlignment::taLeftJustify:
            r.Right = SaturateInt32(int64_t{r.Left} + width);
            break;
        case TAlignment::taRightJustify:
            r.Left = SaturateInt32(int64_t{r.Right} - width);
            break;
        case TAlignment::taCenter: {
            const int64_t centre = (int64_t{r.Left} + r.Right) / 2;
            r.Left = SaturateInt32(centre - width / 2);
            r.Right = SaturateInt32(int64_t{r.Left} + width);
            break;
        }
        }
    }
    title.SetPlace(place);
    title.SetTitleRect(r);

    if (lines.empty() && !frame.Visible())
        return;
    Rect next = plot;
    if (onTop)
        next.Top = SaturateInt32(place.Top + textHeight + f + canvas.Pixels(TitleFootDistance));
    else
        next.Bottom = SaturateInt32(place.Top - f - canvas.Pixels(TitleFootDistance));
    SetPlotRect(next);
    UpdatePlotSize();
}

void TCustomChart::TitleDraw(TChartTitle& title, bool onTop) {
    TCanvas3D& canvas = Canvas3D();
    SelectFont(title.Font());
    const TChartTitle::TPlace& place = title.Place();
    const std::vector<std::string>& lines = title.Text();

    TBrush& brush = canvas.Brush();
    const TChartBrush& titleBrush = title.Brush();
    const bool solid = titleBrush.Style() == TBrushStyle::bsSolid;
    if (title.Color() == clDefault) {
        if (!solid) {
            brush.Assign(titleBrush);
            canvas.SetBackMode(cbmTransparent);
        } else if (titleBrush.Color() == clDefault) {
            brush.SetStyle(TBrushStyle::bsClear);
        } else {
            // A solid brush colour becomes the title's colour.
            title.SetColor(titleBrush.Color());
            brush.SetColor(titleBrush.Color());
            brush.SetStyle(TBrushStyle::bsSolid);
        }
    } else if (!solid) {
        brush.Assign(titleBrush);
        canvas.SetBackMode(cbmOpaque);
        canvas.SetBackColor(title.Color());
    } else {
        brush.SetColor(title.Color());
        brush.SetStyle(TBrushStyle::bsSolid);
    }

    if (place.Framed) {
        const Rect& r = title.TitleRect();
        canvas.ApplyChartPen(title.Frame());
        canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    }

    canvas.SetBackMode(cbmTransparent);
    canvas.SetTextAlign(gfx::TA_LEFT | gfx::TA_TOP);
    const auto n = static_cast<int64_t>(lines.size());
    const int64_t h = place.LineHeight;
    for (int64_t i = 0; i < n; ++i) {
        // On top from the first line down, at the bottom from the last line up.
        const int64_t k = onTop ? i : n - 1 - i;
        const int64_t y = place.Top + k * h;
        const int64_t lw = canvas.TextWidth(lines[static_cast<size_t>(k)]);
        int64_t x = (place.Left + place.Right) / 2 - lw / 2;
        if (title.Alignment() == TAlignment::taLeftJustify)
            x = place.Left + place.W / 2;
        else if (title.Alignment() == TAlignment::taRightJustify)
            x = place.Right - lw - place.W / 2;
        canvas.TextOut(SaturateInt32(x), SaturateInt32(y), lines[static_cast<size_t>(k)]);
    }
}

bool TCustomChart::WallDark3D(const TChartWall& wall) const {
    return wall.Brush().Style() != TBrushStyle::bsClear && !wall.Brush().HasBitmap() &&
           wall.Dark3D();
}

void TCustomChart::PrepareWall(const TChartWall& wall) {
    TCanvas3D& canvas = Canvas3D();
    canvas.ApplyChartPen(wall.Pen());
    TBrush& brush = canvas.Brush();
    if (wall.Brush().HasBitmap()) {
        brush.SetBitmap(wall.Brush().Bitmap());
        return;
    }
    brush.SetBitmap(nullptr);
    const TBrushStyle style = wall.Brush().Style();
    if (wall.Color() == clDefault && style == TBrushStyle::bsSolid) {
        brush.SetStyle(TBrushStyle::bsClear);
        return;
    }
    TColor fill = wall.Color();
    const TColor back = wall.Brush().Color();
    // A hatch in the colour of its own background would not show.
    if (style != TBrushStyle::bsSolid && fill == back)
        fill = back == clBlack ? clWhite : clBlack;
    brush.SetColor(fill);
    brush.SetStyle(style);
    if (style == TBrushStyle::bsSolid) {
        canvas.SetBackMode(cbmTransparent);
    } else {
        canvas.SetBackMode(cbmOpaque);
        canvas.SetBackColor(ColorToRGB(back));
    }
}

void TCustomChart::PaintWalls() {
    TCanvas3D& canvas = Canvas3D();
    const Rect plot = PlotRect();
    const int32_t depth = ChartDepth();
    PrepareWall(*backWall_);
    if (!View3D()) {
        canvas.Rectangle(plot.Left, plot.Top, SaturateInt32(int64_t{plot.Right} + 1),
                         SaturateInt32(int64_t{plot.Bottom} + 1));
    } else if (View3DWalls()) {
        const int32_t size = depth < 0 ? -BackWallSize() : BackWallSize();
        if (backWall_->Size() < 1) {
            canvas.RectangleAtDepth({SaturateInt32(int64_t{plot.Left} + 1),
                                     SaturateInt32(int64_t{plot.Top} - 1), plot.Right, plot.Bottom},
                                    depth);
        } else {
            canvas.Box(SaturateInt32(int64_t{plot.Left} - WallSizeFor(LeftAxis())), plot.Right,
                       plot.Top, SaturateInt32(int64_t{plot.Bottom} + WallSizeFor(BottomAxis())),
                       depth, SaturateInt32(int64_t{depth} + size), WallDark3D(*backWall_));
        }
    }
    // A back image inside the walls is drawn on the back plane, one pixel in from a framed
    // wall's top and bottom.
    if (HasBackImage() && backImageInside_) {
        Rect r = plot;
        if (backWall_->Pen().Visible()) {
            r.Top = SaturateInt32(int64_t{r.Top} + 1);
            r.Bottom = SaturateInt32(int64_t{r.Bottom} - 1);
        }
        const Point a = canvas.ProjectPosition(r.Left, r.Top, depth);
        const Point b = canvas.ProjectPosition(r.Right, r.Bottom, depth);
        canvas.StretchDraw({a.X, a.Y, b.X, b.Y}, *BackImage());
    }
    if (!View3D() || !View3DWalls())
        return;
    const int32_t bottomExtra = WallSizeFor(BottomAxis());
    const int32_t wallBottom = SaturateInt32(int64_t{plot.Bottom} + bottomExtra);
    PrepareWall(*leftWall_);
    if (leftWall_->Size() < 1) {
        canvas.RectangleAtX(plot.Left, plot.Top, wallBottom, 0, SaturateInt32(int64_t{depth} + 1));
    } else {
        canvas.Box(SaturateInt32(int64_t{plot.Left} - canvas.Pixels(leftWall_->Size())), plot.Left,
                   plot.Top, wallBottom, 0, depth, WallDark3D(*leftWall_));
    }
    PrepareWall(*bottomWall_);
    const int32_t y =
        canvas.SupportsSolids() ? SaturateInt32(int64_t{plot.Bottom} + 1) : plot.Bottom;
    if (bottomWall_->Size() < 1) {
        canvas.RectangleAtY(plot.Left, plot.Right, y, 0, depth);
    } else {
        canvas.Box(plot.Left, plot.Right, y,
                   SaturateInt32(int64_t{y} + canvas.Pixels(bottomWall_->Size())), 0, depth,
                   WallDark3D(*bottomWall_));
    }
}

} // namespace vemora
