#include "platform/gfx/device_context.h"

#include "platform/gfx/dc_internal.h"
#include "platform/numeric/extended.h"

#include <cmath>
#include <utility>

namespace vemora::gfx {

namespace {

// The six 8x8 hatches, aligned to the device origin.
inline bool HatchOn(BrushStyle style, int32_t x, int32_t y) {
    const int32_t hx = x & 7, hy = y & 7;
    switch (style) {
    case BrushStyle::Horizontal:
        return hy == 0;
    case BrushStyle::Vertical:
        return hx == 0;
    case BrushStyle::FDiagonal:
        return hx == hy;
    case BrushStyle::BDiagonal:
        return hx == 7 - hy;
    case BrushStyle::Cross:
        return hx == 0 || hy == 0;
    case BrushStyle::DiagCross:
        return hx == hy || hx == 7 - hy;
    default:
        return false;
    }
}

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

DeviceContext::DeviceContext() {
    font_.Log.Height = HeightFromPoints(8);
    font_.Log.SetFaceName("Arial");
}

DeviceContext::DeviceContext(Bitmap* target) : DeviceContext() {
    SelectBitmap(target);
}

void DeviceContext::SelectBitmap(Bitmap* target) {
    target_ = target;
    hasClip_ = false;
    userClip_ = Region{};
    ResetClip();
}

void DeviceContext::BeginRedirect(Bitmap* scratch) {
    // A second redirect only changes the scratch: the target to come back to stays.
    if (redirected_.Active) {
        SelectBitmap(scratch);
        return;
    }
    redirected_.Active = true;
    redirected_.Target = target_;
    redirected_.HasClip = hasClip_;
    redirected_.UserClip = std::move(userClip_);
    redirected_.Clip = std::move(clip_);
    SelectBitmap(scratch);
}

void DeviceContext::EndRedirect() {
    if (!redirected_.Active)
        return;
    redirected_.Active = false;
    target_ = redirected_.Target;
    hasClip_ = redirected_.HasClip;
    userClip_ = std::move(redirected_.UserClip);
    clip_ = std::move(redirected_.Clip);
}

void DeviceContext::ResetClip() {
    clip_ = target_ ? Region::FromRect({0, 0, target_->Width(), target_->Height()}) : Region{};
    if (hasClip_)
        clip_.IntersectWith(userClip_);
}

ColorRef DeviceContext::SetBkColor(ColorRef color) {
    return std::exchange(bkColor_, color & 0xFFFFFF);
}

int DeviceContext::SetBkMode(int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return std::exchange(bkMode_, mode);
}

uint32_t DeviceContext::SetTextAlign(uint32_t align) {
    return std::exchange(textAlign_, align);
}

// ---- pixel primitives ----

void DeviceContext::BrushSpan(int32_t y, int32_t x0, int32_t x1, const Brush& brush) {
    if (!target_ || brush.Style == BrushStyle::Clear)
        return;
    if (brush.Pattern && !brush.Pattern->Empty()) {
        const Bitmap& p = *brush.Pattern;
        clip_.ForEachSpan(y, x0, x1, [&](int32_t a, int32_t b) {
            Pixel* row = target_->Row(y);
            const Pixel* src = p.Row(((y % p.Height()) + p.Height()) % p.Height());
            for (int32_t x = a; x < b; ++x)
                row[x] = src[((x % p.Width()) + p.Width()) % p.Width()];
        });
        return;
    }
    const Pixel color = ToPixel(brush.Color);
    if (brush.Style == BrushStyle::Solid) {
        SolidSpan(y, x0, x1, color, PenMode::Copy);
        return;
    }
    const bool opaque = bkMode_ == OPAQUE;
    const Pixel back = ToPixel(bkColor_);
    clip_.ForEachSpan(y, x0, x1, [&](int32_t a, int32_t b) {
        Pixel* row = target_->Row(y);
        for (int32_t x = a; x < b; ++x) {
            if (HatchOn(brush.Style, x, y))
                row[x] = color;
            else if (opaque)
                row[x] = back;
        }
    });
}

// ---- text ----

bool DeviceContext::GetTextExtentPoint(std::string_view utf8, Size& size) const {
    if (!LayoutText(font_.Log, utf8, run_)) {
        size = {};
        return false;
    }
    size = {run_.Width, run_.Height};
    return true;
}

void DeviceContext::TextOut(int32_t x, int32_t y, std::string_view utf8) {
    if (!target_ || !LayoutText(font_.Log, utf8, run_))
        return;
    if (textAlign_ & TA_UPDATECP) {
        x = position_.X;
        y = position_.Y;
    }
    // Along the baseline (u) and down across it (v), on the screen.
    const double ux = std::cos(run_.Angle), uy = -std::sin(run_.Angle);
    const double vx = -uy, vy = ux;
    double along = 0;
    switch (textAlign_ & TA_CENTER) {
    case TA_RIGHT:
        along = -run_.Width;
        break;
    case TA_CENTER:
        along = -run_.Width / 2.0;
        break;
    default:
        break;
    }
    double across = 0;
    switch (textAlign_ & TA_BASELINE) {
    case TA_BASELINE:
        break;
    case TA_BOTTOM:
        across = -(run_.Height - run_.Ascent);
        break;
    default:
        across = run_.Ascent;
        break;
    }
    const double ox = x + along * ux + across * vx, oy = y + along * uy + across * vy;
    auto toCoord = [](double v) {
        return SaturateInt32(std::llround(std::clamp(v, double{INT32_MIN}, double{INT32_MAX})));
    };
    const Point origin{toCoord(ox), toCoord(oy)};
    const Rect& clip = clip_.Bounds();
    if (bkMode_ == OPAQUE) {
        const double tx = origin.X - run_.Ascent * vx, ty = origin.Y - run_.Ascent * vy;
        auto pt = [&](double px, double py) { return Point{toCoord(px), toCoord(py)}; };
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
    if (textAlign_ & TA_UPDATECP)
        position_ = {toCoord(x + run_.Width * ux), toCoord(y + run_.Width * uy)};
}

// ---- clipping ----

void DeviceContext::SelectClipRgn(const Region* region) {
    hasClip_ = region != nullptr;
    userClip_ = region ? *region : Region{};
    ResetClip();
}

void DeviceContext::ExtSelectClipRgn(const Region* region, RegionMode mode) {
    if (!region || mode == RegionMode::Copy) {
        SelectClipRgn(region);
        return;
    }
    if (hasClip_)
        userClip_.IntersectWith(*region);
    else
        userClip_ = *region;
    hasClip_ = true;
    ResetClip();
}

void DeviceContext::IntersectClipRect(const Rect& rect) {
    const Region r = Region::FromRect(rect);
    ExtSelectClipRgn(&r, RegionMode::And);
}

} // namespace vemora::gfx
