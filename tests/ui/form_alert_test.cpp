#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPlainTextEdit>
#include "widgets/tab_set_widget.h"

#include "dayview/form_alert.h"
#include "tests/ui/drive.h"

namespace {

const AlertColors kTheme{QColor(0x31, 0x6A, 0xC5), QColor(0xA8, 0xC8, 0xF0), QColor(Qt::white),
                         QColor(0x40, 0x40, 0x40)};

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Each showing puts the window at the bottom right of the work area and
// colours it from the day list; while it stays up, neither changes.
TEST(FormAlert, PlacedAndColouredOnEveryShowing) {
    TFormAlert f;
    EXPECT_FALSE(f.testAttribute(Qt::WA_QuitOnClose));  // closing it leaves the program running
    AlertColors colours = kTheme;
    f.SetColorSource([&] { return colours; });
    f.SetPlacement(QRect(0, 0, 1280, 984), 1280);  // a task bar of 40 below
    f.AddTab(QString::fromUtf8("Первое [9:00:00]"));
    f.AddTab(QString::fromUtf8("Второе [9:30:00]"));
    f.SelectTab(0);
    f.ShowAndRaise();
    Settle();
    EXPECT_EQ(f.frameGeometry().bottomRight(), QPoint(1279, 983));
    QImage img = f.grab().toImage();
    const QRect tab0 = f.TabSetMsg->tabRect(0).translated(f.TabSetMsg->pos());
    const QRect tab1 = f.TabSetMsg->tabRect(1).translated(f.TabSetMsg->pos());
    EXPECT_TRUE(Near(img.pixel(200, 40), kTheme.SelectionColor)) << "memo";
    EXPECT_TRUE(Near(img.pixel(tab0.x() + 4, tab0.center().y()), kTheme.SelectionColor)) << "selected tab";
    EXPECT_TRUE(Near(img.pixel(tab1.x() + 4, tab1.center().y()), kTheme.SelectionColorTo)) << "other tab";
    EXPECT_TRUE(Near(img.pixel(f.BtnSnooze->x() - 8, f.height() - 8), kTheme.CompletionFontColor)) << "strip";
    EXPECT_EQ(f.MemoMsg->palette().color(QPalette::Text), kTheme.SelectionFontColor);

    colours.SelectionColor = QColor(0x80, 0x20, 0x20);
    f.ShowAndRaise();
    EXPECT_EQ(f.AppliedColors().SelectionColor, kTheme.SelectionColor);
    f.close();
    f.SetPlacement(QRect(0, 30, 1024, 738), 1024);  // a panel on top, one below
    f.ShowAndRaise();
    Settle();
    EXPECT_EQ(f.frameGeometry().bottomRight(), QPoint(1023, 767));
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
    EXPECT_EQ(f.MemoMsg->toPlainText(), "Это событие удалено.");  // no look-up given
    QString first = QString::fromUtf8("Купить хлеб\r\nи молоко");
    f.SetNotesLookup([&](int tab) { return tab == 0 ? first : QString("Это событие удалено."); });
    f.AddTab("two");
    EXPECT_EQ(f.TabSetMsg->currentIndex(), 1);
    EXPECT_EQ(f.MemoMsg->toPlainText(), "Это событие удалено.");
    f.TabSetMsg->setCurrentIndex(0);  // a click on the tab
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("Купить хлеб\nи молоко"));
    first = QString::fromUtf8("изменено");  // selecting the shown tab reads its notes again
    f.SelectTab(0);
    EXPECT_EQ(f.MemoMsg->toPlainText(), QString::fromUtf8("изменено"));
    f.SelectTab(7);
    f.SelectTab(-1);
    EXPECT_EQ(f.TabSetMsg->currentIndex(), 0);
}

// Thousands of tabs: each is measured once, the selected one is scrolled
// into view, and the arrows scroll the strip by a tab.
TEST(FormAlert, ManyTabsScrollAndTheSelectedOneShows) {
    TFormAlert f;
    f.show();
    Settle();
    QStringList many;
    for (int i = 0; i < 3000; ++i) many << QStringLiteral("Событие %1 [9:00:00]").arg(i);
    f.AddTabs(many);
    TTabSet& tabs = *f.TabSetMsg;
    ASSERT_EQ(tabs.count(), 3000);
    EXPECT_EQ(tabs.currentIndex(), 2999);
    EXPECT_TRUE(tabs.tabRect(2999).isValid());
    EXPECT_LE(tabs.tabRect(2999).right(), tabs.leftArrowRect().left());
    EXPECT_FALSE(tabs.tabRect(0).isValid());
    const int first = tabs.firstVisible();
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.leftArrowRect().center());
    EXPECT_EQ(tabs.firstVisible(), first - 1);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(first - 1).center());
    EXPECT_EQ(tabs.currentIndex(), first - 1);
    f.SelectTab(0);
    EXPECT_EQ(tabs.firstVisible(), 0);
    EXPECT_TRUE(tabs.tabRect(0).isValid());
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
