#pragma once
// A strip painted with the three-shade panel gradient, as the title strip and
// the date strip of the main window are.
#include <QColor>
#include <QWidget>

class TGradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGradientPanel(QWidget* parent = nullptr);
    void SetColors(const QColor& top, const QColor& middle, const QColor& bottom);
    QColor Top, Middle, Bottom;

protected:
    void paintEvent(QPaintEvent*) override;
};
