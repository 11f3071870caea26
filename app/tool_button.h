#pragma once
// The small flat buttons of the window's strips: 22 x 22, named for tests.
#include <QPixmap>
#include <QString>
#include <QToolButton>

inline QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, const QString& glyph) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFixedSize(22, 22);
    if (!glyph.isEmpty()) b->setIcon(QPixmap(glyph));
    return b;
}
