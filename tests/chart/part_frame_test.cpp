// Frames that redraw only what the added points changed: each must equal, pixel for pixel,
// the whole frame of the same chart. Every run plays its points into two charts with the
// same settings, as the plot run does (a paint after each point); the second chart is
// made to draw every frame whole, and the two screens are compared after every point.
#include "app/main_chart.h"
#include "chart/chart.h"
#include "platform/gfx/png.h"
#include "platform/ui/headless_window_host.h"
#include "pointseries/point_series.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>

namespace vemora {
namespace {

using Configure = std::function<void(TChart&, TPointSeries&)>;

class Twin {
public:
    // `ratio`: the windows are on a screen of that density.
    Twin(int32_t width, int32_t height, const Configure& configure = {}, double ratio = 1.0)
        : part_(BuildChart1(partChart_)), whole_(BuildChart1(wholeChart_)) {
        for (TChart* chart : {&partChart_, &wholeChart_})
            chart->SetBounds(0, 0, width, height);
        partHost_.SetPixelRatio(ratio);
        wholeHost_.SetPixelRatio(ratio);
        if (configure) {
            configure(partChart_, part_);
            configure(wholeChart_, whole_);
        }
        // As the run: the frame of each point is painted from its after-add event.
        part_.OnAfterAdd = [this](TChartSeries*, int32_t) { PaintPart(); };
        // The whole frames place every marker afresh, so that a place the part frames
        // left stale cannot hide in both.
        whole_.OnAfterAdd = [this](TChartSeries*, int32_t) {
            wholeChart_.ForgetFrames();
            wholeHost_.Update();
        };
        // The window shows its chart before the run; the run's first step clears the
        // series, which the first point's frame shows.
        Paint();
        Both([](TChart&, TPointSeries& s) { s.ClearPoints(); });
    }

    // Does the same to both charts.
    void Both(const Configure& change) {
        change(partChart_, part_);
        change(wholeChart_, whole_);
    }
    // A point into both charts; whatever it left invalid is painted before the screens are
    // compared, as the message loop would.
    void Add(double x, double y, TColor color = clDefault) {
        drewWhole_ = false;
        part_.AddPoint(x, y, "", color);
        whole_.AddPoint(x, y, "", color);
        PaintPart();
        ++frames_;
        Compare();
    }
    // Whether a paint during the last Add drew the whole frame.
    bool DrewWhole() const { return drewWhole_; }
    // The paint the message loop makes of whatever is invalid.
    void Paint() {
        partHost_.Update();
        wholeChart_.ForgetFrames();
        wholeHost_.Update();
        Compare();
    }
    void PaintPart() {
        const uint64_t before = partHost_.Paints();
        partHost_.Update();
        if (partHost_.Paints() == before)
            return;
        if (!partHost_.LastChangedArea())
            drewWhole_ = true;
        else if (!partHost_.LastChangedArea()->IsEmpty())
            ++partFrames_;
    }
    void Compare() {
        const gfx::Bitmap& a = partHost_.Screen();
        const gfx::Bitmap& b = wholeHost_.Screen();
        ASSERT_EQ(a.Width(), b.Width());
        ASSERT_EQ(a.Height(), b.Height());
        for (int y = 0; y < a.Height(); ++y) {
            if (std::memcmp(a.Row(y), b.Row(y), sizeof(gfx::Pixel) * a.Width()) == 0)
                continue;
            int x = 0;
            while (a.At(x, y) == b.At(x, y))
                ++x;
            if (std::getenv("VEMORA_PART_FRAME_DUMP")) {
                gfx::WritePng(a, "/tmp/part.png");
                gfx::WritePng(b, "/tmp/whole.png");
            }
            FAIL() << "after " << part_.PointCount() << " points the frame differs at (" << x
                   << ", " << y << "): " << std::hex << a.At(x, y) << " instead of " << b.At(x, y);
        }
    }

    TChart& PartChart() { return partChart_; }
    TPointSeries& PartSeries() { return part_; }
    ui::HeadlessWindowHost& PartHost() { return partHost_; }
    ui::HeadlessWindowHost& WholeHost() { return wholeHost_; }
    int Frames() const { return frames_; }
    int PartFrames() const { return partFrames_; }

private:
    ui::HeadlessWindowHost partHost_{813, 653};
    ui::HeadlessWindowHost wholeHost_{813, 653};
    TChart partChart_{&partHost_};
    TChart wholeChart_{&wholeHost_};
    TPointSeries& part_;
    TPointSeries& whole_;
    int frames_ = 0;
    int partFrames_ = 0;
    bool drewWhole_ = false;
};

struct Point2 {
    double X, Y;
};

std::vector<Point2> Uniform(std::mt19937& random, int n) {
    std::uniform_real_distribution<double> v(0, 1000);
    std::vector<Point2> points;
    for (int i = 0; i < n; ++i)
        points.push_back({v(random), v(random) - 500});
    return points;
}

TEST(PartFrames, RunsOfAllKindsEqualWholeFrames) {
    std::mt19937 random(20261209);
    struct Kind {
        const char* Name;
        std::vector<Point2> Points;
        bool MostlyPart;
    };
    std::vector<Kind> kinds;
    kinds.push_back({"uniform", Uniform(random, 300), true});
    {
        std::vector<Point2> sorted = Uniform(random, 300);
        std::sort(sorted.begin(), sorted.end(), [](auto& a, auto& b) { return a.X < b.X; });
        // Each point moves an end of the X range, and markers with it: still drawn in part.
        kinds.push_back({"sorted", sorted, true});
        std::reverse(sorted.begin(), sorted.end());
        kinds.push_back({"sorted down", sorted, true});
    }
    {
        // Integers on a small grid: many points on the same pixel, equal X values.
        std::uniform_int_distribution<int> x(0, 20), y(0, 8);
        std::vector<Point2> grid;
        for (int i = 0; i < 300; ++i)
            grid.push_back({double(x(random)), double(y(random))});
        kinds.push_back({"clustered integers", grid, true});
    }
    {
        // A far point late in the run changes the layout once; after it the run goes on
        // in a corner of the plot.
        std::vector<Point2> outlier = Uniform(random, 300);
        outlier[220] = {1e6, -1e5};
        kinds.push_back({"far outlier", outlier, true});
    }
    {
        // Points on the plot's edges: at the extremes of both axes, again and again.
        std::vector<Point2> edges = Uniform(random, 40);
        for (int i = 0; i < 160; ++i)
            edges.push_back({i % 2 ? 0.0 : 1000.0, i % 3 ? -500.0 : 500.0});
        kinds.push_back({"edges", edges, false});
    }
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.Name);
        Twin twin(500, 400);
        for (const Point2& p : kind.Points) {
            twin.Add(p.X, p.Y);
            if (HasFatalFailure())
                return;
        }
        twin.Paint();
        if (kind.MostlyPart) {
            EXPECT_GT(twin.PartFrames(), twin.Frames() / 2);
        }
    }
}

// Time series, the shapes users bring most: X grows (or falls) line by line, so that each
// point moves the scale and many markers by a pixel. Every frame is drawn in part and
// equals the whole one, through labels that change their step and digits, ranges that grow
// in steps, signals that cross zero, and a window that keeps only the latest points.
TEST(PartFrames, TimeSeriesEqualWholeFrames) {
    struct Shape {
        const char* Name;
        std::function<Point2(int)> At;
        int Count;
        // Points taken off the front to keep this many (0: all kept).
        int Window = 0;
    };
    const std::vector<Shape> shapes = {
        {"X rising, a signal around zero",
         [](int i) {
             return Point2{i * 0.5, 40 * std::sin(i / 23.0) + 7 * std::sin(i / 3.0)};
         },
         400},
        {"X falling",
         [](int i) {
             return Point2{-i * 0.5, 30 * std::cos(i / 17.0)};
         },
         300},
        {"X and Y rising",
         [](int i) {
             return Point2{i * 1.0, i * 0.3 + (i % 7)};
         },
         300},
        {"Y range growing in steps",
         [](int i) {
             return Point2{i * 2.0, (1 + i / 60) * 10 * std::sin(i / 5.0)};
         },
         300},
        {"labels changing step and digits",
         [](int i) {
             return Point2{0.001 * std::pow(1.04, i), std::sin(i / 9.0) * 1e-3 * i};
         },
         300},
        {"a strip of the latest points",
         [](int i) {
             return Point2{i * 0.25, 20 * std::sin(i / 31.0) + (i % 5)};
         },
         360, 120},
    };
    for (const Shape& shape : shapes) {
        SCOPED_TRACE(shape.Name);
        Twin twin(560, 420);
        for (int i = 0; i < shape.Count; ++i) {
            if (shape.Window > 0 && i >= shape.Window)
                twin.Both([](TChart&, TPointSeries& s) { s.DeletePoint(0); });
            const Point2 p = shape.At(i);
            twin.Add(p.X, p.Y);
            ASSERT_FALSE(HasFatalFailure()) << "point " << i;
        }
        EXPECT_GT(twin.PartFrames(), twin.Frames() * 3 / 4);
    }
}

// Many markers to a column, as a long series on a small chart: what shows where a marker
// left is found among its neighbours, in either direction of X, and with the X axis
// inverted, where the markers' places fall along the points' order.
TEST(PartFrames, DenseSeriesEqualWholeFrames) {
    for (const double direction : {1.0, -1.0}) {
        for (const bool inverted : {false, true}) {
            SCOPED_TRACE(testing::Message() << direction << (inverted ? ", inverted" : ""));
            Twin twin(320, 240, [&](TChart& chart, TPointSeries&) {
                chart.BottomAxis().SetInverted(inverted);
            });
            for (int i = 0; i < 2000; ++i) {
                twin.Add(direction * i * 0.1, 20 * std::cos(i / 70.0) + (i * 7919 % 17));
                ASSERT_FALSE(HasFatalFailure()) << "point " << i;
            }
            EXPECT_GT(twin.PartFrames(), twin.Frames() * 3 / 4);
        }
    }
}

// On a denser screen every pixel size is larger and the markers' pen is thicker: the part
// frames still cover all that changed.
TEST(PartFrames, DenserScreensEqualWholeFrames) {
    for (const double ratio : {2.0, 1.5}) {
        SCOPED_TRACE(ratio);
        std::mt19937 random(99);
        {
            SCOPED_TRACE("uniform");
            Twin twin(500, 400, {}, ratio);
            for (const Point2& p : Uniform(random, 200)) {
                twin.Add(p.X, p.Y);
                ASSERT_FALSE(HasFatalFailure());
            }
            EXPECT_EQ(twin.PartHost().Screen().Width(), gfx::ScalePixels(496, ratio));
            EXPECT_GT(twin.PartFrames(), twin.Frames() / 2);
        }
        {
            SCOPED_TRACE("X rising");
            Twin twin(560, 420, {}, ratio);
            for (int i = 0; i < 250; ++i) {
                twin.Add(i * 0.5, 40 * std::sin(i / 23.0) + 7 * std::sin(i / 3.0));
                ASSERT_FALSE(HasFatalFailure()) << "point " << i;
            }
            EXPECT_GT(twin.PartFrames(), twin.Frames() * 3 / 4);
        }
    }
}

TEST(PartFrames, ColoursPerPoint) {
    std::mt19937 random(7);
    const TColor palette[] = {clRed, clBlue, 0x00FF00, clNone, clDefault};
    {
        SCOPED_TRACE("a colour of its own for each point, some without a marker");
        Twin twin(500, 400);
        std::uniform_int_distribution<int> pick(0, 4);
        for (const Point2& p : Uniform(random, 250)) {
            twin.Add(p.X, p.Y, palette[pick(random)]);
            ASSERT_FALSE(HasFatalFailure());
        }
        EXPECT_GT(twin.PartFrames(), twin.Frames() / 2);
    }
    for (const bool sorted : {true, false}) {
        SCOPED_TRACE(sorted ? "colour by index, points added at the end"
                            : "colour by index, points put in between");
        Twin twin(500, 400, [](TChart&, TPointSeries& s) { s.SetColorEachPoint(true); });
        std::vector<Point2> points = Uniform(random, 200);
        if (sorted)
            std::sort(points.begin(), points.end(), [](auto& a, auto& b) { return a.X < b.X; });
        for (const Point2& p : points) {
            twin.Add(p.X, p.Y);
            ASSERT_FALSE(HasFatalFailure());
        }
    }
}

TEST(PartFrames, PointerStylesAndViews) {
    std::mt19937 random(11);
    const std::vector<Point2> uniform = Uniform(random, 90);
    // In X order too, so that each point moves the markers already shown.
    std::vector<Point2> ordered = uniform;
    std::sort(ordered.begin(), ordered.end(), [](auto& a, auto& b) { return a.X < b.X; });
    for (int style = 0; style <= static_cast<int>(TSeriesPointerStyle::psSmallDot); ++style) {
        for (const bool view3D : {true, false}) {
            for (const bool draw3D : {true, false}) {
                SCOPED_TRACE("style " + std::to_string(style) + (view3D ? " 3D" : " flat") +
                             (draw3D ? " solid" : " plain"));
                Twin twin(420, 320, [&](TChart& chart, TPointSeries& s) {
                    chart.SetView3D(view3D);
                    s.Pointer().SetStyle(static_cast<TSeriesPointerStyle>(style));
                    s.Pointer().SetDraw3D(draw3D);
                    s.Pointer().SetHorizSize(2 + style % 5);
                    s.Pointer().SetVertSize(3 + style % 3);
                    if (style % 2)
                        s.Pointer().Brush().SetStyle(TBrushStyle::bsClear);
                });
                for (const Point2& p : view3D == draw3D ? ordered : uniform) {
                    twin.Add(p.X, p.Y);
                    ASSERT_FALSE(HasFatalFailure());
                }
                EXPECT_GT(twin.PartFrames(), 0);
            }
        }
    }
}

// A change in the middle of a run that is not a point added: the next frame is whole, and
// the run goes on in part frames after it. A point deleted or recoloured is drawn in part.
TEST(PartFrames, OtherChangesDrawTheWholeFrameAndPointEditsAPart) {
    struct Change {
        const char* Name;
        Configure Apply;
        // A point's own edit redraws where its marker was and is; the frame stays in part.
        bool Whole = true;
    };
    const std::vector<Change> changes = {
        {"pointer colour", [](TChart&, TPointSeries& s) { s.Pointer().Brush().SetColor(clBlue); }},
        {"zoom", [](TChart& c, TPointSeries&) { c.BottomAxis().SetRange(200, 700); }},
        {"pan", [](TChart& c, TPointSeries&) { c.LeftAxis().ShiftRange(50, false); }},
        {"gradient", [](TChart& c, TPointSeries&) { c.Gradient().SetStartColor(clWhite); }},
        {"value changed", [](TChart&, TPointSeries& s) { s.YValues().SetValueAt(3, 4000); }},
        {"point deleted", [](TChart&, TPointSeries& s) { s.DeletePoint(5); }, false},
        {"values swapped in a list",
         [](TChart&, TPointSeries& s) { s.YValues().SwapValues(2, 40); }},
        {"point colour", [](TChart&, TPointSeries& s) { s.SetPointColor(7, clGreen); }, false},
        {"draw event", [](TChart& c, TPointSeries&) { c.OnAfterDraw = [](auto*) {}; }},
        {"pointer hidden", [](TChart&, TPointSeries& s) { s.Pointer().SetVisible(false); }},
        {"series draw event",
         [](TChart&, TPointSeries& s) { s.AfterDrawValues = [](TChartSeries*) {}; }},
    };
    std::mt19937 random(3);
    const std::vector<Point2> points = Uniform(random, 120);
    for (const Change& change : changes) {
        SCOPED_TRACE(change.Name);
        Twin twin(500, 400);
        for (size_t i = 0; i < points.size(); ++i) {
            // A change that repaints at once draws the whole frame then; else the next
            // point's frame is whole.
            const uint64_t paints = twin.PartHost().Paints();
            if (i == 60)
                twin.Both(change.Apply);
            const bool repainted = twin.PartHost().Paints() != paints;
            if (repainted) {
                EXPECT_EQ(!twin.PartHost().LastChangedArea().has_value(), change.Whole);
            }
            twin.Add(points[i].X, points[i].Y);
            ASSERT_FALSE(HasFatalFailure());
            if (i == 60 && !repainted) {
                EXPECT_EQ(twin.DrewWhole(), change.Whole);
            }
        }
    }
}

TEST(PartFrames, ResizeAndMouseZoomInARun) {
    std::mt19937 random(5);
    const std::vector<Point2> points = Uniform(random, 150);
    Twin twin(500, 400);
    for (size_t i = 0; i < points.size(); ++i) {
        if (i == 40) {
            twin.PartHost().ResizeClient(460, 380);
            twin.WholeHost().ResizeClient(460, 380);
        }
        if (i == 80) {
            // A zoom rectangle dragged with the mouse, in both windows.
            for (ui::HeadlessWindowHost* host : {&twin.PartHost(), &twin.WholeHost()}) {
                host->SendMouseDown(ui::TMouseButton::mbLeft, {ui::TShiftKey::ssLeft}, 100, 80);
                host->SendMouseMove({ui::TShiftKey::ssLeft}, 300, 250);
                host->Update();
                host->SendMouseUp(ui::TMouseButton::mbLeft, {}, 300, 250);
            }
        }
        twin.Add(points[i].X, points[i].Y);
        ASSERT_FALSE(HasFatalFailure());
    }
    EXPECT_GT(twin.PartFrames(), 100);
}

// Two series, each with its own look, taking points in turn: each frame draws again what
// both have where the new point changed the picture.
TEST(PartFrames, TwoSeries) {
    for (const bool view3D : {true, false}) {
        SCOPED_TRACE(view3D ? "3D" : "flat");
        std::vector<TPointSeries*> others;
        Twin twin(500, 400, [&](TChart& chart, TPointSeries&) {
            chart.SetView3D(view3D);
            auto second = std::make_unique<TPointSeries>();
            second->Pointer().SetStyle(TSeriesPointerStyle::psCircle);
            second->SetSeriesColor(clBlue);
            others.push_back(second.get());
            chart.AddSeries(std::move(second));
        });
        std::mt19937 random(13);
        const std::vector<Point2> points = Uniform(random, 200);
        for (size_t i = 0; i < points.size(); ++i) {
            if (i % 2) {
                for (TPointSeries* other : others)
                    other->AddPoint(points[i].X, points[i].Y, "", clDefault);
                twin.Paint();
            } else {
                twin.Add(points[i].X, points[i].Y);
            }
            ASSERT_FALSE(HasFatalFailure());
        }
        EXPECT_GT(twin.PartFrames(), 50);
    }
}

// A frame that changed one marker hands the window only the pixels around it.
TEST(PartFrames, ChangedAreaIsTheNewMarker) {
    Twin twin(813, 653);
    std::mt19937 random(9);
    for (const Point2& p : Uniform(random, 50))
        twin.Add(p.X, p.Y);
    // Inside the data's range: the layout stays as it is.
    twin.Add(500, 0);
    ASSERT_FALSE(twin.DrewWhole());
    const std::optional<gfx::Rect> area = twin.PartHost().LastChangedArea();
    ASSERT_TRUE(area.has_value());
    EXPECT_GT(area->Width(), 0);
    EXPECT_LE(area->Width() * area->Height(), 400);
    const int32_t x = twin.PartChart().BottomAxis().ValueToPixelX(500);
    const int32_t y = twin.PartChart().LeftAxis().ValueToPixelY(0);
    EXPECT_LE(area->Left, x);
    EXPECT_GT(area->Right, x);
    EXPECT_LE(area->Top, y);
    EXPECT_GT(area->Bottom, y);
    // Nothing changed: a paint asked for by the window system copies the whole frame.
    twin.PartHost().Update();
    twin.PartHost().Expose();
    EXPECT_FALSE(twin.PartHost().LastChangedArea().has_value());
}

} // namespace
} // namespace vemora
