#include "canvas/colors.h"

namespace vemora {

namespace {

constexpr TColor kDefaultPalette[16] = {clRed,     clGreen,  clYellow, clBlue,   clWhite, clGray,
                                        clFuchsia, clTeal,   clNavy,   clMaroon, clLime,  clOlive,
                                        clPurple,  clSilver, clAqua,   clBlack};

TSystemColorProvider systemColors = nullptr;

} // namespace

void SetSystemColorProvider(TSystemColorProvider provider) {
    systemColors = provider;
}

TColor ClassicSystemColor(int32_t index) {
    switch (index) {
    case 0:  // scroll bar
    case 15: // button face
        return 0xC8D0D4;
    case 5:  // window
    case 20: // button highlight
        return clWhite;
    case 16: // button shadow
    case 17: // grey text
        return clGray;
    case 21: // dark shadow
        return 0x404040;
    case 22: // light
        return 0xC8D0D4;
    default: // window text, button text and the rest
        return clBlack;
    }
}

TColor ColorToRGB(TColor color) {
    if (!IsSystemColor(color))
        return color;
    const int32_t index = static_cast<int32_t>(color & 0xFF);
    return (systemColors ? systemColors(index) : ClassicSystemColor(index)) & 0xFFFFFF;
}

TColor DarkenColor(TColor color, uint8_t amount) {
    const TColor rgb = ColorToRGB(color);
    TColor result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t channel = (rgb >> shift) & 0xFF;
        result |= (channel > amount ? channel - amount : 0) << shift;
    }
    return result;
}

TColor PaletteColor(int32_t index) {
    return index < 0 ? kDefaultPalette[0] : kDefaultPalette[index % 16];
}

} // namespace vemora
