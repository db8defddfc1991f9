// Text: measuring a run, and drawing it with its opaque background and its glyphs blended
// by their coverage.
#include "platform/gfx/dc_internal.h"
#include "platform/gfx/device_context.h"
#include "platform/numeric/extended.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace vemora::gfx {

namespace {

inline Pixel Blend(Pixel dst, Pixel src, uint32_t coverage) {
    if (coverage >= 255)
        return src;
    auto channel = [&](int shift) {
        const int32_t d = static_cast<int32_t>((dst >> shift) & 0xFF);
        const int32_t s = static_cast<int32_t>((src >> shift) & 0xFF);
        return static_cast<Pixel>(d + ((s - d) * static_cast<int32_t>(coverage) + 127) / 255);
    };
    return (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

} // namespace

const DeviceContext::TextMeasure* DeviceContext::Measure(std::string_view utf8) const {
    size_t hash = std::hash<std::string_view>{}(utf8);
    hash ^= static_cast<size_t>(static_cast<uint32_t>(font_.Log.Height)) * 0x9E3779B97F4A7C15u;
    hash ^= static_cast<size_t>(static_cast<uint32_t>(font_.Log.Escapement)) << 7;
    MeasuredText& slot = measured_[(hash ^ (hash >> 29)) % measured_.size()];
    if (slot.Known && slot.Text == utf8 && slot.Font == font_.Log)
        return &slot.Measure;
    slot.Known = false;
    if (!LayoutText(font_.Log, utf8, run_))
        return nullptr;
    TextMeasure& m = slot.Measure;
    m = {run_.Width, run_.Height, run_.Ascent, run_.Angle, {}};
    for (const PlacedGlyph& g : run_.Glyphs)
        m.Glyphs = m.Glyphs.Union({g.X, g.Y, g.X + g.Image->Width, g.Y + g.Image->Height});
    slot.Font = font_.Log;
    slot.Text.assign(utf8);
    slot.Known = true;
    return &m;
}

bool DeviceContext::GetTextExtentPoint(std::string_view utf8, Size& size) const {
    const TextMeasure* m = Measure(utf8);
    if (!m) {
        size = {};
        return false;
    }
    size = {m->Width, m->Height};
    return true;
}

namespace {

auto ToCoord(double v) {
    return SaturateInt32(std::llround(std::clamp(v, double{INT32_MIN}, double{INT32_MAX})));
}

} // namespace

Point TextOrigin(int32_t x, int32_t y, uint32_t align, double ux, double uy, int width, int height,
                 int ascent) {
    const double vx = -uy, vy = ux;
    double along = 0;
    switch (align & TA_CENTER) {
    case TA_RIGHT:
        along = -width;
        break;
    case TA_CENTER:
        along = -width / 2.0;
        break;
    default:
        break;
    }
    double across = 0;
    switch (align & TA_BASELINE) {
    case TA_BASELINE:
        break;
    case TA_BOTTOM:
        across = -(height - ascent);
        break;
    default:
        across = ascent;
        break;
    }
    return {ToCoord(x + along * ux + across * vx), ToCoord(y + along * uy + across * vy)};
}

Point DeviceContext::TextOrigin(int32_t x, int32_t y, double ux, double uy,
                                const TextMeasure& m) const {
    return gfx::TextOrigin(x, y, textAlign_, ux, uy, m.Width, m.Height, m.Ascent);
}

Rect DeviceContext::TextBounds(int32_t x, int32_t y, std::string_view utf8) const {
    const TextMeasure* m = Measure(utf8);
    if (!m)
        return {};
    const double ux = std::cos(m->Angle), uy = -std::sin(m->Angle);
    const Point origin = TextOrigin(x, y, ux, uy, *m);
    Rect bounds;
    // The cell, which TextOut fills with an opaque background, whatever the mode is now.
    {
        const double vx = -uy, vy = ux;
        const double tx = origin.X - m->Ascent * vx, ty = origin.Y - m->Ascent * vy;
        for (const auto& [a, b] :
             {std::pair{0, 0}, {m->Width, 0}, {m->Width, m->Height}, {0, m->Height}}) {
            const int32_t px = ToCoord(tx + a * ux + b * vx), py = ToCoord(ty + a * uy + b * vy);
            bounds = bounds.Union({SaturateInt32(int64_t{px} - 1), SaturateInt32(int64_t{py} - 1),
                                   SaturateInt32(int64_t{px} + 1), SaturateInt32(int64_t{py} + 1)});
        }
    }
    // The glyphs' box moves with the origin, as long as no edge of a glyph reaches the ends
    // of the coordinates; there each glyph is cut on its own.
    constexpr int32_t kFar = 1 << 30;
    if (origin.X > -kFar && origin.X < kFar && origin.Y > -kFar && origin.Y < kFar) {
        const Rect& g = m->Glyphs;
        if (!g.IsEmpty())
            bounds = bounds.Union(
                {origin.X + g.Left, origin.Y + g.Top, origin.X + g.Right, origin.Y + g.Bottom});
        return bounds;
    }
    if (!LayoutText(font_.Log, utf8, run_))
        return bounds;
    for (const PlacedGlyph& g : run_.Glyphs) {
        const int64_t left = int64_t{origin.X} + g.X, top = int64_t{origin.Y} + g.Y;
        bounds = bounds.Union({SaturateInt32(left), SaturateInt32(top),
                               SaturateInt32(left + g.Image->Width),
                               SaturateInt32(top + g.Image->Height)});
    }
    return bounds;
}

void DeviceContext::TextOut(int32_t x, int32_t y, std::string_view utf8) {
    if (!target_ || !LayoutText(font_.Log, utf8, run_))
        return;
    // Along the baseline (u) and down across it (v), on the screen.
    const double ux = std::cos(run_.Angle), uy = -std::sin(run_.Angle);
    const double vx = -uy, vy = ux;
    const Point origin =
        TextOrigin(x, y, ux, uy, {run_.Width, run_.Height, run_.Ascent, run_.Angle, {}});
    const Rect& clip = clip_.Bounds();
    if (bkMode_ == OPAQUE) {
        const double tx = origin.X - run_.Ascent * vx, ty = origin.Y - run_.Ascent * vy;
        auto pt = [&](double px, double py) { return Point{ToCoord(px), ToCoord(py)}; };
        const Point cell[4] = {
            pt(tx, ty), pt(tx + run_.Width * ux, ty + run_.Width * uy),
            pt(tx + run_.Width * ux + run_.Height * vx, ty + run_.Width * uy + run_.Height * vy),
            pt(tx + run_.Height * vx, ty + run_.Height * vy)};
        const Pixel back = ToPixel(bkColor_);
        scanner_.Scan(cell, clip.Top, clip.Bottom, [&](int32_t row, int32_t a, int32_t b) {
            SolidSpan(row, a, b, back, PenMode::Copy);
        });
    }
    const Pixel color = ToPixel(font_.Color);
    for (const PlacedGlyph& g : run_.Glyphs) {
        const GlyphImage& img = *g.Image;
        const int64_t left = int64_t{origin.X} + g.X, top = int64_t{origin.Y} + g.Y;
        if (left >= clip.Right || left + img.Width <= clip.Left || top >= clip.Bottom ||
            top + img.Height <= clip.Top)
            continue;
        const int64_t firstRow = std::max<int64_t>(0, clip.Top - top);
        const int64_t endRow = std::min<int64_t>(img.Height, clip.Bottom - top);
        for (int64_t gy = firstRow; gy < endRow; ++gy) {
            const int32_t row = static_cast<int32_t>(top + gy);
            const uint8_t* cov = img.Coverage.data() + static_cast<size_t>(gy) * img.Width;
            clip_.ForEachSpan(row, SaturateInt32(left), SaturateInt32(left + img.Width),
                              [&](int32_t a, int32_t b) {
                                  Pixel* dst = target_->Row(row);
                                  for (int32_t px = a; px < b; ++px) {
                                      const uint8_t c = cov[px - left];
                                      if (c)
                                          dst[px] = Blend(dst[px], color, c);
                                  }
                              });
        }
    }
}

} // namespace vemora::gfx
