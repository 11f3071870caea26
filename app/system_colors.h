#pragma once
// Colour values of the themes as the shell paints them. A system colour
// ($FF0000nn) is looked up on the running system: the Qt palette on Linux,
// GetSysColor on Windows.
#include <QColor>

#include <optional>

#include "settings/colors.h"

// The system's colour nn; none for an index it does not know.
std::optional<Rgb> SystemColorRgb(int index);
// The colour to paint for a value; unknown system colours paint black.
QColor PaintColor(TColor color);
// The RGB value of a painted colour (0x00BBGGRR).
TColor ColorOf(const QColor& color);
