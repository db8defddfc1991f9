// A frame of the chart as a value, computed from the chart's state (and, for the label
// space, the previous frame's axis spans) before anything is drawn: the drawing area, the
// plot rectangle, the depths, every axis's scale, step, labels and ticks, the series' depth
// slots and shown points, and what the frame draws under the series, item by item. The
// drawing only consumes it, and two frames are compared by comparing two values.
#pragma once

#include "axes/chart_axis.h"
#include "panel/frame_item.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vemora {

class TChartSeries;

struct TAxisFrame {
    bool Shown = false;
    TAxisLabelStyle Style = TAxisLabelStyle::talAuto;
    // The range from the series (or set by hand), and the scale with its span of pixels.
    double Minimum = 0;
    double Maximum = 0;
    double ScaleMinimum = 0;
    double ScaleMaximum = 0;
    int32_t StartPixel = 0;
    int32_t EndPixel = 0;
    int32_t CenterPixel = 0;
    bool Inverted = false;
    int32_t LinePos = 0;
    int32_t LabelsPos = 0;
    int32_t TitlePos = 0;
    double Increment = 0;
    int32_t ExtraDigits = 0;
    std::vector<TAxisLabel> Labels;
    std::vector<int32_t> Ticks;

    bool operator==(const TAxisFrame&) const = default;
    // Whether the axis draws the same items as the other: the range may differ, but not a
    // pixel of what is drawn from it.
    bool SameItems(const TAxisFrame& o) const {
        return Shown == o.Shown && Style == o.Style && StartPixel == o.StartPixel &&
               EndPixel == o.EndPixel && CenterPixel == o.CenterPixel && Inverted == o.Inverted &&
               LinePos == o.LinePos && LabelsPos == o.LabelsPos && TitlePos == o.TitlePos &&
               Ticks == o.Ticks && SameLabels(o);
    }
    // The same texts at the same pixels.
    bool SameLabels(const TAxisFrame& o) const {
        if (Labels.size() != o.Labels.size())
            return false;
        for (size_t i = 0; i < Labels.size(); ++i) {
            if (Labels[i].Pixel != o.Labels[i].Pixel || Labels[i].Text != o.Labels[i].Text)
                return false;
        }
        return true;
    }
};

struct TSeriesFrame {
    const TChartSeries* Series = nullptr;
    bool Active = false;
    int32_t ZStart = 0;
    int32_t ZEnd = 0;
    int32_t FirstShown = -1;
    int32_t LastShown = -1;

    bool operator==(const TSeriesFrame&) const = default;
};

struct TFrameLayout {
    gfx::Rect PanelBounds;
    gfx::Rect PlotRect;
    int32_t ChartDepth = 0;
    int32_t ChartDepthY = 0;
    int32_t SeriesDepth = 0;
    int32_t SeriesDepthY = 0;
    std::vector<TAxisFrame> Axes;
    std::vector<TSeriesFrame> Series;
    // What the frame draws under its series (the axes' titles, labels and lines), axis by
    // axis: those of axis i from AxisItems[i].first on, AxisItems[i].second of them.
    std::vector<TFrameItem> Items;
    std::vector<std::pair<size_t, size_t>> AxisItems;

    bool operator==(const TFrameLayout&) const = default;
    // Whether the two frames draw the same picture under their series everywhere but in
    // their items: the same drawing area, plot box (after the titles), depths and axis
    // spans, and the same series in the same slots.
    bool SameGround(const TFrameLayout& other) const;
};

} // namespace vemora
