// The main window on a prepared event file: the day list follows the
// calendar, the menus follow the selection, marks follow deletions, and
// reminders reach the alert window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "app/main_form.h"
#include "dayview/form_alert.h"
#include "events/ansi.h"
#include "events/event_file.h"
#include "events/safe_file.h"
#include "tests/ui/fake_environment.h"
#include "widgets/planner_calendar.h"
#include "widgets/todo_list.h"

namespace {

TTodoItem Event(const char* name, TDateTime start, int alert = 1, const char* notes = "") {
    TTodoItem it;
    it.Subject = ansi(name);
    it.CreationDate = start;
    it.ImageIndex = alert;
    it.Category = "0";
    it.Project = "0";
    it.Resource = "0";
    it.SetNotesText(ansi(notes));
    return it;
}

class DayViewTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    FakeEnvironment env;
    std::unique_ptr<TMainForm> form;

    void Start(const std::vector<TTodoItem>& events) {
        env.dir = tmp.path().toStdString();
        std::filesystem::create_directories(env.dir / "dayloom_data");
        TodoItems items;
        for (const TTodoItem& e : events) items.Add() = e;
        ASSERT_TRUE(SaveToFile(env.dir / "dayloom_data" / "ListToDo.db", items).ok);
        ASSERT_TRUE(WriteFileAtomically(env.dir / "ding.wav", "RIFF").ok);  // the default sound
        form = std::make_unique<TMainForm>(env);
        form->show();
        QApplication::processEvents();
        form->TimerAlert->stop();  // the tests tick by hand
    }
    void TearDown() override {
        if (form) form->close();
    }
    QStringList Names() const {
        QStringList out;
        const TodoItems& shown = form->TodoListShow->Items();
        for (int i = 0; i < shown.Count(); ++i) out << QString::fromStdString(utf8(shown[i].Subject));
        return out;
    }
    void Select(int row) {
        form->TodoListShow->SetItemIndex(row);
        form->TodoListShowClick();
    }
    bool Marked(TDateTime day) { return form->PlannerCalendar1->Events().Find(day) >= 0; }
};

TEST_F(DayViewTest, DayListFollowsTheCalendarAndTheSelection) {
    Start({Event("Обед", EncodeDateTime(2010, 10, 11, 13, 0)), Event("Утро", EncodeDateTime(2010, 10, 11, 8, 0)),
           Event("Завтра", EncodeDateTime(2010, 10, 12, 10, 0))});
    EXPECT_EQ(Names(), QStringList({"Утро", "Обед"}));
    EXPECT_EQ(form->TodoListShow->CellText(0, 1), "08:00");
    EXPECT_FALSE(form->ToDo_PropertiesEvent1->isEnabled());

    // Enter with nothing selected does nothing and is consumed.
    EXPECT_TRUE(form->TodoListShowKeyPress(QLatin1Char('\r')));
    EXPECT_EQ(env.modalRuns, 0);
    EXPECT_FALSE(form->TodoListShowKeyPress(QLatin1Char('a')));

    Select(1);
    EXPECT_TRUE(form->DayListSelected);
    EXPECT_TRUE(form->ToDo_PropertiesEvent1->isEnabled());
    EXPECT_TRUE(form->ToDo_DeleteItem1->isEnabled());
    EXPECT_TRUE(form->pmCompleted1->isEnabled());
    EXPECT_FALSE(form->pmCompleted1->isChecked());

    form->PlannerCalendar1->ChangeDate(EncodeDate(2010, 10, 12));
    EXPECT_EQ(Names(), QStringList({"Завтра"}));
    EXPECT_FALSE(form->DayListSelected);
    EXPECT_FALSE(form->pmCompleted1->isEnabled());

    form->SpeedButton4Click();
    EXPECT_EQ(form->PlannerCalendar1->Date(), EncodeDate(2010, 10, 11));
    EXPECT_EQ(Names(), QStringList({"Утро", "Обед"}));
}

TEST_F(DayViewTest, HintOfARowCarriesStartAndNotes) {
    Start({Event("Встреча", EncodeDateTime(2010, 10, 11, 10, 0), 1, "Взять папку")});
    const QRect r = form->TodoListShow->ItemRect(0);
    form->TodoListShowMouseMove(r.center().x(), r.center().y());
    EXPECT_TRUE(form->TodoListShow->Hint.startsWith("Начало: 11.10.2010 10:00:00")) << form->TodoListShow->Hint.toStdString();
    EXPECT_TRUE(form->TodoListShow->Hint.contains("Взять папку"));
    EXPECT_EQ(form->LastHintedItem, 0);
}

TEST_F(DayViewTest, DeletingKeepsTheMarkUntilTheLastEventOfTheDayGoes) {
    const TDateTime day = EncodeDate(2010, 10, 11);
    Start({Event("Первое", day + 0.4), Event("Второе", day + 0.5)});
    ASSERT_TRUE(Marked(day));
    Select(0);
    form->ToDo_DeleteItem1Click();
    EXPECT_EQ(Names(), QStringList({"Второе"}));
    EXPECT_TRUE(Marked(day));
    EXPECT_EQ(form->TodoListAlert.Count(), 1);  // today: its reminder went too

    form->ToDo_DeleteItem1Click();  // nothing selected since the rebuild
    EXPECT_EQ(form->TodoListSrc.Count(), 1);

    Select(0);
    form->ToDo_DeleteItem1Click();
    EXPECT_EQ(form->TodoListSrc.Count(), 0);
    EXPECT_FALSE(Marked(day));
}

TEST_F(DayViewTest, CompletionToggleStrikesThroughAndSilencesTheReminder) {
    Start({Event("Звонок", EncodeDateTime(2010, 10, 11, 9, 30))});
    Select(0);
    form->pmCompleted1Click();
    EXPECT_TRUE(form->TodoListSrc[0].Complete);
    EXPECT_TRUE(form->TodoListShow->Items()[0].Complete);
    EXPECT_TRUE(form->pmCompleted1->isChecked());
    env.now = EncodeDateTime(2010, 10, 11, 9, 31);
    form->TimerAlertTimer();
    EXPECT_FALSE(form->FormAlert->isVisible());
    form->pmCompleted1Click();
    EXPECT_FALSE(form->TodoListSrc[0].Complete);
    form->TimerAlertTimer();
    EXPECT_TRUE(form->FormAlert->isVisible());
}

TEST_F(DayViewTest, PurgeDropsPastEventsAndTheirMarks) {
    const TDateTime yesterday = EncodeDateTime(2010, 10, 10, 23, 59);
    Start({Event("Вчера", yesterday), Event("Сегодня", EncodeDate(2010, 10, 11))});
    ASSERT_TRUE(Marked(yesterday));
    form->ToDo_deleteOldClick();
    ASSERT_EQ(form->TodoListSrc.Count(), 1);
    EXPECT_EQ(form->TodoListSrc[0].Subject, ansi("Сегодня"));
    EXPECT_FALSE(Marked(yesterday));
    EXPECT_TRUE(form->TimerAlert->isActive());
}

TEST_F(DayViewTest, WeeklyEventIsMarkedOnItsWeekdays) {
    TTodoItem weekly = Event("Планёрка", EncodeDateTime(2010, 10, 13, 10, 0));
    weekly.DueDate = weekly.CreationDate;
    weekly.Category = "1";
    weekly.Project = "4";
    Start({weekly});
    for (int d : {13, 20, 27}) EXPECT_TRUE(Marked(EncodeDate(2010, 10, d))) << d;
    EXPECT_FALSE(Marked(EncodeDate(2010, 10, 14)));
    form->PlannerCalendar1->ChangeDate(EncodeDate(2010, 12, 1));  // month change refreshes
    EXPECT_TRUE(Marked(EncodeDate(2010, 12, 29)));
}

TEST_F(DayViewTest, HidingTheCalendarGivesTheListItsHeight) {
    Start({});
    const int listHeight = form->TodoListShow->height();
    const qint64 shownIcon = form->SpeedButton3->icon().cacheKey();
    form->SpeedButton3Click();
    QApplication::processEvents();
    EXPECT_FALSE(form->PlannerCalendar1->isVisible());
    EXPECT_EQ(form->TodoListShow->height(), listHeight + 185);
    EXPECT_NE(form->SpeedButton3->icon().cacheKey(), shownIcon);
    form->SpeedButton3Click();
    QApplication::processEvents();
    EXPECT_TRUE(form->PlannerCalendar1->isVisible());
    EXPECT_EQ(form->TodoListShow->height(), listHeight);
}

TEST_F(DayViewTest, ReminderRaisesATabWithTheNotesAndSurvivesClosing) {
    Start({Event("Встреча", EncodeDateTime(2010, 10, 11, 10, 0), 4, "Переговорная 3"),
           Event("Обед", EncodeDateTime(2010, 10, 11, 13, 0), 1, "Кафе")});
    env.now = EncodeDateTime(2010, 10, 11, 9, 44, 59);
    form->TimerAlertTimer();
    EXPECT_FALSE(form->FormAlert->isVisible());
    env.now = EncodeDateTime(2010, 10, 11, 9, 45);
    form->TimerAlertTimer();
    ASSERT_TRUE(form->FormAlert->isVisible());
    EXPECT_EQ(env.sound.plays, 1);
    ASSERT_EQ(form->FormAlert->TabSetMsg->count(), 1);
    EXPECT_EQ(form->FormAlert->TabSetMsg->tabText(0), "Встреча [10:00:00]");
    EXPECT_EQ(form->FormAlert->MemoMsg->toPlainText(), "Переговорная 3");
    EXPECT_EQ(form->FormAlert->frameGeometry().bottomRight(), QPoint(1279, 983));

    form->FormAlert->close();
    EXPECT_FALSE(form->FormAlert->isVisible());
    env.now += 60 * kOneMinute;
    form->TimerAlertTimer();  // fired once: no second tab
    EXPECT_EQ(form->FormAlert->TabSetMsg->count(), 1);
    EXPECT_EQ(env.sound.plays, 1);

    env.now = EncodeDateTime(2010, 10, 11, 13, 0);
    form->TimerAlertTimer();  // the next reminder brings the window back with both tabs
    ASSERT_TRUE(form->FormAlert->isVisible());
    ASSERT_EQ(form->FormAlert->TabSetMsg->count(), 2);
    EXPECT_EQ(form->FormAlert->TabSetMsg->currentIndex(), 1);
    EXPECT_EQ(form->FormAlert->MemoMsg->toPlainText(), "Кафе");

    // The first event goes; its tab no longer shows anyone else's notes.
    form->TodoListSrc.Delete(0);
    form->FormAlert->SelectTab(0);
    EXPECT_EQ(form->FormAlert->MemoMsg->toPlainText(), "This event was deleted!");
    form->FormAlert->SelectTab(1);
    EXPECT_EQ(form->FormAlert->MemoMsg->toPlainText(), "Кафе");

    form->close();  // closing the program takes the alert window along
    EXPECT_FALSE(form->FormAlert->isVisible());
}

TEST_F(DayViewTest, MidnightRollsOverToTheNewDay) {
    Start({Event("Полночь", EncodeDateTime(2010, 10, 12, 0, 10), 5)});
    EXPECT_TRUE(Names().isEmpty());
    env.now = EncodeDateTime(2010, 10, 12, 0, 0, 1);
    form->TimerAlertTimer();
    EXPECT_EQ(form->PlannerCalendar1->Date(), EncodeDate(2010, 10, 12));
    EXPECT_EQ(Names(), QStringList({"Полночь"}));
    form->TimerAlertTimer();  // its reminder was due at 23:40
    EXPECT_TRUE(form->FormAlert->isVisible());
}

}  // namespace
