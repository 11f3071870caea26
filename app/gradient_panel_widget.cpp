#include "app/gradient_panel_widget.h"

#include <QPainter>

#include "settings/gradient.h"

TGradientPanel::TGradientPanel(QWidget* parent) : QWidget(parent) {}

void TGradientPanel::SetColors(TColor top, TColor middle, TColor bottom) {
    Top = top;
    Middle = middle;
    Bottom = bottom;
    update();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto bands = CreateGradient(height(), Top, Middle, Bottom);
    for (int i = 0; i < static_cast<int>(bands.size()); ++i) {
        const Rgb c = ColorChannels(bands[static_cast<size_t>(i)]);
        p.fillRect(0, i, width(), 1, QColor(c.r, c.g, c.b));
    }
}
