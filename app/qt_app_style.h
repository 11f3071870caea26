#pragma once
// The application's look-and-feel adjustments: the hint pause the day list
// sets when the mouse enters a new row.
#include <QProxyStyle>

class TAppStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    // Milliseconds before a hint shows (the application's hint pause).
    static inline int HintPause = 700;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;
};
