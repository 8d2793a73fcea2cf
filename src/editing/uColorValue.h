#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

// Colour values as the word list stores them: 0x00BBGGRR for a red-green-blue colour, or, when
// the high byte is 0xFF, a system colour named by its index in the low byte (0x0F, the button
// face, is what an entry without colour gets). System colours are taken from the palette, so
// they follow the desktop's theme.

// The palette role a system colour index stands for; unknown indexes give the button colour.
QPalette::ColorRole SystemColorRole(std::uint32_t Index);

// The colour a value paints with Palette.
QColor ColorFromValue(std::uint32_t Value, const QPalette& Palette);

// The value of an RGB colour: 0x00BBGGRR.
std::uint32_t ValueFromColor(const QColor& Color);
