// The caption-less window in the tray: hiding and restoring by the button,
// the menu items, Escape, minimizing and the tray icon's clicks; what happens
// without a tray; dragging by the caption bar with snapping to the edges.
#include <gtest/gtest.h>

#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include "widgets/gradient_panel_widget.h"
#include "tests/ui/main_window.h"

namespace {

class TrayTest : public MainWindowTest {
protected:
    // Hidden to the tray, with "Restore" on offer, or shown, with "Hide".
    void ExpectInTray(bool inTray = true) {
        EXPECT_EQ(form->isVisible(), !inTray);
        EXPECT_EQ(form->HiddenToTray(), inTray);
        EXPECT_EQ(Action("RestoreItem")->isEnabled(), inTray);
        EXPECT_EQ(Action("HideItem")->isEnabled(), !inTray);
    }
    // What the system reports when the user clicks the tray icon.
    void ClickTrayIcon() {
        emit Part<QSystemTrayIcon>("TrayIcon")->activated(QSystemTrayIcon::Trigger);
        QApplication::processEvents();
    }
    // Drags `bar` (the caption bar or a control on it) from `from` until the
    // window's corner would be at `to`.
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton, QWidget* bar = nullptr) {
        if (!bar) bar = Part<TGradientPanel>("Panel1");
        const QPoint grip = bar->mapTo(form.get(), from);  // where the window is held
        QTest::mousePress(bar, button, {}, from);
        QTest::mouseMove(bar, from + (to - form->pos()));
        QTest::mouseRelease(bar, button, {}, bar->mapFromGlobal(to + grip));
        QApplication::processEvents();
    }
};

TEST_F(TrayTest, HiddenAndRestoredEveryWayWithoutATaskBarButton) {
    Start();
    EXPECT_EQ(form->windowType(), Qt::Tool);  // no task-bar button
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(Part<QSystemTrayIcon>("TrayIcon")->icon().isNull());
    EXPECT_EQ(Part<QSystemTrayIcon>("TrayIcon")->contextMenu(), Part<QMenu>("PopupMenu1"));
    ExpectInTray(false);

    // A calendar the user hid, its height given to the list, stays hidden
    // across hiding and restoring.
    const int listHeight = List()->height();
    ClickButton(form.get(), "SpeedButton3");
    QApplication::processEvents();
    ASSERT_TRUE(Calendar()->isHidden());
    EXPECT_EQ(List()->height(), listHeight + Calendar()->height());

    ClickButton(form.get(), "sbHideToTray");
    ExpectInTray();
    ClickMenuItem(Part<QMenu>("PopupMenu1"), Action("RestoreItem"));
    ExpectInTray(false);
    EXPECT_TRUE(form->ChildrenWereShown());
    EXPECT_TRUE(Calendar()->isHidden());
    EXPECT_TRUE(List()->isVisible());

    Activate(form.get());
    QTest::keyClick(List(), Qt::Key_Escape);
    ExpectInTray();
    ClickTrayIcon();
    ExpectInTray(false);
    ClickTrayIcon();  // shown already: it only comes to the front
    ExpectInTray(false);

    Trigger(form.get(), "HideItem");
    ExpectInTray();
    ClickTrayIcon();
    // Minimizing sends it to the tray too.
    form->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    ExpectInTray();
    EXPECT_FALSE(form->windowState() & Qt::WindowMinimized);
    ClickTrayIcon();
    ExpectInTray(false);
    EXPECT_TRUE(Calendar()->isHidden());
    Trigger(form.get(), "pmShowHideCalendar");  // the menu item shows it again, the list gives way
    QApplication::processEvents();
    EXPECT_TRUE(Calendar()->isVisible());
    EXPECT_EQ(List()->height(), listHeight);

    // Exit from the tray ends the program from either state.
    ClickButton(form.get(), "sbHideToTray");
    QSignalSpy closed(form.get(), &TMainForm::Closed);
    ClickMenuItem(Part<QMenu>("PopupMenu1"), Action("Quit1"));
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(TrayTest, WithoutATrayHidingMinimizesAndTheWindowKeepsItsTaskBarEntry) {
    env.tray = false;
    Start();
    EXPECT_EQ(form->windowType(), Qt::Window);
    // The button, the menu item and Esc minimize the window, which keeps its
    // task-bar entry; the item says so.
    const auto minimized = [&] {
        QApplication::processEvents();
        const bool m = form->isVisible() && (form->windowState() & Qt::WindowMinimized) && !form->HiddenToTray();
        form->setWindowState(Qt::WindowNoState);
        Activate(form.get());
        return m;
    };
    EXPECT_EQ(Action("HideItem")->text(), "Свернуть");
    ClickButton(form.get(), "sbHideToTray");
    EXPECT_TRUE(minimized());
    EXPECT_TRUE(Action("HideItem")->isEnabled());
    QTest::keyClick(List(), Qt::Key_Escape);
    EXPECT_TRUE(minimized());
    Trigger(form.get(), "HideItem");
    EXPECT_TRUE(minimized());

    // A tray that comes takes the window; one that goes gives it back.
    Timer("TrayWatch")->setInterval(5);
    env.tray = true;
    QTest::qWait(40);
    EXPECT_EQ(form->windowType(), Qt::Tool);
    EXPECT_TRUE(form->isVisible());
    ASSERT_TRUE(Action("HideItem")->isEnabled());
    EXPECT_EQ(Action("HideItem")->text(), "Скрыть в трей");
    Trigger(form.get(), "HideItem");
    ExpectInTray();
    env.tray = false;
    QTest::qWait(40);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->HiddenToTray());
    EXPECT_EQ(form->windowType(), Qt::Window);
    EXPECT_TRUE(Action("HideItem")->isEnabled());
    EXPECT_EQ(Action("HideItem")->text(), "Свернуть");
}

TEST_F(TrayTest, TheCaptionBarDragsTheWindowAndItClingsToTheEdges) {
    Start();
    // The work area is 1280 x 984; the window 265 x 545.
    const int right = 1280 - 265, bottom = 984 - 545;
    form->move(500, 200);
    Drag({40, 10}, {right - 10, 200});
    EXPECT_EQ(form->pos(), QPoint(right, 200));
    Drag({40, 10}, {right - 20, 200});
    EXPECT_EQ(form->pos(), QPoint(right - 20, 200));
    // Only the left button moves it: a window manager ends a move at the
    // left button's release, so one begun by another never ends.
    Drag({40, 10}, {600, 300}, Qt::MiddleButton);
    QTest::mouseMove(Part<TGradientPanel>("Panel1"), {90, 50});
    EXPECT_EQ(form->pos(), QPoint(right - 20, 200));
    Drag({40, 10}, {8, bottom + 12});
    EXPECT_EQ(form->pos(), QPoint(0, bottom));
    // The label passes its presses to the bar.
    Drag({5, 5}, {300, 100}, Qt::LeftButton, Part<QLabel>("Label1"));
    EXPECT_EQ(form->pos(), QPoint(300, 100));

    // The corner grip changes the height; the width stays. Its bottom edge
    // clings to the work area's bottom within 15 pixels, as a move does.
    QWidget* grip = Child(form.get(), "SizeGrip");
    const auto pull = [&](int by) {
        QTest::mousePress(grip, Qt::LeftButton, {}, {6, 6});
        QTest::mouseMove(grip, {6, 6 + by});
        QTest::mouseRelease(grip, Qt::LeftButton, {}, {6, 6 + by});
    };
    env.workArea = {0, 0, 1280, 760};  // a bottom the grip can reach on the test's screen
    pull(60);
    EXPECT_EQ(form->size(), QSize(265, 545 + 60));
    pull(760 - 100 - 605 - 10);  // to 10 pixels short of the bottom
    EXPECT_EQ(form->size(), QSize(265, 760 - 100));
    pull(-16);
    EXPECT_EQ(form->size(), QSize(265, 760 - 100 - 16));

    // The right button opens the menu and moves nothing.
    ClickAt(Part<TGradientPanel>("Panel1"), {40, 10}, Qt::RightButton);
    EXPECT_TRUE(Part<QMenu>("PopupToDo")->isVisible());
    Part<QMenu>("PopupToDo")->close();
    EXPECT_EQ(form->pos(), QPoint(300, 100));
}

}  // namespace
