#include "app/qt_app_style.h"

int TAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const {
    if (hint == SH_ToolTip_WakeUpDelay) return HintPause;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
