#include "plot_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vemora::plot {

namespace {

RecordingSeries* MakeSeries1(TChart& chart) {
    auto series = std::make_unique<RecordingSeries>();
    RecordingSeries* raw = series.get();
    BuildChart1(chart, std::move(series));
    return raw;
}

} // namespace

PlotScene::PlotScene(const std::string& path, int32_t width, int32_t height)
    : series_(MakeSeries1(chart_)), window_(path), run_(window_, *series_) {
    if (width > 0 && height > 0) {
        const int32_t edge = 2 * ui::HeadlessWindowHost::kEdgeWidth;
        chart_.SetBounds(kChart1Left, kChart1Top, width + edge, height + edge);
    }
    ConnectSeries1(*series_, run_);
}

namespace {

class JsonWriter {
public:
    void Raw(std::string_view text) { out_ += text; }
    // `"key": value`, after the separator that ends the field before it.
    void Field(std::string_view separator, std::string_view key, double v) {
        Key(separator, key);
        Number(v);
    }
    void Field(std::string_view separator, std::string_view key, int64_t v) {
        Key(separator, key);
        Integer(v);
    }
    void Field(std::string_view separator, std::string_view key, int32_t v) {
        Field(separator, key, int64_t{v});
    }
    void Field(std::string_view separator, std::string_view key, bool v) {
        Key(separator, key);
        out_ += v ? "true" : "false";
    }
    void Field(std::string_view separator, std::string_view key, std::string_view v) {
        Key(separator, key);
        String(v);
    }
    void Field(std::string_view separator, std::string_view key, const gfx::Rect& r) {
        Key(separator, key);
        out_ += '[';
        Integer(r.Left);
        out_ += ", ";
        Integer(r.Top);
        out_ += ", ";
        Integer(r.Right);
        out_ += ", ";
        Integer(r.Bottom);
        out_ += ']';
    }
    void Number(double v) {
        if (std::isnan(v)) {
            out_ += "\"nan\"";
        } else if (std::isinf(v)) {
            out_ += v > 0 ? "\"inf\"" : "\"-inf\"";
        } else {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.17g", v);
            out_ += buffer;
        }
    }
    void Integer(int64_t v) { out_ += std::to_string(v); }
    void String(std::string_view text) {
        out_ += '"';
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += c;
            } else if (u < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
                out_ += buffer;
            } else {
                out_ += c;
            }
        }
        out_ += '"';
    }
    // Items of a list: the separator before every item but the first.
    void Item(bool& first, std::string_view separator, std::string_view firstSeparator = "") {
        out_ += first ? firstSeparator : separator;
        first = false;
    }
    std::string Take() { return std::move(out_); }

private:
    void Key(std::string_view separator, std::string_view key) {
        out_ += separator;
        String(key);
        out_ += ": ";
    }
    std::string out_;
};

const char* AxisName(const TChart& chart, const TCustomChartAxis* axis) {
    if (axis == &chart.BottomAxis())
        return "bottom";
    if (axis == &chart.TopAxis())
        return "top";
    if (axis == &chart.LeftAxis())
        return "left";
    if (axis == &chart.RightAxis())
        return "right";
    if (axis == &chart.DepthAxis())
        return "depth";
    return "custom";
}

void WriteAxis(JsonWriter& j, const TChart& chart, const TCustomChartAxis& axis) {
    // An axis that is not shown drew nothing in this frame.
    const bool shown = chart.AxisShown(axis);
    j.Field("    { ", "name", std::string_view(AxisName(chart, &axis)));
    j.Field(", ", "shown", shown);
    j.Field(",\n      ", "minimum", axis.Minimum());
    j.Field(", ", "maximum", axis.Maximum());
    j.Field(", ", "scale_minimum", axis.ScaleMinimum());
    j.Field(", ", "scale_maximum", axis.ScaleMaximum());
    j.Field(",\n      ", "increment", shown ? axis.LastIncrement() : 0.0);
    j.Field(", ", "start_pixel", axis.StartPixel());
    j.Field(", ", "end_pixel", axis.EndPixel());
    j.Field(", ", "line_pos", axis.LinePos());
    j.Field(", ", "labels_pos", axis.LabelsPos());
    j.Raw(",\n      \"labels\": [");
    static const std::vector<TAxisLabel> noLabels;
    static const std::vector<int32_t> noTicks;
    bool first = true;
    for (const TAxisLabel& label : shown ? axis.LastLabels() : noLabels) {
        j.Item(first, ",\n        ", "\n        ");
        j.Field("{ ", "value", label.Value);
        j.Field(", ", "text", std::string_view(label.Text));
        j.Field(", ", "pixel", label.Pixel);
        j.Raw(" }");
    }
    j.Raw(first ? "],\n      \"ticks\": [" : "\n      ],\n      \"ticks\": [");
    first = true;
    for (const int32_t tick : shown ? axis.LastTicks() : noTicks) {
        j.Item(first, ", ");
        j.Integer(tick);
    }
    j.Raw("] }");
}

} // namespace

std::vector<gfx::Point> DrawnMarkers(const TChart& chart, const RecordingSeries& series) {
    const TPointPlaces* places = chart.FrameTracker().Places(&series);
    if (!chart.FrameTracker().Known() || !places)
        return series.Markers();
    std::vector<gfx::Point> markers;
    if (!series.Pointer().Visible())
        return markers;
    for (int32_t i = std::max(series.FirstShown(), 0); i <= series.LastShown(); ++i) {
        if (places->Colors[i] != clNone)
            markers.push_back({places->X[i], places->Y[i]});
    }
    return markers;
}

std::string FrameJson(TChart& chart, const RecordingSeries& series) {
    JsonWriter j;
    j.Field("{ ", "panel_bounds", chart.PanelBounds());
    j.Field(", ", "plot_rect", chart.PlotRect());
    j.Field(", ", "chart_depth", chart.ChartDepth());
    j.Field(", ", "series_depth", chart.SeriesDepth());
    j.Raw(",\n  \"axes\": [\n");
    bool first = true;
    for (const TCustomChartAxis* axis : chart.Axes()) {
        j.Item(first, ",\n");
        WriteAxis(j, chart, *axis);
    }
    j.Field("\n  ],\n  \"series\": [\n    { ", "name", std::string_view(series.Name()));
    j.Field(", ", "points", series.PointCount());
    j.Field(", ", "first_shown", series.FirstShown());
    j.Field(", ", "last_shown", series.LastShown());
    j.Raw(",\n      \"markers\": [");
    first = true;
    for (const gfx::Point& p : DrawnMarkers(chart, series)) {
        j.Item(first, ", ");
        j.Raw("[");
        j.Integer(p.X);
        j.Raw(", ");
        j.Integer(p.Y);
        j.Raw("]");
    }
    j.Raw("] }\n  ]\n}\n");
    return j.Take();
}

} // namespace vemora::plot
