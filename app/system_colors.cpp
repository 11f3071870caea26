#include "app/system_colors.h"

QColor PaintColor(TColor color) {
    const Rgb rgb = ColorToRGB(color, SystemColorRgb);
    return QColor(rgb.r, rgb.g, rgb.b);
}

TColor ColorOf(const QColor& c) {
    return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 |
           static_cast<TColor>(c.blue()) << 16;
}
