// Finding an event by typing: Ctrl+F opens the line, the matches show as the
// letters come, Enter or a double click goes to the event, Esc changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include "tests/ui/main_window.h"

namespace {

class SearchTest : public MainWindowTest {
protected:
    void SetUp() override {
        SaveEvents(Store({Event("Врач", At(2010, 10, 11, 10, 0)), Event("Ёлка", At(2010, 12, 28, 17, 0)),
                          Event("Обед", At(2010, 10, 11, 13, 0)).Notes("с Еленой"),
                          Event("Старая ёлка", At(2009, 12, 30, 17, 0))}));
        Start();
    }
    QLineEdit* Line() const { return Panel()->SearchLine(); }
    QStringList Found() const {
        QStringList rows;
        for (int i = 0; i < Panel()->SearchResults()->count(); ++i) rows << Panel()->SearchResults()->item(i)->text();
        return rows;
    }
    // The column is made on another thread: "Поиск…" stands until it is there.
    void TypeAndWait(const QString& text) {
        Type(Line(), text);
        for (int i = 0; i < 1000 && Found() == QStringList({"Поиск…"}); ++i) {
            QTest::qWait(5);
        }
    }
    void OpenByKeys() {
        QTest::keyClick(List(), Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(Line()->isVisible());
        ASSERT_TRUE(Line()->hasFocus());
    }
};

TEST_F(SearchTest, TypingFindsEnterGoesEscLeaves) {
    OpenByKeys();
    TypeAndWait(QStringLiteral("ел"));
    EXPECT_EQ(Found(), QStringList({"11.10.2010  Обед", "28.12.2010  Ёлка", "30.12.2009  Старая ёлка"}));
    EXPECT_FALSE(List()->isVisible());
    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) form->grab().save(QString::fromLocal8Bit(dir) + "/search.png");

    // Esc: the day list as it was, the window still there.
    QTest::keyClick(Line(), Qt::Key_Escape);
    EXPECT_FALSE(Line()->isVisible());
    EXPECT_TRUE(List()->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(DayList(), QStringList({"Врач", "Обед"}));

    // Enter on the second match: its day, the event selected.
    Action("pmFind")->trigger();
    Line()->clear();
    TypeAndWait(QStringLiteral("ЁЛК"));
    QTest::keyClick(Line(), Qt::Key_Down);
    QTest::keyClick(Line(), Qt::Key_Return);
    EXPECT_FALSE(Line()->isVisible());
    EXPECT_EQ(Calendar()->Date(), Day(2009, 12, 30));
    EXPECT_EQ(DayList(), QStringList({"Старая ёлка"}));
    EXPECT_EQ(List()->ItemIndex(), 0);
    EXPECT_TRUE(Action("ToDo_DeleteItem1")->isEnabled());

    // A double click on a match does the same; nothing found says so.
    OpenByKeys();
    Line()->clear();
    TypeAndWait(QStringLiteral("нет такого"));
    EXPECT_EQ(Found(), QStringList({"Ничего не найдено"}));
    Line()->clear();
    TypeAndWait(QStringLiteral("врач"));
    QListWidget* found = Panel()->SearchResults();
    QApplication::processEvents();  // the rows laid out
    const QRect r = found->visualItemRect(found->item(0));
    QTest::mouseClick(found->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(found->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(Calendar()->Date(), Day(2010, 10, 11));
    EXPECT_EQ(List()->ItemIndex(), 0);
}

}  // namespace
