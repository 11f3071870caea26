// The main window on a prepared event file, driven as a user drives it: the
// day list follows the calendar and the clicks, the menu items and keys act
// on what is highlighted, marks follow deletions, reminders reach the alert
// window.
#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "dayview/form_alert.h"
#include "widgets/tab_set_widget.h"
#include "events/safe_file.h"
#include "events/todo_edit_dlg.h"
#include "tests/ui/main_window.h"

namespace {

class DayViewTest : public MainWindowTest {
protected:
    TTodoList* list = nullptr;
    TPlannerCalendar* calendar = nullptr;

    void Start(std::initializer_list<TTodoItem> events) {
        SaveEvents(Store(events));
        ASSERT_TRUE(WriteFileAtomically(env.dir / "ding.wav", "RIFF").ok);  // the default sound
        MainWindowTest::Start();
        list = List();
        calendar = Calendar();
    }
    void Key(Qt::Key key) {
        QTest::keyClick(list, key);
        QApplication::processEvents();
    }
    // Nothing highlighted and no command that acts on a selection.
    void ExpectNoSelection() {
        EXPECT_EQ(list->ItemIndex(), -1);
        EXPECT_FALSE(Panel()->HasSelection());
        EXPECT_FALSE(Action("ToDo_PropertiesEvent1")->isEnabled());
        EXPECT_FALSE(Action("ToDo_DeleteItem1")->isEnabled());
        EXPECT_FALSE(Action("pmCompleted1")->isEnabled());
    }
};

TEST_F(DayViewTest, DayListFollowsTheCalendarAndTheClicks) {
    Start({Event("Обед", At(2010, 10, 11, 13, 0)), Event("Утро", At(2010, 10, 11, 8, 0)),
           Event("Завтра", At(2010, 10, 12, 10, 0))});
    EXPECT_EQ(DayList(), QStringList({"Утро", "Обед"}));
    EXPECT_EQ(list->CellText(0, 1), "08:00");
    ExpectNoSelection();

    Key(Qt::Key_Return);  // nothing clicked yet: Enter opens nothing
    EXPECT_EQ(env.modalRuns, 0);

    ClickRow(list, 1);
    EXPECT_TRUE(Panel()->HasSelection());
    EXPECT_TRUE(Action("ToDo_PropertiesEvent1")->isEnabled());
    EXPECT_TRUE(Action("ToDo_DeleteItem1")->isEnabled());
    EXPECT_TRUE(Action("pmCompleted1")->isEnabled());
    EXPECT_FALSE(Action("pmCompleted1")->isChecked());
    Key(Qt::Key_Return);  // Enter on a clicked row opens the editor on it
    EXPECT_EQ(env.modalRuns, 1);
    EXPECT_EQ(Part<TToDoEditDlg>("ToDoEditDlg")->SubjectName->text(), "Обед");

    ClickDay(calendar, Day(2010, 10, 12));
    EXPECT_EQ(DayList(), QStringList({"Завтра"}));
    ExpectNoSelection();

    ClickRow(list, 0);
    ClickButton(form.get(), "SpeedButton4");  // go to today
    EXPECT_EQ(calendar->Date(), Day(2010, 10, 11));
    EXPECT_EQ(DayList(), QStringList({"Утро", "Обед"}));
    ExpectNoSelection();  // the row clicked before is no longer highlighted
}

TEST_F(DayViewTest, BrowsingToTheSameDayOfAnotherMonthShowsThatDay) {
    Start({Event("Октябрь", At(2010, 10, 9, 10, 0)), Event("Ноябрь", At(2010, 11, 9, 10, 0)),
           Event("Год спустя", At(2011, 11, 9, 10, 0))});
    ClickDay(calendar, Day(2010, 10, 9));
    ASSERT_EQ(DayList(), QStringList({"Октябрь"}));
    ClickRow(list, 0);
    ClickAt(calendar, calendar->NextButtonRect().center());
    EXPECT_EQ(calendar->Date(), Day(2010, 11, 9));
    EXPECT_EQ(DayList(), QStringList({"Ноябрь"}));
    ExpectNoSelection();
    ClickAt(calendar, calendar->YearRect().center());  // the year menu: one year on
    QMenu* years = calendar->OpenMenu();
    ASSERT_NE(years, nullptr);
    for (QAction* a : years->actions())
        if (a->text() == "2011") a->trigger();
    EXPECT_EQ(calendar->Date(), Day(2011, 11, 9));
    EXPECT_EQ(DayList(), QStringList({"Год спустя"}));
}

TEST_F(DayViewTest, HintOfARowCarriesStartAndNotes) {
    Start({Event("Встреча", At(2010, 10, 11, 10, 0)).Notes("Взять папку")});
    QTest::mouseMove(list->viewport(), list->ItemRect(0).center());
    EXPECT_TRUE(list->Hint.startsWith("Начало: 11.10.2010 10:00:00")) << list->Hint.toStdString();
    EXPECT_TRUE(list->Hint.contains("Взять папку"));
    EXPECT_EQ(Panel()->LastHintedRow(), 0);
}

TEST_F(DayViewTest, DelKeepsTheMarkUntilTheLastEventOfTheDayGoes) {
    const TDateTime day = Day(2010, 10, 11);
    Start({Event("Первое", day + 0.4), Event("Второе", day + 0.5)});
    ASSERT_TRUE(Marked(day));
    ClickRow(list, 0);
    Key(Qt::Key_Delete);
    EXPECT_EQ(DayList(), QStringList({"Второе"}));
    EXPECT_TRUE(Marked(day));
    EXPECT_EQ(form->Reminders().size(), 1u);  // today: its reminder went too
    ExpectNoSelection();

    Key(Qt::Key_Delete);  // nothing clicked since the rebuild: nothing goes
    EXPECT_EQ(Events().Count(), 1);

    ClickRow(list, 0);
    Trigger(form.get(), "ToDo_DeleteItem1");
    EXPECT_EQ(Events().Count(), 0);
    EXPECT_FALSE(Marked(day));
}

TEST_F(DayViewTest, CompletionTogglesBothWaysFromSpaceAndFromTheMenuItem) {
    Start({Event("Звонок", At(2010, 10, 11, 9, 30))});
    ClickRow(list, 0);
    auto done = [&] {
        EXPECT_EQ(list->Items()[0].Complete, Events()[0].Complete);
        EXPECT_EQ(Action("pmCompleted1")->isChecked(), Events()[0].Complete);
        return Events()[0].Complete;
    };
    Key(Qt::Key_Space);
    EXPECT_TRUE(done());
    EXPECT_EQ(list->ItemIndex(), 0);  // the copy changes in place; the row stays highlighted
    env.now = At(2010, 10, 11, 9, 31);
    form->TimerAlertTimer();
    EXPECT_FALSE(AlertWindow()->isVisible()) << "a completed event does not remind";

    Key(Qt::Key_Space);
    EXPECT_FALSE(done());
    ClickMenuItem(Part<QMenu>("PopupToDo"), Action("pmCompleted1"));
    EXPECT_TRUE(done());
    ClickMenuItem(Part<QMenu>("PopupToDo"), Action("pmCompleted1"));
    EXPECT_FALSE(done());
    form->TimerAlertTimer();
    EXPECT_TRUE(AlertWindow()->isVisible());
}

TEST_F(DayViewTest, PurgeDropsPastEventsAndTheirMarks) {
    const TDateTime yesterday = At(2010, 10, 10, 23, 59);
    Start({Event("Вчера", yesterday), Event("Сегодня", Day(2010, 10, 11))});
    ASSERT_TRUE(Marked(yesterday));
    QTest::keyClick(list, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(Events().Count(), 1);
    EXPECT_EQ(Events()[0].Subject, ansi("Сегодня"));
    EXPECT_FALSE(Marked(yesterday));
    EXPECT_TRUE(Timer("TimerAlert")->isActive());
}

TEST_F(DayViewTest, RepetitionsAreMarkedAndBrowsingRefreshesTheMarks) {
    Start({Event("Планёрка", At(2010, 10, 13, 10, 0)).Repeat("1", "4"),
           Event("Квартал", At(2010, 10, 20, 9, 0)).Repeat("3", "5")});
    for (int d : {13, 20, 27}) EXPECT_TRUE(Marked(Day(2010, 10, d))) << d;
    EXPECT_FALSE(Marked(Day(2010, 10, 14)));
    QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->NextButtonRect().center());
    QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->NextButtonRect().center());
    EXPECT_TRUE(Marked(Day(2010, 12, 29)));
    EXPECT_FALSE(Marked(Day(2010, 12, 20))) << "every 3 months: not in December";
    EXPECT_TRUE(Marked(Day(2011, 1, 20)));
}

TEST_F(DayViewTest, RightClickOnADayMovesTheSelectedEventAndOpensNoMenu) {
    Start({Event("Встреча", At(2010, 10, 11, 9, 0))});
    ClickDay(calendar, Day(2010, 10, 20), Qt::RightButton);  // nothing selected: the menu
    EXPECT_TRUE(Part<QMenu>("PopupToDo")->isVisible());
    EXPECT_EQ(env.modalRuns, 0);
    Part<QMenu>("PopupToDo")->hide();

    ClickRow(list, 0);
    env.modal = [](QDialog&) { return int(QDialog::Accepted); };
    ClickDay(calendar, Day(2010, 10, 20), Qt::RightButton);
    EXPECT_EQ(env.modalRuns, 1);
    EXPECT_FALSE(Part<QMenu>("PopupToDo")->isVisible());
    EXPECT_EQ(Events()[0].CreationDate, At(2010, 10, 20, 9, 0));
    EXPECT_TRUE(Marked(Day(2010, 10, 20)));
    EXPECT_FALSE(Marked(Day(2010, 10, 11)));
}

TEST_F(DayViewTest, ReminderRaisesATabWithTheNotesAndSurvivesClosing) {
    Start({Event("Встреча", At(2010, 10, 11, 10, 0)).Alert(4).Notes("Переговорная 3"),
           Event("Обед", At(2010, 10, 11, 13, 0)).Notes("Кафе")});
    env.now = At(2010, 10, 11, 9, 44, 59);
    form->TimerAlertTimer();
    EXPECT_FALSE(AlertWindow()->isVisible());
    env.now = At(2010, 10, 11, 9, 45);
    form->TimerAlertTimer();
    ASSERT_TRUE(AlertWindow()->isVisible());
    EXPECT_EQ(env.sound.plays, 1);
    ASSERT_EQ(AlertWindow()->TabSetMsg->count(), 1);
    EXPECT_EQ(AlertWindow()->TabSetMsg->tabText(0), "Встреча [10:00:00]");
    EXPECT_EQ(AlertWindow()->MemoMsg->toPlainText(), "Переговорная 3");

    AlertWindow()->close();
    env.now += 60 * kOneMinute;
    form->TimerAlertTimer();  // fired once: no second tab
    EXPECT_EQ(AlertWindow()->TabSetMsg->count(), 1);
    EXPECT_EQ(env.sound.plays, 1);

    env.now = At(2010, 10, 11, 13, 0);
    form->TimerAlertTimer();  // the next reminder brings the window back with both tabs
    ASSERT_TRUE(AlertWindow()->isVisible());
    ASSERT_EQ(AlertWindow()->TabSetMsg->count(), 2);
    EXPECT_EQ(AlertWindow()->TabSetMsg->currentIndex(), 1);
    EXPECT_EQ(AlertWindow()->MemoMsg->toPlainText(), "Кафе");

    // The first event goes; its tab no longer shows anyone else's notes.
    ClickRow(list, 0);
    Key(Qt::Key_Delete);
    QTest::mouseClick(AlertWindow()->TabSetMsg, Qt::LeftButton, {},
                      AlertWindow()->TabSetMsg->tabRect(0).center());
    EXPECT_EQ(AlertWindow()->MemoMsg->toPlainText(), "Это событие удалено.");

    Trigger(form.get(), "Quit2");  // closing the program takes the alert window along
    EXPECT_FALSE(AlertWindow()->isVisible());
}

// A laptop that sleeps through its reminders, and clocks that change: every
// reminder due in the jump is raised once (one just after midnight is due the
// evening before), the calendar and the day list follow the day, and going
// back an hour raises nothing twice.
TEST_F(DayViewTest, ClockJumpsRaiseEachReminderOnce) {
    Start({Event("Вечер", At(2010, 10, 11, 22, 0)), Event("Ночь", At(2010, 10, 11, 23, 30)),
           Event("Утро", At(2010, 10, 12, 0, 10)).Alert(5), Event("Завтра днём", At(2010, 10, 12, 14, 0))});
    env.now = At(2010, 10, 11, 21, 0);
    form->TimerAlertTimer();
    env.now = At(2010, 10, 12, 2, 0);  // asleep for five hours, across midnight
    form->TimerAlertTimer();
    form->TimerAlertTimer();  // the new day's reminders come from the tick after the roll-over
    EXPECT_EQ(calendar->Date(), Day(2010, 10, 12));
    EXPECT_EQ(DayList(), QStringList({"Утро", "Завтра днём"}));
    QStringList tabs;
    for (int i = 0; i < AlertWindow()->TabSetMsg->count(); ++i) tabs << AlertWindow()->TabSetMsg->tabText(i);
    EXPECT_EQ(tabs, QStringList({"Вечер [22:00:00]", "Ночь [23:30:00]", "Утро [0:10:00]"}));
    const int plays = env.sound.plays;

    env.now = At(2010, 10, 12, 1, 0, 30);  // the clock goes back an hour
    for (int i = 0; i < 3; ++i) {
        form->TimerAlertTimer();
        env.now = AddMinutes(env.now, 20);
    }
    EXPECT_EQ(AlertWindow()->TabSetMsg->count(), 3);
    EXPECT_EQ(env.sound.plays, plays);
    EXPECT_EQ(calendar->Date(), Day(2010, 10, 12));
}

}  // namespace
