#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include "dayview/tab_set.h"

#include "dayview/day_list.h"
#include "dayview/form_alert.h"
#include "dayview/reminder_tick.h"
#include "events/ansi.h"
#include "tests/ui/drive.h"

namespace {

const AlertColors kTheme{QColor(0x31, 0x6A, 0xC5), QColor(0xA8, 0xC8, 0xF0), QColor(Qt::white),
                         QColor(0x40, 0x40, 0x40)};

QString U(const std::string& cp1251) { return QString::fromStdString(utf8(cp1251)); }

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

TEST(FormAlert, CaptionSizeAndLook) {
    TFormAlert f;
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Сообщение"));
    EXPECT_TRUE(f.windowFlags() & Qt::Tool);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_NEAR(f.windowOpacity(), 220.0 / 255.0, 0.005);
    EXPECT_FALSE(f.testAttribute(Qt::WA_QuitOnClose));
    f.show();
    Settle();
    EXPECT_EQ(f.size(), QSize(522, 113));
    EXPECT_EQ(f.TabSetMsg->height(), 22);
    EXPECT_EQ(f.TabSetMsg->font().family(), "Tahoma");
    // The tab strip is at the bottom, the memo fills the rest.
    EXPECT_EQ(f.TabSetMsg->geometry().bottom(), f.height() - 1);
    EXPECT_EQ(f.MemoMsg->geometry(), QRect(0, 0, 522, 113 - 22));
    EXPECT_TRUE(f.MemoMsg->isReadOnly());
    EXPECT_EQ(f.MemoMsg->frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(f.MemoMsg->verticalScrollBar()->isVisible());
    const QFont memo = f.MemoMsg->font();
    EXPECT_EQ(memo.family(), "Trebuchet MS");
    EXPECT_EQ(memo.pixelSize(), 13);
    EXPECT_TRUE(memo.bold());
}

TEST(FormAlert, PlacedAtTheBottomRightOnEveryShowing) {
    TFormAlert f;
    f.SetPlacement(QRect(0, 0, 1280, 984), 1280);  // a task bar of 40 below
    f.ShowAndRaise();
    Settle();
    QRect g = f.frameGeometry();
    EXPECT_EQ(g.x() + g.width(), 1280);
    EXPECT_EQ(g.y() + g.height(), 984);

    f.close();
    f.SetPlacement(QRect(0, 30, 1024, 738), 1024);  // a panel on top, one below
    f.ShowAndRaise();
    Settle();
    g = f.frameGeometry();
    EXPECT_EQ(g.x() + g.width(), 1024);
    EXPECT_EQ(g.y() + g.height(), 768);
}

TEST(FormAlert, ColouredFromTheDayListOnEveryShowing) {
    TFormAlert f;
    AlertColors colours = kTheme;
    f.SetColorSource([&] { return colours; });
    f.AddTab(QString::fromUtf8("Первое [9:00:00]"));
    f.AddTab(QString::fromUtf8("Второе [9:30:00]"));
    f.SelectTab(0);
    f.ShowAndRaise();
    Settle();
    QImage img = f.grab().toImage();
    const QRect tab0 = f.TabSetMsg->tabRect(0).translated(f.TabSetMsg->pos());
    const QRect tab1 = f.TabSetMsg->tabRect(1).translated(f.TabSetMsg->pos());
    EXPECT_TRUE(Near(img.pixel(200, 40), kTheme.SelectionColor)) << "memo";
    EXPECT_TRUE(Near(img.pixel(tab0.x() + 4, tab0.center().y()), kTheme.SelectionColor)) << "selected tab";
    EXPECT_TRUE(Near(img.pixel(tab1.x() + 4, tab1.center().y()), kTheme.SelectionColorTo)) << "other tab";
    EXPECT_TRUE(Near(img.pixel(480, f.height() - 8), kTheme.CompletionFontColor)) << "strip";
    EXPECT_EQ(f.MemoMsg->palette().color(QPalette::Text), kTheme.SelectionFontColor);

    // A new theme shows at the next showing, not while it stays up.
    colours.SelectionColor = QColor(0x80, 0x20, 0x20);
    f.ShowAndRaise();
    EXPECT_EQ(f.AppliedColors().SelectionColor, kTheme.SelectionColor);
    f.close();
    f.ShowAndRaise();
    Settle();
    img = f.grab().toImage();
    EXPECT_TRUE(Near(img.pixel(200, 40), colours.SelectionColor));

    // Colours a theme left unset change nothing and break nothing.
    f.close();
    colours = AlertColors{};
    f.ShowAndRaise();
    EXPECT_TRUE(f.isVisible());
}

TEST(FormAlert, TabsShowTheirEventsNotes) {
    TFormAlert f;
    f.AddTab("one");
    EXPECT_EQ(f.MemoMsg->toPlainText(), "This event was deleted!");  // no look-up given
    QString first = QString::fromUtf8("Купить хлеб\r\nи молоко");
    f.SetNotesLookup([&](int tab) { return tab == 0 ? first : QString("This event was deleted!"); });
    f.AddTab("two");
    EXPECT_EQ(f.TabSetMsg->currentIndex(), 1);
    EXPECT_EQ(f.MemoMsg->toPlainText(), "This event was deleted!");
    f.TabSetMsg->setCurrentIndex(0);  // a click on the tab
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("Купить хлеб\nи молоко"));
    first = QString::fromUtf8("изменено");  // selecting the shown tab reads its notes again
    f.SelectTab(0);
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("изменено"));
    f.SelectTab(7);
    f.SelectTab(-1);
    EXPECT_EQ(f.TabSetMsg->currentIndex(), 0);
}

// The window driven by the tick, as the main window drives it: a deleted
// event's tab says so, the other tab still shows its own notes.
TEST(FormAlert, DrivenByTheTickAfterADeletion) {
    TodoItems store, alertList;
    auto add = [&](const char* name, int h, const char* note) {
        TTodoItem& e = store.Add();
        e.Subject = ansi(name);
        e.CreationDate = EncodeDateTime(2010, 10, 11, h, 0);
        e.Category = e.Project = e.Resource = "0";
        e.ImageIndex = 1;
        e.Notes = {ansi(note)};
    };
    add("Первое", 9, "первая заметка");
    add("Второе", 10, "вторая заметка");
    const TDateTime now = EncodeDateTime(2010, 10, 11, 11, 0);
    UpDateTdList(store, EncodeDate(2010, 10, 11), ListMode::Reminder, now, {}, alertList);
    ReminderMemory memory;
    TFormAlert f;
    f.SetNotesLookup([&](int tab) { return U(TabNotes(store, memory, tab)); });
    const TickActions a = ReminderTick({.now = now, .alertList = alertList, .soundPlaying = false,
                                        .alertShowing = f.isVisible(), .refreshTicks = 0,
                                        .lastRollDay = EncodeDate(2010, 10, 11), .fmt = {}},
                                       memory);
    for (const TickStep& s : a.steps) {
        if (s.kind == TickStep::RaiseTab) {
            f.ShowAndRaise();
            f.AddTab(U(s.text));
        } else if (s.kind == TickStep::SelectTab) {
            f.ShowAndRaise();
            f.SelectTab(s.tab);
        }
    }
    ASSERT_EQ(f.TabSetMsg->count(), 2);
    EXPECT_EQ(f.TabSetMsg->tabText(1), QString::fromUtf8("Второе [10:00:00]"));
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("вторая заметка"));
    store.Delete(0);
    f.SelectTab(0);
    EXPECT_EQ(f.MemoMsg->toPlainText(), "This event was deleted!");
    f.SelectTab(1);
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("вторая заметка"));
}

TEST(FormAlert, ClosingHidesAndTheTabsStay) {
    TFormAlert f;
    f.AddTab("a");
    f.AddTab("b");
    f.ShowAndRaise();
    Settle();
    EXPECT_TRUE(f.close());
    Settle();
    EXPECT_FALSE(f.isVisible());
    f.AddTab("c");  // the next reminder
    f.ShowAndRaise();
    Settle();
    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(f.TabSetMsg->count(), 3);
    EXPECT_EQ(f.TabSetMsg->tabText(0), "a");
    EXPECT_EQ(f.TabSetMsg->currentIndex(), 2);
}

// Writes a picture of the window when DAYLOOM_SHOT_DIR names a folder.
TEST(FormAlertShot, TwoTabsWithCyrillicNotes) {
    const QByteArray dir = qgetenv("DAYLOOM_SHOT_DIR");
    if (dir.isEmpty()) GTEST_SKIP() << "DAYLOOM_SHOT_DIR not set";
    TFormAlert f;
    f.SetColorSource([] { return kTheme; });
    const std::vector<QString> notes = {
        QString::fromUtf8("Позвонить в банк и уточнить остаток по вкладу"),
        QString::fromUtf8("Встреча с заказчиком в переговорной на третьем этаже.\r\n"
                          "Взять распечатку договора и образцы.\r\nОбсудить сроки поставки.\r\n"
                          "Пропуск заказан на проходной.")};
    f.SetNotesLookup([&](int tab) { return notes.at(static_cast<size_t>(tab)); });
    f.SetPlacement(QRect(0, 0, 1280, 984), 1280);
    f.AddTab(QString::fromUtf8("Звонок в банк [9:30:00]"));
    f.AddTab(QString::fromUtf8("Встреча с заказчиком [12.10.2010 10:00:00]"));
    f.ShowAndRaise();
    Settle();
    QDir().mkpath(QString::fromLocal8Bit(dir));
    EXPECT_TRUE(f.grab().save(QString::fromLocal8Bit(dir) + "/alert.png"));
}

}  // namespace
