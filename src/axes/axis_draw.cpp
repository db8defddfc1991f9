// The space an axis takes beside the plot and its drawing: title, labels, axis line,
// ticks, grid and minor marks, all through the 3D canvas.
#include "axes/chart_axis.h"
#include "axes/label_format.h"
#include "platform/numeric/extended.h"

#include <cmath>

namespace vemora {

namespace {

// Text alignment by orientation and side: [vertical][far side].
constexpr uint32_t kLabelAlign[2][2] = {
    {gfx::TA_CENTER | gfx::TA_TOP, gfx::TA_CENTER | gfx::TA_BOTTOM}, // horizontal axis
    {gfx::TA_RIGHT, gfx::TA_LEFT},                                   // vertical axis
};

} // namespace

// ---- Space ----

int32_t TCustomChartAxis::SideEdge(const Rect& r) const {
    if (farSide_)
        return scale_.Horizontal ? r.Top : r.Right;
    return scale_.Horizontal ? r.Bottom : r.Left;
}

int32_t TCustomChartAxis::ApplyPositionPercent(int32_t coordinate, const Rect& r) const {
    if (positionPercent_ == 0)
        return coordinate;
    const long double across = scale_.Horizontal ? r.Height() : r.Width();
    int64_t d = RoundSaturated(positionPercent_ * 0.01L * across);
    if (farSide_)
        d = -d;
    return scale_.Horizontal ? SaturateInt32(coordinate - d) : SaturateInt32(coordinate + d);
}

int32_t TCustomChartAxis::TickAreaSize() const {
    const TCanvas3D& canvas = Canvas();
    int64_t size = axisPen_->Visible() ? canvas.Pixels(axisPen_->Width()) : 0;
    if (ticks_->Visible())
        size += canvas.Pixels(tickLength_);
    if (minorTicks_->Visible())
        size = std::max<int64_t>(size, canvas.Pixels(minorTickLength_));
    return SaturateInt32(size);
}

int32_t TCustomChartAxis::LabelsAreaSize() {
    if (labelsSize_ != 0)
        return labelsSize_;
    chart_->SelectFont(*labelsFont_);
    const bool along = scale_.Horizontal ? (labelsAngle_ == 0 || labelsAngle_ == 180)
                                         : (labelsAngle_ == 90 || labelsAngle_ == 270);
    return along ? Canvas().FontHeight() : std::max(WidestLabel(), labelsAreaAtLeast_);
}

int32_t TCustomChartAxis::TitleAreaSize() {
    if (titleSize_ != 0)
        return titleSize_;
    chart_->SelectFont(title_->Font());
    const int32_t angle = title_->Angle();
    const bool along =
        scale_.Horizontal ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
    return along ? Canvas().FontHeight() : Canvas().TextWidth(title_->Caption());
}

void TCustomChartAxis::ReserveSpace(Rect& r, bool builtIn) {
    RefreshScaleIsDateTime();
    const auto shrink = [&](int64_t n) {
        if (scale_.Horizontal) {
            if (farSide_)
                r.Top = SaturateInt32(r.Top + n);
            else
                r.Bottom = SaturateInt32(r.Bottom - n);
        } else {
            if (farSide_)
                r.Right = SaturateInt32(r.Right - n);
            else
                r.Left = SaturateInt32(r.Left + n);
        }
    };
    if (!builtIn) {
        const int64_t outward = (scale_.Horizontal != farSide_) ? 1 : -1;
        labelsPlaced_ = true;
        linePos_ = ApplyPositionPercent(SideEdge(r), r);
        labelsPos_ = SaturateInt32(linePos_ + outward * TickAreaSize());
        titlePos_ = SaturateInt32(labelsPos_ + outward * LabelsAreaSize());
        return;
    }
    if (depthRole_) {
        titlePos_ = r.Right;
    } else if (!title_->Caption().empty()) {
        shrink(TitleAreaSize());
        titlePos_ = SideEdge(r);
    }
    if (labels_) {
        reservedLabelsArea_ = LabelsAreaSize();
        labelsPlaced_ = true;
        shrink(reservedLabelsArea_);
        labelsPos_ = SideEdge(r);
    }
    const int64_t ticks = int64_t{TickAreaSize()} + chart_->WallSizeFor(*this);
    if (ticks > 0)
        shrink(ticks);
    titlePos_ = ApplyPositionPercent(titlePos_, r);
    labelsPos_ = ApplyPositionPercent(labelsPos_, r);
}

// ---- Drawing ----

bool TCustomChartAxis::LabelInsidePanel(int32_t pixel, std::string_view text) {
    const Rect& panel = chart_->PanelBounds();
    if (!labelsPlaced_ || depthRole_ || panel.IsEmpty())
        return true;
    TCanvas3D& canvas = Canvas();
    bool inside = true;
    const int32_t x = scale_.Horizontal ? pixel : labelsPos_;
    const int32_t y = scale_.Horizontal ? labelsPos_ : pixel;
    // The bounds leave a pixel around the text's cell, for the opaque background it may have.
    ForEachTextRun(x, y, text, labelsAngle_,
                   [&](int32_t px, int32_t py, std::string_view line, uint32_t align, int32_t z) {
                       const Rect b =
                           canvas.TextBoundsAtDepth(px, py, line, z, labelsAngle_, align);
                       if (b.IsEmpty())
                           return;
                       inside = inside && int64_t{b.Left} + 1 >= panel.Left &&
                                int64_t{b.Top} + 1 >= panel.Top &&
                                int64_t{b.Right} - 1 <= panel.Right &&
                                int64_t{b.Bottom} - 1 <= panel.Bottom;
                   });
    return inside;
}

void TCustomChartAxis::LayoutLabels(bool placeLine) {
    RefreshScaleIsDateTime();
    chart_->SelectFont(*labelsFont_);
    const double step = ComputeIncrement();
    lastIncrement_ = step;
    if (placeLine)
        linePos_ = ApplyPositionPercent(SideEdge(chart_->PlotRect()), chart_->PlotRect());
    tickList_.clear();
    lastLabels_.clear();
    laidOutLabelsArea_ = 0;
    if (step > 0 && scale_.Maximum >= scale_.Minimum) {
        switch (EffectiveLabelStyle()) {
        case TAxisLabelStyle::talValue:
            if (chart_->OnGetNextAxisLabel)
                NextLabelPass();
            else
                ValueLabelPass(step);
            break;
        default:
            // Point-label and mark passes have no use on this chart's axes.
            break;
        }
    }
}

void TCustomChartAxis::DrawLaidOut() {
    if (!title_->Caption().empty())
        DrawTitle();
    for (const TAxisLabel& label : lastLabels_)
        DrawLabel(label.Pixel, label.Text);
    DrawLines();
}

void TCustomChartAxis::DrawAxis(bool placeLine) {
    LayoutLabels(placeLine);
    DrawLaidOut();
}

void TCustomChartAxis::PrepareText(const TFont& font) {
    chart_->SelectFont(font);
    TCanvas3D& canvas = Canvas();
    canvas.Brush().SetColor(chart_->Color());
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    // White text would vanish on paper.
    if (chart_->IsPrinting() && canvas.Font().Color() == clWhite)
        canvas.Font().SetColor(clBlack);
}

void TCustomChartAxis::DrawLabel(int32_t pixel, std::string_view text) {
    PrepareText(*labelsFont_);
    TCanvas3D& canvas = Canvas();
    if (depthRole_) {
        canvas.SetTextAlign(gfx::TA_LEFT | gfx::TA_TOP);
        canvas.TextOutAtDepth(labelsPos_, chart_->PlotRect().Bottom, text, pixel);
    } else if (scale_.Horizontal) {
        DrawLabelText(pixel, labelsPos_, text, labelsAngle_);
    } else {
        DrawLabelText(labelsPos_, pixel, text, labelsAngle_);
    }
}

uint32_t TCustomChartAxis::TextAlignFor(int32_t angle) const {
    const int vertical = scale_.Horizontal ? 0 : 1;
    const int side = farSide_ ? 1 : 0;
    switch (angle) {
    case 0:
        return kLabelAlign[vertical][side];
    case 90:
        return vertical ? kLabelAlign[0][1 - side] : kLabelAlign[1][side];
    case 180:
        return kLabelAlign[vertical][1 - side];
    case 270:
        return vertical ? kLabelAlign[0][side] : kLabelAlign[1][1 - side];
    default:
        return gfx::TA_LEFT | gfx::TA_TOP;
    }
}

template <class Fn>
void TCustomChartAxis::ForEachTextRun(int32_t x, int32_t y, std::string_view text, int32_t angle,
                                      Fn&& fn) {
    TCanvas3D& canvas = Canvas();
    const int32_t h = canvas.FontHeight();
    const int32_t half = h / 2;
    const int32_t lines = ForEachLabelLine(text, [](std::string_view) {});
    const bool vertical = !scale_.Horizontal;
    int64_t px = x;
    int64_t py = y;
    // Half a line across the text's way for a text that runs along its axis.
    if (angle == 0 && vertical)
        py -= half;
    else if (angle == 90 && !vertical)
        px -= half;
    else if (angle == 180 && vertical)
        py += half;
    else if (angle == 270 && !vertical)
        px += half;
    const uint32_t align = TextAlignFor(angle);
    const bool rightAngle = angle == 0 || angle == 90 || angle == 180 || angle == 270;
    const int32_t z = farSide_ ? chart_->ChartDepth() : 0;
    const int64_t s = (angle == 180 || angle == 270) ? -int64_t{h} : int64_t{h};
    if (rightAngle) {
        const int64_t n = lines;
        const int64_t block = RoundSaturated(static_cast<long double>(s) * 0.5L * (n + 1));
        if (!vertical) {
            if (angle == 0)
                py -= farSide_ ? s * n : s;
            else if (angle == 180)
                py -= farSide_ ? s : s * n;
            else
                px -= block;
        } else {
            if (angle == 0 || angle == 180)
                py -= block;
            else if (angle == 90)
                px -= farSide_ ? s : s * n;
            else
                px -= farSide_ ? s * n : s;
        }
    }
    ForEachLabelLine(text, [&](std::string_view line) {
        if (rightAngle) {
            if (angle == 0 || angle == 180)
                py += s;
            else
                px += s;
        }
        fn(SaturateInt32(px), SaturateInt32(py), line, align, z);
    });
}

void TCustomChartAxis::DrawLabelText(int32_t x, int32_t y, std::string_view text, int32_t angle) {
    TCanvas3D& canvas = Canvas();
    canvas.SetTextAlign(TextAlignFor(angle));
    ForEachTextRun(x, y, text, angle,
                   [&](int32_t px, int32_t py, std::string_view line, uint32_t, int32_t z) {
                       if (angle == 0)
                           canvas.TextOutAtDepth(px, py, line, z);
                       else
                           canvas.RotatedTextAtDepth(px, py, line, angle, z);
                   });
    canvas.SetTextAlign(gfx::TA_LEFT | gfx::TA_TOP);
}

void TCustomChartAxis::DrawTitle() {
    PrepareText(title_->Font());
    TCanvas3D& canvas = Canvas();
    if (depthRole_) {
        canvas.SetTextAlign(gfx::TA_LEFT | gfx::TA_TOP);
        canvas.TextOutAtDepth(titlePos_, chart_->PlotRect().Bottom, title_->Caption(),
                              chart_->ChartDepth() / 2);
    } else if (scale_.Horizontal) {
        DrawLabelText(scale_.CenterPixel, titlePos_, title_->Caption(), title_->Angle());
    } else {
        DrawLabelText(titlePos_, scale_.CenterPixel, title_->Caption(), title_->Angle());
    }
}

void TCustomChartAxis::DrawSegment(const TAxisSegment& s) {
    TCanvas3D& canvas = Canvas();
    using TOp = TAxisSegment::TOp;
    switch (s.Op) {
    case TOp::opHorizAtDepth:
        canvas.HorizLineAtDepth(s.X0, s.X1, s.Y0, s.Z0);
        break;
    case TOp::opVertAtDepth:
        canvas.VertLineAtDepth(s.X0, s.Y0, s.Y1, s.Z0);
        break;
    case TOp::opDepth:
        canvas.DepthLine(s.X0, s.Y0, s.Z0, s.Z1);
        break;
    case TOp::opMoveLine:
        canvas.MoveToAtDepth(s.X0, s.Y0, s.Z0);
        canvas.LineToAtDepth(s.X1, s.Y1, s.Z1);
        break;
    case TOp::opFlatHoriz:
        canvas.HorizLine(s.X0, s.X1, s.Y0);
        break;
    case TOp::opFlatVert:
        canvas.VertLine(s.X0, s.Y0, s.Y1);
        break;
    }
}

template <class Fn> void TCustomChartAxis::AxisLineSegments(Fn&& fn) const {
    using TOp = TAxisSegment::TOp;
    const Rect& plot = chart_->PlotRect();
    const int32_t depth = chart_->ChartDepth();
    const int32_t w = chart_->WallSizeFor(*this);
    if (depthRole_) {
        const int32_t y =
            SaturateInt32(int64_t{plot.Bottom} + chart_->WallSizeFor(chart_->BottomAxis()));
        fn(TAxisSegment{TOp::opMoveLine, plot.Right, y, 0, plot.Right, y, depth});
    } else if (scale_.Horizontal) {
        if (farSide_) {
            fn(TAxisSegment{TOp::opHorizAtDepth, scale_.StartPixel, linePos_, depth,
                            scale_.EndPixel, linePos_, depth});
        } else {
            const int32_t y = SaturateInt32(int64_t{linePos_} + w);
            fn(TAxisSegment{
                TOp::opHorizAtDepth,
                SaturateInt32(int64_t{scale_.StartPixel} - chart_->WallSizeFor(chart_->LeftAxis())),
                y, 0, scale_.EndPixel, y, 0});
        }
    } else {
        if (farSide_) {
            fn(TAxisSegment{TOp::opVertAtDepth, linePos_, scale_.StartPixel, depth, linePos_,
                            scale_.EndPixel, depth});
        } else {
            const int32_t x = SaturateInt32(int64_t{linePos_} - w);
            fn(TAxisSegment{
                TOp::opVertAtDepth, x, scale_.StartPixel, 0, x,
                SaturateInt32(int64_t{scale_.EndPixel} + chart_->WallSizeFor(chart_->BottomAxis())),
                0});
        }
    }
}

template <class Fn>
void TCustomChartAxis::TickSegment(int32_t p, int32_t offset, int32_t length, Fn&& fn) const {
    using TOp = TAxisSegment::TOp;
    offset = Canvas().Pixels(offset);
    length = Canvas().Pixels(length);
    const int32_t w = chart_->WallSizeFor(*this);
    const int64_t line = linePos_;
    if (depthRole_) {
        const int32_t y = chart_->PlotRect().Bottom;
        fn(TAxisSegment{TOp::opHorizAtDepth, SaturateInt32(line + offset), y, p,
                        SaturateInt32(line + offset + length), y, p});
    } else if (!farSide_) {
        if (scale_.Horizontal)
            fn(TAxisSegment{TOp::opVertAtDepth, p, SaturateInt32(line + offset + w), 0, p,
                            SaturateInt32(line + offset + w + length), 0});
        else
            fn(TAxisSegment{TOp::opHorizAtDepth, SaturateInt32(line - offset - w), p, 0,
                            SaturateInt32(line - offset - w - length), p, 0});
    } else {
        const int32_t depth = chart_->ChartDepth();
        if (scale_.Horizontal)
            fn(TAxisSegment{TOp::opVertAtDepth, p, SaturateInt32(line - offset), depth, p,
                            SaturateInt32(line - offset - length), depth});
        else
            fn(TAxisSegment{TOp::opHorizAtDepth, SaturateInt32(line + offset), p, depth,
                            SaturateInt32(line + offset + length), p, depth});
    }
}

template <class Fn> void TCustomChartAxis::GridSegments(int32_t p, Fn&& fn) const {
    using TOp = TAxisSegment::TOp;
    const Rect& plot = chart_->PlotRect();
    const int32_t depth = chart_->ChartDepth();
    if (depthRole_) {
        fn(TAxisSegment{TOp::opVertAtDepth, plot.Left, plot.Top, p, plot.Left, plot.Bottom, p});
        fn(TAxisSegment{TOp::opHorizAtDepth, plot.Left, plot.Bottom, p, plot.Right, plot.Bottom,
                        p});
        return;
    }
    if (!chart_->View3D()) {
        if (scale_.Horizontal)
            fn(TAxisSegment{TOp::opFlatVert, p, plot.Top, 0, p, plot.Bottom, 0});
        else
            fn(TAxisSegment{TOp::opFlatHoriz, plot.Left, p, 0, plot.Right, p, 0});
        return;
    }
    // The axes are drawn before the series: a near grid line runs back along the floor or
    // the side to the back plane, then across it.
    if (scale_.Horizontal) {
        if (!farSide_)
            fn(TAxisSegment{TOp::opDepth, p, linePos_, 0, p, linePos_, depth});
        fn(TAxisSegment{TOp::opVertAtDepth, p, plot.Top, depth, p, plot.Bottom, depth});
    } else {
        if (!farSide_)
            fn(TAxisSegment{TOp::opDepth, linePos_, p, 0, linePos_, p, depth});
        fn(TAxisSegment{TOp::opHorizAtDepth, plot.Left, p, depth, plot.Right, p, depth});
    }
}

template <class Fn> void TCustomChartAxis::GridPositions(Fn&& fn) const {
    if (!gridCentered_) {
        for (const int32_t p : tickList_)
            fn(p);
    } else {
        for (size_t i = 1; i < tickList_.size(); ++i)
            fn(RoundSaturated((static_cast<long double>(tickList_[i]) + tickList_[i - 1]) * 0.5L));
    }
}

template <class Fn> void TCustomChartAxis::MinorPositions(Fn&& fn) const {
    // More marks than pixels between two ticks only repeat pixels already marked.
    const int64_t n = std::min<int64_t>(minorTickCount_, std::abs(int64_t{scale_.Length}) + 1);
    const size_t k = tickList_.size();
    if (n < 1 || k == 0)
        return;
    const auto mark = [&](int64_t position) {
        const int32_t p = SaturateInt32(position);
        if (scale_.StartPixel < p && p < scale_.EndPixel)
            fn(p);
    };
    if (k > 1) {
        const long double g = (static_cast<long double>(tickList_[1]) - tickList_[0]) / (n + 1);
        for (int64_t j = 1; j <= n; ++j) {
            const int64_t d = RoundSaturated(j * g);
            mark(tickList_[0] - d);
            mark(tickList_[k - 1] + d);
        }
    }
    for (size_t i = 1; i < k; ++i) {
        const long double g = (static_cast<long double>(tickList_[i]) - tickList_[i - 1]) / (n + 1);
        for (int64_t j = 1; j <= n; ++j)
            mark(tickList_[i] - RoundSaturated(j * g));
    }
}

void TCustomChartAxis::DrawLines() {
    TCanvas3D& canvas = Canvas();
    const auto draw = [this](const TAxisSegment& s) { DrawSegment(s); };
    if (axisPen_->Visible()) {
        canvas.ApplyChartPen(*axisPen_);
        AxisLineSegments(draw);
    }
    if (ticks_->Visible()) {
        canvas.ApplyChartPen(*ticks_);
        for (const int32_t p : tickList_)
            TickSegment(p, 1, tickLength_, draw);
    }
    if (grid_->Visible())
        DrawGrid();
    if (ticksInner_->Visible()) {
        canvas.ApplyChartPen(*ticksInner_);
        for (const int32_t p : tickList_)
            TickSegment(p, -1, -tickInnerLength_, draw);
    }
    if (!tickList_.empty() && minorTicks_->Visible()) {
        canvas.ApplyChartPen(*minorTicks_);
        MinorPositions([&](int32_t p) { TickSegment(p, 1, minorTickLength_, draw); });
    }
    if (!tickList_.empty() && minorGrid_->Visible()) {
        canvas.ApplyChartPen(*minorGrid_);
        MinorPositions([&](int32_t p) { GridSegments(p, draw); });
    }
}

void TCustomChartAxis::DrawGrid() {
    TCanvas3D& canvas = Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetBackMode(cbmTransparent);
    canvas.ApplyChartPen(*grid_);
    if (chart_->IsPrinting() && grid_->Style() != TPenStyle::psSolid && grid_->Width() == 1)
        canvas.Pen().SetWidth(0);
    if (canvas.Pen().Color() == clDefault)
        canvas.Pen().SetColor(clGray);
    GridPositions(
        [&](int32_t p) { GridSegments(p, [this](const TAxisSegment& s) { DrawSegment(s); }); });
    canvas.SetBackMode(cbmOpaque);
}

// ---- What a frame draws, for comparing frames ----

namespace {

// What a line from a to b paints with a pen of that many device pixels: round ends for a
// wide pen, and a cosmetic pen drawn thicker on a dense device reaches as far.
Rect LineBounds(Point a, Point b, int32_t penWidth) {
    const int64_t grow = penWidth > 1 ? penWidth / 2 + 1 : 0;
    return {SaturateInt32(std::min<int64_t>(a.X, b.X) - grow),
            SaturateInt32(std::min<int64_t>(a.Y, b.Y) - grow),
            SaturateInt32(std::max<int64_t>(a.X, b.X) + 1 + grow),
            SaturateInt32(std::max<int64_t>(a.Y, b.Y) + 1 + grow)};
}

} // namespace

void TCustomChartAxis::CollectItems(uint32_t part, std::vector<TFrameItem>& items) {
    TCanvas3D& canvas = Canvas();
    const auto add = [&](TFrameItemKind kind, const Rect& bounds, std::string_view text = {}) {
        if (!bounds.IsEmpty())
            items.push_back({FrameItemKind(part, kind), std::string(text), bounds});
    };
    const auto texts = [&](TFrameItemKind kind, int32_t x, int32_t y, std::string_view text,
                           int32_t angle) {
        ForEachTextRun(
            x, y, text, angle,
            [&](int32_t px, int32_t py, std::string_view line, uint32_t align, int32_t z) {
                add(kind, canvas.TextBoundsAtDepth(px, py, line, z, angle, align), line);
            });
    };
    const auto lines = [&](TFrameItemKind kind, const TChartPen& pen) {
        const int32_t width = canvas.Pixels(pen.Width());
        return [&, kind, width](const TAxisSegment& s) {
            const Point a = s.Flat() ? Point{s.X0, s.Y0} : canvas.ProjectPosition(s.X0, s.Y0, s.Z0);
            const Point b = s.Flat() ? Point{s.X1, s.Y1} : canvas.ProjectPosition(s.X1, s.Y1, s.Z1);
            add(kind, LineBounds(a, b, width));
        };
    };
    if (!title_->Caption().empty()) {
        chart_->SelectFont(title_->Font());
        const std::string& caption = title_->Caption();
        if (depthRole_) {
            add(TFrameItemKind::fiTitle,
                canvas.TextBoundsAtDepth(titlePos_, chart_->PlotRect().Bottom, caption,
                                         chart_->ChartDepth() / 2, 0, gfx::TA_LEFT | gfx::TA_TOP),
                caption);
        } else if (scale_.Horizontal) {
            texts(TFrameItemKind::fiTitle, scale_.CenterPixel, titlePos_, caption, title_->Angle());
        } else {
            texts(TFrameItemKind::fiTitle, titlePos_, scale_.CenterPixel, caption, title_->Angle());
        }
    }
    chart_->SelectFont(*labelsFont_);
    for (const TAxisLabel& label : lastLabels_) {
        if (depthRole_) {
            add(TFrameItemKind::fiLabel,
                canvas.TextBoundsAtDepth(labelsPos_, chart_->PlotRect().Bottom, label.Text,
                                         label.Pixel, 0, gfx::TA_LEFT | gfx::TA_TOP),
                label.Text);
        } else if (scale_.Horizontal) {
            texts(TFrameItemKind::fiLabel, label.Pixel, labelsPos_, label.Text, labelsAngle_);
        } else {
            texts(TFrameItemKind::fiLabel, labelsPos_, label.Pixel, label.Text, labelsAngle_);
        }
    }
    if (axisPen_->Visible())
        AxisLineSegments(lines(TFrameItemKind::fiAxisLine, *axisPen_));
    if (ticks_->Visible()) {
        const auto tick = lines(TFrameItemKind::fiTick, *ticks_);
        for (const int32_t p : tickList_)
            TickSegment(p, 1, tickLength_, tick);
    }
    if (grid_->Visible()) {
        const auto grid = lines(TFrameItemKind::fiGrid, *grid_);
        GridPositions([&](int32_t p) { GridSegments(p, grid); });
    }
    if (ticksInner_->Visible()) {
        const auto tick = lines(TFrameItemKind::fiInnerTick, *ticksInner_);
        for (const int32_t p : tickList_)
            TickSegment(p, -1, -tickInnerLength_, tick);
    }
    if (minorTicks_->Visible()) {
        const auto tick = lines(TFrameItemKind::fiMinorTick, *minorTicks_);
        MinorPositions([&](int32_t p) { TickSegment(p, 1, minorTickLength_, tick); });
    }
    if (minorGrid_->Visible()) {
        const auto grid = lines(TFrameItemKind::fiMinorGrid, *minorGrid_);
        MinorPositions([&](int32_t p) { GridSegments(p, grid); });
    }
}

} // namespace vemora
