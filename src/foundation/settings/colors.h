#pragma once

#include <QString>
#include <cstdint>

// Colours as the settings files and the client programs hold them: 0x00BBGGRR. Values with
// 0xFF in the top byte stand for the colours of the desktop scheme (the low byte says which).

constexpr uint32_t clBlack = 0x000000;
constexpr uint32_t clMaroon = 0x000080;
constexpr uint32_t clGreen = 0x008000;
constexpr uint32_t clOlive = 0x008080;
constexpr uint32_t clNavy = 0x800000;
constexpr uint32_t clPurple = 0x800080;
constexpr uint32_t clTeal = 0x808000;
constexpr uint32_t clGray = 0x808080;
constexpr uint32_t clSilver = 0xC0C0C0;
constexpr uint32_t clRed = 0x0000FF;
constexpr uint32_t clLime = 0x00FF00;
constexpr uint32_t clYellow = 0x00FFFF;
constexpr uint32_t clBlue = 0xFF0000;
constexpr uint32_t clFuchsia = 0xFF00FF;
constexpr uint32_t clAqua = 0xFFFF00;
constexpr uint32_t clWhite = 0xFFFFFF;
constexpr uint32_t clMoneyGreen = 0xC0DCC0;
constexpr uint32_t clSkyBlue = 0xF0CAA6;
constexpr uint32_t clCream = 0xF0FBFF;
constexpr uint32_t clMedGray = 0xA4A0A0;
// No colour.
constexpr uint32_t clNone = 0x1FFFFFFF;
constexpr uint32_t clDefault = 0x20000000;

namespace qel {

// The name of the standard colour set for aColor ("clLime", "clBtnFace", ...), or "$" and
// eight upper-case hexadecimal digits for any other value.
QString ColorToText(uint32_t aColor);

// A colour name of the standard set, matched without regard to case, or an integer (decimal,
// or hexadecimal after "$" or "0x"; eight hexadecimal digits are taken as the 32-bit pattern).
// Raises EConvertError for anything else.
uint32_t TextToColor(const QString& aText);

// The colour of a standard colour name (without regard to case); false when it is none.
bool ColorNameToColor(const QString& aName, uint32_t& aColor);

}  // namespace qel
