#pragma once

#include <QColor>
#include <cstdint>

// Colour reference 0x00BBGGRR, red in the lowest byte. A value with 0x80 in
// the top byte names a system colour by its index in the low byte.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGray = 0x808080;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clWindow = 0x80000005;
constexpr TColor clWindowText = 0x80000008;
constexpr TColor clBtnFace = 0x8000000F;

// System colours come from the application palette at the moment of the call.
QColor ColorToQColor(TColor color);
// Always a plain 0x00BBGGRR reference; alpha is dropped.
TColor QColorToColor(const QColor &color);
