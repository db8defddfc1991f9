#include "canvas/colors.h"

namespace vemora {

namespace {

constexpr TColor kDefaultPalette[16] = {clRed,     clGreen,  clYellow, clBlue,   clWhite, clGray,
                                        clFuchsia, clTeal,   clNavy,   clMaroon, clLime,  clOlive,
                                        clPurple,  clSilver, clAqua,   clBlack};

} // namespace

TColor PaletteColor(int32_t index) {
    return index < 0 ? kDefaultPalette[0] : kDefaultPalette[index % 16];
}

} // namespace vemora
