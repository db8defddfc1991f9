#include "platform/gfx/device_context.h"

#include "platform/gfx/dc_internal.h"

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
