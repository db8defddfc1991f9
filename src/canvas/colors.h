// Colour values of the chart: 0x00BBGGRR for an explicit colour, 0xFF0000nn for a system
// colour, and the two sentinels clDefault (take the owner's colour) and clNone (no colour:
// a null point).
#pragma once

#include <cstdint>

namespace vemora {

using TColor = uint32_t;

constexpr TColor clDefault = 0x20000000;
constexpr TColor clNone = 0x1FFFFFFF;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colours: 0xFF000000 plus the platform's system colour index.
constexpr TColor clScrollBar = 0xFF000000;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clGrayText = 0xFF000011;
constexpr TColor clBtnText = 0xFF000012;
constexpr TColor clBtnHighlight = 0xFF000014;
constexpr TColor cl3DDkShadow = 0xFF000015;
constexpr TColor cl3DLight = 0xFF000016;

constexpr bool IsSystemColor(TColor c) {
    return (c & 0xFF000000u) == 0xFF000000u;
}

// Where system colours come from: the window's palette in the program, the classic
// defaults otherwise (button face 0xC8D0D4, highlight white, shadow grey, text black).
using TSystemColorProvider = TColor (*)(int32_t index);
void SetSystemColorProvider(TSystemColorProvider provider); // nullptr: classic defaults
TColor ClassicSystemColor(int32_t index);

// The explicit colour of a system colour; every other value is returned unchanged.
TColor ColorToRGB(TColor color);

// The default palette, entry index mod 16 (negative indexes give entry 0).
TColor PaletteColor(int32_t index);

// Darkening of the shaded faces of 3D shapes.
constexpr uint8_t DarkSideAmount = 128;
constexpr uint8_t DarkTopAmount = 64;

// Each of red, green and blue loses the amount, down to 0; system colours are resolved
// first.
TColor DarkenColor(TColor color, uint8_t amount);

} // namespace vemora
