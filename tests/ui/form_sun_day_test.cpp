// The favourable-days window opened from the main window's menu and played
// through its controls: the day of birth, the months and the year, adding and
// removing; the store, the day list, the marks and the options follow.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>

#include "import/form_sun_day.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window.h"

namespace {

class GoodDaysWindowTest : public MainWindowTest {
protected:
    TFormSunDay* sun = nullptr;

    void SetUp() override {
        env.now = At(2010, 3, 22, 9, 0);  // a Monday
        Start();
        sun = Part<TFormSunDay>("FormSunDay");
    }
    void Open(std::function<void()> user) { OpenModal("pmFindGoodDays1", std::move(user)); }
    void ToggleMonth(int m) { ToggleRow(sun->ListMonth, m); }
    void TypeYear(const char* text) {
        QTest::keyClick(sun->edCurYear, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(sun->edCurYear, Qt::Key_Backspace);
        Type(sun->edCurYear, QString::fromUtf8(text));
    }
    std::vector<int> CheckedMonths() {
        std::vector<int> out;
        for (int i = 0; i < sun->ListMonth->count(); ++i)
            if (sun->ListMonth->item(i)->checkState() == Qt::Checked) out.push_back(i);
        return out;
    }
};

TEST_F(GoodDaysWindowTest, OpeningTakesTheCalendarsYearMonthAndDayOfBirth) {
    // The day of birth the last run used, kept in the options file.
    form->close();
    std::vector<std::string> lines = SplitLines(TempFolder::Read(Data() / "user_options"));
    ASSERT_EQ(lines.size(), 11u);
    lines[7] = "13";
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    TempFolder::Write(Data() / "user_options", text);
    form.reset();
    Start();
    sun = Part<TFormSunDay>("FormSunDay");
    Open([&] {
        EXPECT_EQ(sun->edCurYear->text(), "2010");
        EXPECT_EQ(CheckedMonths(), std::vector<int>{3});
        EXPECT_EQ(sun->BoxBDay->currentIndex(), 13);
        EXPECT_EQ(sun->PanelSoulNum->text(), "Число души: 4");
        // The user looks around and leaves without adding.
        Choose(sun->BoxBDay, 29);
        EXPECT_EQ(sun->PanelSoulNum->text(), "Число души: 2");
        Choose(sun->BoxBDay, 0);
        ToggleMonth(6);
        TypeYear("2012");
        QTest::mouseClick(sun->ChBAboutDay, Qt::LeftButton);
    });
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 13);

    // The calendar's year follows into the year field as months are browsed.
    QTest::keyClick(Calendar(), Qt::Key_PageDown);
    EXPECT_EQ(sun->edCurYear->text(), "2010");
    for (int i = 0; i < 9; ++i) QTest::keyClick(Calendar(), Qt::Key_PageDown);
    EXPECT_EQ(sun->edCurYear->text(), "2011");

    Open([&] {
        EXPECT_EQ(sun->edCurYear->text(), "2011");
        EXPECT_EQ(CheckedMonths(), std::vector<int>{1});
        EXPECT_EQ(sun->BoxBDay->currentIndex(), 13);
        EXPECT_EQ(sun->PanelSoulNum->text(), "Число души: 4");
        EXPECT_FALSE(sun->ChBAboutDay->isChecked());  // kept as the user left it
        ToggleMonth(0);  // "All" checks the twelve
        EXPECT_EQ(CheckedMonths().size(), 13u);
    });
}

TEST_F(GoodDaysWindowTest, OnlyDigitsReachTheYearAndAYearOutOfRangeAddsNothing) {
    RestartWith({Event("Врач", At(2010, 3, 22, 10, 0))});
    sun = Part<TFormSunDay>("FormSunDay");
    const std::string before = SaveToBytes(Events());
    Open([&] {
        Choose(sun->BoxBDay, 13);
        TypeYear("2a0б1-2 ");
        EXPECT_EQ(sun->edCurYear->text(), "2012");
        QApplication::clipboard()->setText(QStringLiteral("19x9 9"));
        TypeYear("");
        QTest::keyClick(sun->edCurYear, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(sun->edCurYear->text(), "1999");

        for (const char* year : {"1900", "0", "10000", "99999999999999999999"}) {
            TypeYear(year);
            QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
            QTest::mouseClick(sun->BtnDelete, Qt::LeftButton);
            EXPECT_EQ(sun->edCurYear->text(), year);
            EXPECT_EQ(sun->edCurYear->selectedText(), year);  // ready to be typed over
            EXPECT_TRUE(sun->BtnAdd->isEnabled());
        }
        // A field cleared to empty takes the calendar's year.
        TypeYear("");
        QTest::mouseClick(sun->BtnDelete, Qt::LeftButton);
        EXPECT_EQ(sun->edCurYear->text(), "2010");
    });
    EXPECT_EQ(env.messages.size(), 8);
    for (const QString& m : env.messages) EXPECT_EQ(m, "Текущий год должен быть числом от 1901 до 9999.");
    EXPECT_EQ(SaveToBytes(Events()), before);
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 0);
}

TEST_F(GoodDaysWindowTest, AddingThenRemovingLeavesTheStoreAsItWas) {
    RestartWith({Event("Врач", At(2010, 3, 22, 10, 0)), Event("#1 : мой день", At(2010, 3, 4, 7, 0)).Alert(0).Notes("")});
    sun = Part<TFormSunDay>("FormSunDay");
    const std::string before = SaveToBytes(Events());
    std::vector<int> steps;
    QObject::connect(sun->Progress1, &QProgressBar::valueChanged, [&](int v) { steps.push_back(v); });
    Open([&] {
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);  // no day of birth
        Choose(sun->BoxBDay, 13);
        ToggleMonth(3);  // March off: no month
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
        EXPECT_TRUE(steps.empty());
        ToggleMonth(0);
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
        EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0}));
        EXPECT_TRUE(sun->BtnAdd->isEnabled());
        EXPECT_TRUE(sun->BtnDelete->isEnabled());
    });
    EXPECT_EQ(env.messages.size(), 2);  // no day of birth, then no month: the library's words
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 13);
    const int added = Events().Count() - 2;
    EXPECT_GT(added, 50);
    EXPECT_EQ(env.infos, QStringList({QStringLiteral("Добавлено событий: %1.").arg(added)}));
    EXPECT_EQ(DayList(), QStringList({"#13 : Очень благоприятный день.", "Врач"}));
    EXPECT_TRUE(Marked(Day(2010, 3, 1)));
    EXPECT_TRUE(Timer("TimerAlert")->isActive());

    // March again (opening checks the calendar's month alone), and the days of birth 1 in March.
    Open([&] {
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
        Choose(sun->BoxBDay, 1);
        QTest::mouseClick(sun->ChBAboutDay, Qt::LeftButton);
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
    });
    EXPECT_EQ(env.messages.size(), 2);
    EXPECT_EQ(env.infos.mid(1), QStringList({"Добавлено событий: 0, уже были в списке: 7.", "Добавлено событий: 8."}));
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 1);
    EXPECT_EQ(Events().Count(), 2 + added + 8);

    // The days of 1 go and those of 13 stay; then those of 13 for the whole year.
    steps.clear();
    Open([&] {
        EXPECT_EQ(sun->BoxBDay->currentIndex(), 1);
        QTest::mouseClick(sun->BtnDelete, Qt::LeftButton);
        EXPECT_EQ(Events().Count(), 2 + added);
        Choose(sun->BoxBDay, 13);
        ToggleMonth(0);
        QTest::mouseClick(sun->BtnDelete, Qt::LeftButton);
    });
    EXPECT_EQ(steps.back(), 0);
    EXPECT_EQ(env.infos.mid(3), QStringList({"Удалено событий: 8.", QStringLiteral("Удалено событий: %1.").arg(added)}));
    EXPECT_EQ(SaveToBytes(Events()), before);
    EXPECT_EQ(DayList(), QStringList({"Врач"}));
    EXPECT_FALSE(Marked(Day(2010, 3, 1)));
    EXPECT_TRUE(Marked(Day(2010, 3, 4)));  // the user's own "#1 : мой день"
    EXPECT_TRUE(Timer("TimerAlert")->isActive());
}

TEST_F(GoodDaysWindowTest, TheDayOfBirthSurvivesARestart) {
    Open([&] {
        Choose(sun->BoxBDay, 29);
        QTest::mouseClick(sun->BtnAdd, Qt::LeftButton);
    });
    Restart();  // the options file's line is pinned by UserOptions
    sun = Part<TFormSunDay>("FormSunDay");
    EXPECT_EQ(form->CurrentOptions().BirthDayIndex, 29);
    Open([&] {
        EXPECT_EQ(sun->BoxBDay->currentIndex(), 29);
        EXPECT_EQ(sun->PanelSoulNum->text(), "Число души: 2");
    });
    EXPECT_GT(Events().Count(), 0);  // and the events came back with the event file

    if (const char* dir = std::getenv("DAYLOOM_SHOT_DIR")) {
        Open([&] {
            Choose(sun->BoxBDay, 13);
            QApplication::processEvents();
            sun->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/good_days.png"));
        });
    }
}

}  // namespace
