// The device context's state: the target and redirects, background, text alignment and
// the clip region that every stage draws through.
#include "platform/gfx/device_context.h"

#include <utility>

namespace vemora::gfx {

DeviceContext::DeviceContext() {
    font_.Log.Height = HeightFromPoints(8);
    font_.Log.SetFaceName("Arial");
}

DeviceContext::DeviceContext(Bitmap* target) : DeviceContext() {
    SelectBitmap(target);
}

void DeviceContext::SelectBitmap(Bitmap* target) {
    target_ = target;
    limited_ = false;
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
    redirected_.Limited = limited_;
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
    limited_ = redirected_.Limited;
    hasClip_ = redirected_.HasClip;
    userClip_ = std::move(redirected_.UserClip);
    clip_ = std::move(redirected_.Clip);
}

void DeviceContext::ResetClip() {
    clip_ = Region::FromRect(target_ ? Rect{0, 0, target_->Width(), target_->Height()} : Rect{});
    if (limited_)
        clip_.IntersectWith(limit_);
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

void DeviceContext::LimitDrawing(const Region* area) {
    if (redirected_.Active)
        return;
    limited_ = area != nullptr;
    limit_ = area ? *area : Region{};
    ResetClip();
}

void DeviceContext::IntersectClipRect(const Rect& rect) {
    const Region r = Region::FromRect(rect);
    ExtSelectClipRgn(&r, RegionMode::And);
}

} // namespace vemora::gfx
