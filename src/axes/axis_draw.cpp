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
    int64_t size = axisPen_->Visible() ? axisPen_->Width() : 0;
    if (ticks_->Visible())
        size += tickLength_;
    if (minorTicks_->Visible())
        size = std::max<int64_t>(size, minorTickLength_);
    return SaturateInt32(size);
}

int32_t TCustomChartAxis::LabelsAreaSize() {
    if (labelsSize_ != 0)
        return labelsSize_;
    chart_->SelectFont(*labelsFont_);
    const bool along = scale_.Horizontal ? (labelsAngle_ == 0 || labelsAngle_ == 180)
                                         : (labelsAngle_ == 90 || labelsAngle_ == 270);
    return along ? Canvas().FontHeight() : WidestLabel();
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
        shrink(LabelsAreaSize());
        labelsPos_ = SideEdge(r);
    }
    const int64_t ticks = int64_t{TickAreaSize()} + chart_->WallSizeFor(*this);
    if (ticks > 0)
        shrink(ticks);
    titlePos_ = ApplyPositionPercent(titlePos_, r);
    labelsPos_ = ApplyPositionPercent(labelsPos_, r);
}

// ---- Drawing ----

void TCustomChartAxis::DrawAxis(bool placeLine) {
    RefreshScaleIsDateTime();
    chart_->SelectFont(*labelsFont_);
    const double step = ComputeIncrement();
    lastIncrement_ = step;
    if (placeLine)
        linePos_ = ApplyPositionPercent(SideEdge(chart_->PlotRect()), chart_->PlotRect());
    if (!title_->Caption().empty())
        DrawTitle();
    tickList_.clear();
    lastLabels_.clear();
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
    DrawLines();
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

void TCustomChartAxis::PlaceLabel(int32_t pixel, std::string_view text) {
    if (tickOnLabelsOnly_)
        AppendTick(pixel);
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

void TCustomChartAxis::DrawLabelText(int32_t x, int32_t y, std::string_view text, int32_t angle) {
    TCanvas3D& canvas = Canvas();
    const int32_t h = canvas.FontHeight();
    const int32_t half = h / 2;
    const int32_t lines = ForEachLabelLine(text, [](std::string_view) {});
    const int vertical = scale_.Horizontal ? 0 : 1;
    const int side = farSide_ ? 1 : 0;
    const int opposite = 1 - side;
    int64_t px = x;
    int64_t py = y;
    uint32_t align = gfx::TA_LEFT | gfx::TA_TOP;
    const bool rightAngle = angle == 0 || angle == 90 || angle == 180 || angle == 270;
    switch (angle) {
    case 0:
        align = kLabelAlign[vertical][side];
        if (vertical)
            py -= half;
        break;
    case 90:
        if (!vertical) {
            align = kLabelAlign[1][side];
            px -= half;
        } else {
            align = kLabelAlign[0][opposite];
        }
        break;
    case 180:
        align = kLabelAlign[vertical][opposite];
        if (vertical)
            py += half;
        break;
    case 270:
        if (!vertical) {
            align = kLabelAlign[1][opposite];
            px += half;
        } else {
            align = kLabelAlign[0][side];
        }
        break;
    default:
        break;
    }
    const int32_t z = farSide_ ? chart_->ChartDepth() : 0;
    canvas.SetTextAlign(align);
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
        if (angle == 0)
            canvas.TextOutAtDepth(SaturateInt32(px), SaturateInt32(py), line, z);
        else
            canvas.RotatedTextAtDepth(SaturateInt32(px), SaturateInt32(py), line, angle, z);
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

void TCustomChartAxis::DrawLines() {
    TCanvas3D& canvas = Canvas();
    const Rect& plot = chart_->PlotRect();
    const int32_t depth = chart_->ChartDepth();
    const int32_t w = chart_->WallSizeFor(*this);
    if (axisPen_->Visible()) {
        ApplyChartPen(*canvas.ReferenceCanvas(), *axisPen_);
        if (depthRole_) {
            const int32_t y =
                SaturateInt32(int64_t{plot.Bottom} + chart_->WallSizeFor(chart_->BottomAxis()));
            canvas.MoveToAtDepth(plot.Right, y, 0);
            canvas.LineToAtDepth(plot.Right, y, depth);
        } else if (scale_.Horizontal) {
            if (farSide_)
                canvas.HorizLineAtDepth(scale_.StartPixel, scale_.EndPixel, linePos_, depth);
            else
                canvas.HorizLineAtDepth(SaturateInt32(int64_t{scale_.StartPixel} -
                                                      chart_->WallSizeFor(chart_->LeftAxis())),
                                        scale_.EndPixel, SaturateInt32(int64_t{linePos_} + w), 0);
        } else {
            if (farSide_)
                canvas.VertLineAtDepth(linePos_, scale_.StartPixel, scale_.EndPixel, depth);
            else
                canvas.VertLineAtDepth(SaturateInt32(int64_t{linePos_} - w), scale_.StartPixel,
                                       SaturateInt32(int64_t{scale_.EndPixel} +
                                                     chart_->WallSizeFor(chart_->BottomAxis())),
                                       0);
        }
    }
    if (ticks_->Visible()) {
        ApplyChartPen(*canvas.ReferenceCanvas(), *ticks_);
        DrawTicks(1, tickLength_);
    }
    if (grid_->Visible())
        DrawGrid();
    if (ticksInner_->Visible()) {
        ApplyChartPen(*canvas.ReferenceCanvas(), *ticksInner_);
        DrawTicks(-1, -tickInnerLength_);
    }
    if (!tickList_.empty() && minorTicks_->Visible()) {
        ApplyChartPen(*canvas.ReferenceCanvas(), *minorTicks_);
        DrawMinorMarks(false);
    }
    if (!tickList_.empty() && minorGrid_->Visible()) {
        ApplyChartPen(*canvas.ReferenceCanvas(), *minorGrid_);
        DrawMinorMarks(true);
    }
}

void TCustomChartAxis::DrawTick(int32_t p, int32_t offset, int32_t length) {
    TCanvas3D& canvas = Canvas();
    const int32_t w = chart_->WallSizeFor(*this);
    const int64_t line = linePos_;
    if (depthRole_) {
        canvas.HorizLineAtDepth(SaturateInt32(line + offset), SaturateInt32(line + offset + length),
                                chart_->PlotRect().Bottom, p);
    } else if (!farSide_) {
        if (scale_.Horizontal)
            canvas.VertLineAtDepth(p, SaturateInt32(line + offset + w),
                                   SaturateInt32(line + offset + w + length), 0);
        else
            canvas.HorizLineAtDepth(SaturateInt32(line - offset - w),
                                    SaturateInt32(line - offset - w - length), p, 0);
    } else {
        const int32_t depth = chart_->ChartDepth();
        if (scale_.Horizontal)
            canvas.VertLineAtDepth(p, SaturateInt32(line - offset),
                                   SaturateInt32(line - offset - length), depth);
        else
            canvas.HorizLineAtDepth(SaturateInt32(line + offset),
                                    SaturateInt32(line + offset + length), p, depth);
    }
}

void TCustomChartAxis::DrawTicks(int32_t offset, int32_t length) {
    for (const int32_t p : tickList_)
        DrawTick(p, offset, length);
}

void TCustomChartAxis::DrawGrid() {
    TCanvas3D& canvas = Canvas();
    canvas.Brush().SetStyle(TBrushStyle::bsClear);
    canvas.SetBackMode(cbmTransparent);
    ApplyChartPen(*canvas.ReferenceCanvas(), *grid_);
    if (chart_->IsPrinting() && grid_->Style() != TPenStyle::psSolid && grid_->Width() == 1)
        canvas.Pen().SetWidth(0);
    if (canvas.Pen().Color() == clDefault)
        canvas.Pen().SetColor(clGray);
    if (!gridCentered_) {
        for (const int32_t p : tickList_)
            DrawGridLine(p);
    } else {
        for (size_t i = 1; i < tickList_.size(); ++i)
            DrawGridLine(
                RoundSaturated((static_cast<long double>(tickList_[i]) + tickList_[i - 1]) * 0.5L));
    }
    canvas.SetBackMode(cbmOpaque);
}

void TCustomChartAxis::DrawGridLine(int32_t p) {
    TCanvas3D& canvas = Canvas();
    const Rect& plot = chart_->PlotRect();
    const int32_t depth = chart_->ChartDepth();
    if (depthRole_) {
        canvas.VertLineAtDepth(plot.Left, plot.Top, plot.Bottom, p);
        canvas.HorizLineAtDepth(plot.Left, plot.Right, plot.Bottom, p);
        return;
    }
    if (!chart_->View3D()) {
        if (scale_.Horizontal)
            canvas.VertLine(p, plot.Top, plot.Bottom);
        else
            canvas.HorizLine(plot.Left, plot.Right, p);
        return;
    }
    // The axes are drawn before the series: a near grid line runs back along the floor or
    // the side to the back plane, then across it.
    if (scale_.Horizontal) {
        if (!farSide_)
            canvas.DepthLine(p, linePos_, 0, depth);
        canvas.VertLineAtDepth(p, plot.Top, plot.Bottom, depth);
    } else {
        if (!farSide_)
            canvas.DepthLine(linePos_, p, 0, depth);
        canvas.HorizLineAtDepth(plot.Left, plot.Right, p, depth);
    }
}

void TCustomChartAxis::DrawMinorMark(int32_t position, bool grid) {
    if (!(scale_.StartPixel < position && position < scale_.EndPixel))
        return;
    if (grid)
        DrawGridLine(position);
    else
        DrawTick(position, 1, minorTickLength_);
}

void TCustomChartAxis::DrawMinorMarks(bool grid) {
    // More marks than pixels between two ticks only repeat pixels already marked.
    const int64_t n = std::min<int64_t>(minorTickCount_, std::abs(int64_t{scale_.Length}) + 1);
    const size_t k = tickList_.size();
    if (n < 1)
        return;
    const auto mark = [&](int64_t position) { DrawMinorMark(SaturateInt32(position), grid); };
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

} // namespace vemora
