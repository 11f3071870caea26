#pragma once
// Plays the user on the real controls: mouse clicks where a row, a day or a
// button is drawn, keys sent to the focused control, menu items triggered.
// Nothing here calls a handler directly.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

// The named child of `root`; fails the test when there is none.
template <class T = QWidget>
T* Child(const QObject* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no " << name;
    return found;
}

// Makes the window the active one, so its shortcuts answer.
inline void Activate(QWidget* window) {
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

inline void ClickButton(const QObject* root, const char* name) {
    if (auto* b = Child<QAbstractButton>(root, name)) QTest::mouseClick(b, Qt::LeftButton);
}

// The menu item as the user picks it: its shortcut or a click both end here.
inline void Trigger(const QObject* root, const char* actionName) {
    if (auto* a = Child<QAction>(root, actionName)) {
        ASSERT_TRUE(a->isEnabled()) << actionName << " is disabled";
        a->trigger();
    }
}

// The same for an item whose work goes on aside (a file read on a thread):
// waits until the item is on again, its work done.
inline void TriggerAndWait(const QObject* root, const char* actionName) {
    Trigger(root, actionName);
    if (auto* a = Child<QAction>(root, actionName)) {
        for (int i = 0; i < 2000 && !a->isEnabled(); ++i) QTest::qWait(5);
        ASSERT_TRUE(a->isEnabled()) << actionName << " did not finish";
    }
}

// Opens `menu` and clicks `item` with the mouse.
inline void ClickMenuItem(QMenu* menu, QAction* item) {
    menu->popup(QPoint(100, 100));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QApplication::processEvents();
}

inline void ClickRow(TTodoList* list, int row, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(list->viewport(), button, {}, list->ItemRect(row).center());
}
// The first press of a double click is a click of its own.
inline void DoubleClickRow(TTodoList* list, int row) {
    ClickRow(list, row);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->ItemRect(row).center());
}

// A mouse click; a right one also brings the context-menu request that the
// window system sends after the press.
inline void ClickAt(QWidget* w, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    if (button != Qt::RightButton) {
        QTest::mouseClick(w, button, {}, at);
    } else {
        QTest::mousePress(w, button, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &menu);
        QTest::mouseRelease(w, button, {}, at);
    }
    QApplication::processEvents();
}

inline void ClickDay(TPlannerCalendar* calendar, TDateTime day, Qt::MouseButton button = Qt::LeftButton) {
    const QRect cell = calendar->DateRect(day);
    ASSERT_FALSE(cell.isEmpty()) << "day not shown";
    ClickAt(calendar, cell.center(), button);
}

// Key by key, as typed: QTest::keyClicks cannot type Cyrillic.
inline void Type(QWidget* w, const QString& text) {
    for (const QChar ch : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}
// Selects all of a box's text and types `text` over it.
inline void Retype(QWidget* w, const QString& text) {
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Delete);
    Type(w, text);
}

// Checks or unchecks row `row` of a check list with the space bar.
inline void ToggleRow(QListWidget* list, int row) {
    list->setCurrentRow(row);
    QTest::keyClick(list, Qt::Key_Space);
}

// Picks item `index` of a drop-down list with the keyboard, as a user does.
inline void Choose(QComboBox* box, int index) {
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->currentIndex(), index);
}

// A painted pixel within `tol` of a colour in every channel.
inline bool Near(QRgb a, const QColor& b, int tol = 3) {
    return std::abs(qRed(a) - b.red()) <= tol && std::abs(qGreen(a) - b.green()) <= tol &&
           std::abs(qBlue(a) - b.blue()) <= tol;
}
