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

// The default palette, entry index mod 16 (negative indexes give entry 0).
TColor PaletteColor(int32_t index);

} // namespace vemora
