#include "app/gradient_panel_widget.h"

#include <QPainter>

#include "settings/gradient.h"

TGradientPanel::TGradientPanel(QWidget* parent)
    : QWidget(parent), Top(0xC0, 0xC0, 0xC0), Middle(0, 0, 0xFF), Bottom(166, 202, 240) {}

void TGradientPanel::SetColors(const QColor& top, const QColor& middle, const QColor& bottom) {
    Top = top;
    Middle = middle;
    Bottom = bottom;
    update();
}

void TGradientPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto rgb = [](const QColor& c) { return static_cast<uint32_t>(c.rgb() & 0xFFFFFF); };
    const auto bands = CreateGradient(height(), rgb(Top), rgb(Middle), rgb(Bottom));
    for (int i = 0; i < static_cast<int>(bands.size()); ++i)
        p.fillRect(0, i, width(), 1, QColor::fromRgb(bands[static_cast<size_t>(i)]));
}
