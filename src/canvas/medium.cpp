// What every medium shares: the tools' platform values and the text measures.
#include "canvas/medium.h"

namespace vemora {

gfx::ColorRef ResolveColor(TColor color) {
    return ColorToRGB(color) & 0xFFFFFF;
}

gfx::PenStyle ToDevice(TPenStyle style) {
    switch (style) {
    case TPenStyle::psSolid:
        return gfx::PenStyle::Solid;
    case TPenStyle::psDash:
        return gfx::PenStyle::Dash;
    case TPenStyle::psDot:
        return gfx::PenStyle::Dot;
    case TPenStyle::psDashDot:
        return gfx::PenStyle::DashDot;
    case TPenStyle::psDashDotDot:
        return gfx::PenStyle::DashDotDot;
    case TPenStyle::psClear:
        return gfx::PenStyle::Clear;
    case TPenStyle::psInsideFrame:
        return gfx::PenStyle::InsideFrame;
    case TPenStyle::psAlternate:
        return gfx::PenStyle::Alternate;
    }
    return gfx::PenStyle::Solid;
}

gfx::PenMode ToDevice(TPenMode mode) {
    using M = gfx::PenMode;
    static constexpr M kModes[] = {M::Black,       M::White,      M::Nop,         M::Not,
                                   M::Copy,        M::NotCopy,    M::MergePenNot, M::MaskPenNot,
                                   M::MergeNotPen, M::MaskNotPen, M::Merge,       M::NotMerge,
                                   M::Mask,        M::NotMask,    M::Xor,         M::NotXor};
    return kModes[static_cast<size_t>(mode)];
}

gfx::BrushStyle ToDevice(TBrushStyle style) {
    return static_cast<gfx::BrushStyle>(static_cast<int>(style));
}

gfx::LogFont TMedium::LogicalFont() const {
    gfx::LogFont log;
    log.Height = gfx::ScalePixels(font_.Height(), pixelScale_);
    log.Weight = (font_.Style() & fsBold) ? gfx::FW_BOLD : gfx::FW_NORMAL;
    log.Italic = (font_.Style() & fsItalic) ? 1 : 0;
    log.Underline = (font_.Style() & fsUnderline) ? 1 : 0;
    log.StrikeOut = (font_.Style() & fsStrikeOut) ? 1 : 0;
    log.CharSet = font_.CharSet();
    log.SetFaceName(font_.Name());
    return log;
}

gfx::Size TMedium::TextExtent(std::string_view text) {
    gfx::DeviceContext& dc = Metrics();
    dc.CurrentFont().Log = LogicalFont();
    dc.CurrentFont().Color = ResolveColor(font_.Color());
    gfx::Size size;
    if (!dc.GetTextExtentPoint(text, size))
        return {};
    return size;
}

Rect TMedium::TextBounds(int32_t x, int32_t y, std::string_view text, const gfx::LogFont& font,
                         uint32_t align) {
    gfx::DeviceContext& dc = Metrics();
    const gfx::Font kept = dc.CurrentFont();
    const uint32_t keptAlign = dc.GetTextAlign();
    dc.CurrentFont().Log = font;
    dc.SetTextAlign(align);
    const Rect bounds = dc.TextBounds(x, y, text);
    dc.SetTextAlign(keptAlign);
    dc.CurrentFont() = kept;
    return bounds;
}

} // namespace vemora
