#pragma once
// A strip painted with the three-shade panel gradient, as the title strip and
// the date strip of the main window are. The shades are theme colour values
// (0x00BBGGRR), split into channels as they stand.
#include <QWidget>

#include "settings/colors.h"

class TGradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGradientPanel(QWidget* parent = nullptr);
    void SetColors(TColor top, TColor middle, TColor bottom);
    TColor Top = clSilver, Middle = clBlue, Bottom = clSkyBlue;

protected:
    void paintEvent(QPaintEvent*) override;
};
