// The platform canvas: the raster medium, a device context drawing into a bitmap with the
// medium's pen, brush and font. The tools raise no notifications; their state is handed to
// the device context at each operation, with system colours resolved then.
#pragma once

#include "canvas/medium.h"

#include <span>
#include <string_view>
#include <vector>

namespace vemora {

class TCanvas final : public TMedium {
public:
    explicit TCanvas(gfx::Bitmap* target = nullptr);

    void SetTarget(gfx::Bitmap* target) { dc_.SelectBitmap(target); }
    gfx::Bitmap* Target() const { return dc_.Target(); }

    // The device context with the tools applied, for the calls the canvas does not wrap.
    gfx::DeviceContext& Handle();
    gfx::DeviceContext& DeviceContext() { return dc_; }

    gfx::ColorRef GetBkColor() const override { return dc_.GetBkColor(); }
    void SetBkColor(TColor color) override { Handle().SetBkColor(ResolveColor(color)); }
    int GetBkMode() const override { return dc_.GetBkMode(); }
    void SetBkMode(int mode) override { Handle().SetBkMode(mode); }
    uint32_t GetTextAlign() const override { return dc_.GetTextAlign(); }
    void SetTextAlign(uint32_t align) override { dc_.SetTextAlign(align); }
    void SelectTools() override { Handle(); }

    void MoveTo(int32_t x, int32_t y) override { dc_.MoveToEx(x, y); }
    void LineTo(int32_t x, int32_t y) override;
    void Polyline(std::span<const Point> points) override;
    void Arc(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3) override;
    void Polygon(std::span<const Point> points) override;
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void Ellipse(int32_t x0, int32_t y0, int32_t x1, int32_t y1) override;
    void RoundRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t w, int32_t h) override;
    void Pie(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3,
             int32_t y3) override;
    void FillRect(const Rect& rect) override;
    void FillRect(const Rect& rect, TColor color) override;
    uint64_t FillGradient(const Rect& rect, TColor a, TColor b,
                          TGradientDirection direction) override;
    void SetPixel(int32_t x, int32_t y, TColor color) override;
    void TextOut(int32_t x, int32_t y, std::string_view text) override;
    void TextOut(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font) override;
    using TMedium::Draw;
    void Draw(int32_t x, int32_t y, int32_t width, int32_t height, const gfx::Bitmap& picture,
              int32_t sourceX, int32_t sourceY) override;
    void StretchDraw(const Rect& rect, const gfx::Bitmap& picture) override;
    void IntersectClipRect(const Rect& rect) override { dc_.IntersectClipRect(rect); }
    void SelectClipPolygon(std::span<const Point> points) override;
    void Unclip() override { dc_.SelectClipRgn(nullptr); }
    void LimitDrawing(const gfx::Region* region) override { dc_.LimitDrawing(region); }
    TCanvas* Raster() override { return this; }

private:
    gfx::DeviceContext& Metrics() override { return dc_; }
    void ApplyPen();
    void ApplyBrush();
    void ApplyFont();

    gfx::DeviceContext dc_;
    // The brush generation last selected; none at first.
    uint64_t selectedBrush_ = UINT64_MAX;
    // The last clip polygon, with the corners and bounds its region was made for: a chart
    // clips every frame's series to the same box.
    struct PolygonClip {
        bool Valid = false;
        std::vector<Point> Corners;
        Rect Within;
        gfx::Region Region;
    } polygonClip_;
};

} // namespace vemora
