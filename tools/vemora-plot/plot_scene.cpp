#include "plot_scene.h"

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
    void Bool(bool v) { out_ += v ? "true" : "false"; }
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
    void Rect(const gfx::Rect& r) {
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
    std::string Take() { return std::move(out_); }

private:
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
    const bool shown = chart.AxisShown(axis);
    j.Raw("    { \"name\": ");
    j.String(AxisName(chart, &axis));
    j.Raw(", \"shown\": ");
    j.Bool(shown);
    j.Raw(",\n      \"minimum\": ");
    j.Number(axis.Minimum());
    j.Raw(", \"maximum\": ");
    j.Number(axis.Maximum());
    j.Raw(", \"scale_minimum\": ");
    j.Number(axis.ScaleMinimum());
    j.Raw(", \"scale_maximum\": ");
    j.Number(axis.ScaleMaximum());
    j.Raw(",\n      \"increment\": ");
    j.Number(shown ? axis.LastIncrement() : 0.0);
    j.Raw(", \"start_pixel\": ");
    j.Integer(axis.StartPixel());
    j.Raw(", \"end_pixel\": ");
    j.Integer(axis.EndPixel());
    j.Raw(", \"line_pos\": ");
    j.Integer(axis.LinePos());
    j.Raw(", \"labels_pos\": ");
    j.Integer(axis.LabelsPos());
    j.Raw(",\n      \"labels\": [");
    // An axis that is not shown drew nothing in this frame.
    bool first = true;
    if (shown) {
        for (const TAxisLabel& label : axis.LastLabels()) {
            j.Raw(first ? "\n        " : ",\n        ");
            first = false;
            j.Raw("{ \"value\": ");
            j.Number(label.Value);
            j.Raw(", \"text\": ");
            j.String(label.Text);
            j.Raw(", \"pixel\": ");
            j.Integer(label.Pixel);
            j.Raw(" }");
        }
    }
    j.Raw(first ? "],\n      \"ticks\": [" : "\n      ],\n      \"ticks\": [");
    first = true;
    if (shown) {
        for (const int32_t tick : axis.LastTicks()) {
            j.Raw(first ? "" : ", ");
            first = false;
            j.Integer(tick);
        }
    }
    j.Raw("] }");
}

} // namespace

std::string FrameJson(TChart& chart, const RecordingSeries& series) {
    JsonWriter j;
    j.Raw("{ \"panel_bounds\": ");
    j.Rect(chart.PanelBounds());
    j.Raw(", \"plot_rect\": ");
    j.Rect(chart.PlotRect());
    j.Raw(", \"chart_depth\": ");
    j.Integer(chart.ChartDepth());
    j.Raw(", \"series_depth\": ");
    j.Integer(chart.SeriesDepth());
    j.Raw(",\n  \"axes\": [\n");
    const auto& axes = chart.Axes();
    for (size_t i = 0; i < axes.size(); ++i) {
        WriteAxis(j, chart, *axes[i]);
        j.Raw(i + 1 < axes.size() ? ",\n" : "\n");
    }
    j.Raw("  ],\n  \"series\": [\n    { \"name\": ");
    j.String(series.Name());
    j.Raw(", \"points\": ");
    j.Integer(series.PointCount());
    j.Raw(", \"first_shown\": ");
    j.Integer(series.FirstShown());
    j.Raw(", \"last_shown\": ");
    j.Integer(series.LastShown());
    j.Raw(",\n      \"markers\": [");
    bool first = true;
    for (const gfx::Point& p : series.Markers()) {
        j.Raw(first ? "" : ", ");
        first = false;
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
