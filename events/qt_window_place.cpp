#include "events/qt_window_place.h"

#include <algorithm>

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen) CentreIn(window, screen->availableGeometry());
}

void CentreIn(QWidget& window, const QRect& area) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(area.center());
    // A window larger than the area keeps its caption on it.
    frame.moveTop(std::max(frame.top(), area.top()));
    frame.moveLeft(std::max(frame.left(), area.left()));
    window.move(frame.topLeft());
}

int FittingHeight(const QWidget& window, int roomy, const QRect& area) {
    constexpr int kCaptionAllowance = 30;
    const int frame = window.frameGeometry().height() - window.height();
    const int room = area.height() - (frame > 0 ? frame : kCaptionAllowance);
    return std::max(window.minimumSizeHint().height(), std::min(roomy, room));
}
