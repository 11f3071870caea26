// "Отложить" on the alert window, played through its button and menu, then
// the fake clock: the reminder comes back once at its moment, with its
// notes, across restarts, and at once when its moment passed meanwhile.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "dayview/snooze.h"
#include "events/safe_file.h"
#include "tests/ui/main_window.h"
#include "widgets/tab_set_widget.h"

namespace {

class SnoozeTest : public MainWindowTest {
protected:
    void SetUp() override {
        SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0)).Notes("Кабинет 12"),
                          Event("Обед", At(2010, 10, 11, 13, 0)).Notes("Кафе")}));
        ASSERT_TRUE(WriteFileAtomically(env.dir / "ding.wav", "RIFF").ok);
        Start();
    }
    void TickAt(TDateTime now) {
        env.now = now;
        form->TimerAlertTimer();
    }
    int Tabs() const { return AlertWindow()->TabSetMsg->count(); }
    // Opens the button's menu as a click does and picks the item there.
    void SnoozeFor(const char* item) {
        QMenu* menu = AlertWindow()->BtnSnooze->menu();
        QTimer::singleShot(0, menu, [menu, item] {
            menu->findChild<QAction*>(QString::fromLatin1(item))->trigger();
            menu->close();
        });
        QTest::mouseClick(AlertWindow()->BtnSnooze, Qt::LeftButton);
    }
};

TEST_F(SnoozeTest, TheReminderComesBackAtItsMomentOnceAcrossRestarts) {
    TickAt(At(2010, 10, 11, 10, 0));
    ASSERT_EQ(Tabs(), 1);
    EXPECT_EQ(env.sound.plays, 1);
    QStringList items;
    for (const QAction* a : AlertWindow()->BtnSnooze->menu()->actions()) items << a->text();
    EXPECT_EQ(items, QStringList({"5 минут", "10 минут", "15 минут", "30 минут", "1 час", "завтра в это время"}));
    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        QMenu* menu = AlertWindow()->BtnSnooze->menu();
        menu->popup(AlertWindow()->mapToGlobal(QPoint(AlertWindow()->width() - 150, 0)));
        QApplication::processEvents();
        AlertWindow()->grab().save(QString::fromLocal8Bit(dir) + "/alert.png");
        menu->grab().save(QString::fromLocal8Bit(dir) + "/snooze_menu.png");
        menu->hide();
    }

    SnoozeFor("Snooze5");
    EXPECT_EQ(Tabs(), 0);
    EXPECT_FALSE(AlertWindow()->isVisible());
    TickAt(At(2010, 10, 11, 10, 4, 59));
    EXPECT_EQ(Tabs(), 0);
    TickAt(At(2010, 10, 11, 10, 5));
    ASSERT_EQ(Tabs(), 1);
    EXPECT_TRUE(AlertWindow()->isVisible());
    EXPECT_EQ(AlertWindow()->TabSetMsg->tabText(0), "Врач [10:00:00]");
    EXPECT_EQ(AlertWindow()->MemoMsg->toPlainText(), "Кабинет 12");
    EXPECT_EQ(env.sound.plays, 2);
    TickAt(At(2010, 10, 11, 10, 6));
    EXPECT_EQ(Tabs(), 1);
    EXPECT_EQ(env.sound.plays, 2);

    // Put off for an hour, then the program starts again: nothing before the hour.
    SnoozeFor("Snooze60");
    Restart();
    TickAt(At(2010, 10, 11, 10, 7));
    EXPECT_EQ(Tabs(), 0);
    TickAt(At(2010, 10, 11, 11, 6));
    ASSERT_EQ(Tabs(), 1);
    EXPECT_EQ(AlertWindow()->MemoMsg->toPlainText(), "Кабинет 12");
    TickAt(At(2010, 10, 11, 11, 7));
    EXPECT_EQ(Tabs(), 1);

    // Put off till tomorrow, the program closed meanwhile and started after
    // the moment: raised at the first tick, once, and the file forgets it.
    SnoozeFor("Snooze1440");
    form->close();
    form.reset();
    EXPECT_EQ(SnoozeList::Load(SnoozeFileIn(Data())).Items().size(), 1u);
    env.now = At(2010, 10, 12, 12, 0);
    Start();
    TickAt(At(2010, 10, 12, 12, 0));
    ASSERT_EQ(Tabs(), 1);
    EXPECT_EQ(AlertWindow()->TabSetMsg->tabText(0), "Врач [10:00:00]");
    TickAt(At(2010, 10, 12, 12, 1));
    EXPECT_EQ(Tabs(), 1);
    EXPECT_TRUE(SnoozeList::Load(SnoozeFileIn(Data())).Empty());
}

}  // namespace
