// System colours from the Qt palette, for systems without GetSysColor.
#ifndef _WIN32

#include "app/system_colors.h"

#include <QGuiApplication>
#include <QPalette>

std::optional<Rgb> SystemColorRgb(int index) {
    const QPalette pal = QGuiApplication::palette();
    auto from = [](const QColor& c) { return Rgb{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue())}; };
    // The nearest palette role for each system colour the themes can name.
    switch (index) {
        case 0: case 15: return from(pal.color(QPalette::Button));            // scroll bar, button face
        case 1: case 4: case 30: return from(pal.color(QPalette::Window));     // desktop, menu, menu bar
        case 2: case 13: case 27: case 29: return from(pal.color(QPalette::Highlight));
        case 3: case 28: return from(pal.color(QPalette::Inactive, QPalette::Highlight));
        case 5: return from(pal.color(QPalette::Base));                        // window
        case 6: case 21: return from(pal.color(QPalette::Shadow));             // frame, 3D dark shadow
        case 7: case 8: return from(pal.color(QPalette::Text));                // menu text, window text
        case 9: case 14: return from(pal.color(QPalette::HighlightedText));
        case 10: case 11: case 22: return from(pal.color(QPalette::Midlight)); // borders, 3D light
        case 12: return from(pal.color(QPalette::Mid));                        // application workspace
        case 16: return from(pal.color(QPalette::Dark));                       // button shadow
        case 17: return from(pal.color(QPalette::Disabled, QPalette::Text));   // grey text
        case 18: return from(pal.color(QPalette::ButtonText));
        case 19: return from(pal.color(QPalette::Inactive, QPalette::HighlightedText));
        case 20: return from(pal.color(QPalette::Light));                      // button highlight
        case 23: return from(pal.color(QPalette::ToolTipText));
        case 24: return from(pal.color(QPalette::ToolTipBase));
        case 26: return from(pal.color(QPalette::Link));                       // hot light
        default: return std::nullopt;
    }
}

#endif  // !_WIN32
