#pragma once
// A strip painted with the three-shade panel gradient, as the title strip and
// the date strip of the main window are. The shades are theme colour values
// (0x00BBGGRR), split into channels as they stand.
#include <QWidget>

#include <cstdint>

class TGradientPanel : public QWidget {
    Q_OBJECT
public:
    explicit TGradientPanel(QWidget* parent = nullptr);
    void SetColors(uint32_t top, uint32_t middle, uint32_t bottom);
    uint32_t Top = 0xC0C0C0, Middle = 0xFF0000, Bottom = 0xF0CAA6;  // clSilver, clBlue, clSkyBlue

protected:
    void paintEvent(QPaintEvent*) override;
};
