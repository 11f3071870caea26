#include "widgets/gradient_panel_widget.h"

#include <QPainter>

#include "widgets/gradient.h"

TGradientPanel::TGradientPanel(QWidget* parent) : QWidget(parent) {}

void TGradientPanel::SetColors(uint32_t top, uint32_t middle, uint32_t bottom) {
    Top = top;
    Middle = middle;
    Bottom = bottom;
    update();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto bands = CreateGradient(height(), Top, Middle, Bottom);
    for (int i = 0; i < static_cast<int>(bands.size()); ++i) {
        const uint32_t c = bands[static_cast<size_t>(i)];
        p.fillRect(0, i, width(), 1, QColor(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF));
    }
}
