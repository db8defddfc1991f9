// The 3D canvas drawing at depth: solids, faces, lines and points placed by the projection.
#include "canvas/chart_canvas.h"
#include "platform/numeric/extended.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace vemora {

namespace {

// Signed area (twice) of a projected polygon; the sign tells its winding on the screen.
int64_t Winding(std::span<const Point> p) {
    int64_t sum = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point& a = p[i];
        const Point& b = p[(i + 1) % p.size()];
        sum += static_cast<int64_t>(a.X) * b.Y - static_cast<int64_t>(b.X) * a.Y;
    }
    return sum;
}

} // namespace

// ---- depth drawing ----

void TChartCanvas3D::PolygonFromScratch(size_t count) {
    canvas_->Polygon(std::span<const Point>(scratch_.data(), count));
}

TColor TChartCanvas3D::FaceBaseColor() const {
    return canvas_->Brush().Style() == TBrushStyle::bsSolid ? canvas_->Brush().Color()
                                                            : GetBackColor();
}

void TChartCanvas3D::SetFaceColor(TColor color) {
    if (canvas_->Brush().Style() == TBrushStyle::bsSolid)
        canvas_->Brush().SetColor(color);
    else
        SetBackColor(color);
}

void TChartCanvas3D::Box(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t z0,
                         int32_t z1, bool darkSides) {
    const Point a = ProjectPosition(left, top, z0);
    const Point b = ProjectPosition(right, top, z0);
    const Point c = ProjectPosition(right, bottom, z0);
    const Point d = ProjectPosition(right, top, z1);
    const Point leftBottomFront = ProjectPosition(left, bottom, z0);
    const Point f = ProjectPosition(left, top, z1);
    const TColor base = FaceBaseColor();
    auto face = [&](Point p0, Point p1, Point p2, Point p3, uint8_t darken) {
        if (darkSides)
            SetFaceColor(DarkenColor(base, darken));
        scratch_[0] = p0;
        scratch_[1] = p1;
        scratch_[2] = p2;
        scratch_[3] = p3;
        PolygonFromScratch(4);
    };
    scratch_[0] = a;
    scratch_[1] = b;
    scratch_[2] = c;
    scratch_[3] = leftBottomFront;
    PolygonFromScratch(4);

    // BoxLastShade follows these tests.
    const Point e = ProjectPosition(right, bottom, z1);
    if (e.X > c.X) {
        face(b, d, e, c, DarkSideAmount);
    } else {
        const Point leftBottomBack = ProjectPosition(left, bottom, z1);
        if (leftBottomBack.X < leftBottomFront.X)
            face(a, f, leftBottomBack, leftBottomFront, DarkSideAmount);
    }
    if (f.Y < b.Y)
        face(a, b, d, f, DarkTopAmount);
}

uint8_t TChartCanvas3D::BoxLastShade(int32_t left, int32_t right, int32_t top, int32_t bottom,
                                     int32_t z0, int32_t z1) const {
    // The top comes after the side, and either after the front.
    if (ProjectPosition(left, top, z1).Y < ProjectPosition(right, top, z0).Y)
        return DarkTopAmount;
    if (ProjectPosition(right, bottom, z1).X > ProjectPosition(right, bottom, z0).X ||
        ProjectPosition(left, bottom, z1).X < ProjectPosition(left, bottom, z0).X)
        return DarkSideAmount;
    return 0;
}

void TChartCanvas3D::LeaveToolsAsBox(int32_t left, int32_t right, int32_t top, int32_t bottom,
                                     int32_t z0, int32_t z1, bool darkSides) {
    const uint8_t shade = darkSides ? BoxLastShade(left, right, top, bottom, z0, z1) : 0;
    if (shade != 0)
        SetFaceColor(DarkenColor(FaceBaseColor(), shade));
}

void TChartCanvas3D::RectangleAtDepth(const Rect& r, int32_t z) {
    scratch_[0] = ProjectPosition(r.Left, r.Top, z);
    scratch_[1] = ProjectPosition(r.Right, r.Top, z);
    scratch_[2] = ProjectPosition(r.Right, r.Bottom, z);
    scratch_[3] = ProjectPosition(r.Left, r.Bottom, z);
    PolygonFromScratch(4);
}

void TChartCanvas3D::RectangleAtX(int32_t x, int32_t top, int32_t bottom, int32_t z0, int32_t z1) {
    scratch_[0] = ProjectPosition(x, top, z0);
    scratch_[1] = ProjectPosition(x, top, z1);
    scratch_[2] = ProjectPosition(x, bottom, z1);
    scratch_[3] = ProjectPosition(x, bottom, z0);
    PolygonFromScratch(4);
}

void TChartCanvas3D::RectangleAtY(int32_t left, int32_t right, int32_t y, int32_t z0, int32_t z1) {
    scratch_[0] = ProjectPosition(left, y, z0);
    scratch_[1] = ProjectPosition(right, y, z0);
    scratch_[2] = ProjectPosition(right, y, z1);
    scratch_[3] = ProjectPosition(left, y, z1);
    PolygonFromScratch(4);
}

void TChartCanvas3D::QuadAtDepth(Point p1, Point p2, Point p3, Point p4, int32_t z) {
    TChartCanvas3D::QuadBetweenDepths(p1, p2, p3, p4, z, z);
}

void TChartCanvas3D::QuadBetweenDepths(Point p1, Point p2, Point p3, Point p4, int32_t z0,
                                       int32_t z1) {
    const Point corners[4] = {p1, p2, p3, p4};
    for (size_t i = 0; i < 4; ++i)
        scratch_[i] = ProjectPosition(corners[i].X, corners[i].Y, i < 2 ? z0 : z1);
    PolygonFromScratch(4);
}

void TChartCanvas3D::TriangleAtDepth(Point p1, Point p2, Point p3, int32_t z) {
    const Point corners[3] = {p1, p2, p3};
    for (size_t i = 0; i < 3; ++i)
        scratch_[i] = ProjectPosition(corners[i].X, corners[i].Y, z);
    PolygonFromScratch(3);
}

void TChartCanvas3D::PolygonAtDepth(std::span<const Point> points, int32_t z) {
    std::vector<Point> projected(points.begin(), points.end());
    for (Point& p : projected)
        ProjectPoint(p.X, p.Y, z);
    canvas_->Polygon(projected);
}

void TChartCanvas3D::Pyramid(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t z0,
                             int32_t z1, bool darkSides) {
    // A triangular prism: the side faces that turn toward the viewer, then the front.
    const Point corners[3] = {{(left + right) / 2, top}, {right, bottom}, {left, bottom}};
    std::array<Point, 3> front;
    for (int i = 0; i < 3; ++i)
        front[i] = ProjectPosition(corners[i].X, corners[i].Y, z0);
    const int64_t frontWinding = Winding(front);
    const TColor base = FaceBaseColor();
    if (z0 != z1 && frontWinding != 0) {
        for (int i = 0; i < 3; ++i) {
            const Point& p = corners[i];
            const Point& q = corners[(i + 1) % 3];
            scratch_[0] = ProjectPosition(p.X, p.Y, z0);
            scratch_[1] = ProjectPosition(p.X, p.Y, z1);
            scratch_[2] = ProjectPosition(q.X, q.Y, z1);
            scratch_[3] = ProjectPosition(q.X, q.Y, z0);
            const int64_t w = Winding(std::span<const Point>(scratch_.data(), 4));
            if (w == 0 || (w > 0) != (frontWinding > 0))
                continue;
            if (darkSides)
                SetFaceColor(DarkenColor(base, p.Y == q.Y ? DarkTopAmount : DarkSideAmount));
            PolygonFromScratch(4);
        }
    }
    SetFaceColor(base);
    canvas_->Polygon(front);
}

void TChartCanvas3D::LeaveToolsAsPyramid() {
    SetFaceColor(FaceBaseColor());
}

void TChartCanvas3D::EllipseAtDepth(int32_t left, int32_t top, int32_t right, int32_t bottom,
                                    int32_t z) {
    if (orthogonal_) {
        const Point a = ProjectPosition(left, top, z);
        const Point b = ProjectPosition(right, bottom, z);
        canvas_->Ellipse(a.X, a.Y, b.X, b.Y);
    } else if (!is3D_) {
        canvas_->Ellipse(left, top, SaturateInt32(int64_t{right} + 1),
                         SaturateInt32(int64_t{bottom} + 1));
    } else {
        std::array<Point, 32> outline;
        const double cx = (static_cast<double>(left) + right) / 2.0,
                     cy = (static_cast<double>(top) + bottom) / 2.0;
        const double rx = (static_cast<double>(right) - left) / 2.0,
                     ry = (static_cast<double>(bottom) - top) / 2.0;
        for (size_t i = 0; i < outline.size(); ++i) {
            const double t = 2 * std::numbers::pi * static_cast<double>(i) / outline.size();
            outline[i] = ProjectPosition(RoundSaturated(cx + rx * std::cos(t)),
                                         RoundSaturated(cy + ry * std::sin(t)), z);
        }
        canvas_->Polygon(outline);
    }
}

void TChartCanvas3D::LineAtDepth(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t z) {
    MoveToAtDepth(x0, y0, z);
    LineToAtDepth(x1, y1, z);
}

void TChartCanvas3D::MoveToAtDepth(int32_t x, int32_t y, int32_t z) {
    ProjectPoint(x, y, z);
    canvas_->MoveTo(x, y);
}

void TChartCanvas3D::LineToAtDepth(int32_t x, int32_t y, int32_t z) {
    ProjectPoint(x, y, z);
    canvas_->LineTo(x, y);
}

void TChartCanvas3D::HorizLineAtDepth(int32_t left, int32_t right, int32_t y, int32_t z) {
    LineAtDepth(left, y, right, y, z);
}

void TChartCanvas3D::VertLineAtDepth(int32_t x, int32_t top, int32_t bottom, int32_t z) {
    LineAtDepth(x, top, x, bottom, z);
}

void TChartCanvas3D::DepthLine(int32_t x, int32_t y, int32_t z0, int32_t z1) {
    MoveToAtDepth(x, y, z0);
    LineToAtDepth(x, y, z1);
}

void TChartCanvas3D::PixelAtDepth(int32_t x, int32_t y, TColor color, int32_t z) {
    ProjectPoint(x, y, z);
    if (canvas_->Pen().Width() == 1) {
        canvas_->SetPixel(x, y, color);
    } else {
        canvas_->MoveTo(x, y);
        canvas_->LineTo(x, y);
    }
}

void TChartCanvas3D::BeginFrontPlane() {
    saved3D_ = is3D_;
    is3D_ = false;
}

void TChartCanvas3D::EndFrontPlane() {
    is3D_ = saved3D_;
}

} // namespace vemora
