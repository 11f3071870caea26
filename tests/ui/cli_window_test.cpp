// dayloom-cli against the real main window: the same event file must give
// the lines the window's day list and reminder list hold.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "dayview/agenda.h"
#include "tests/ui/main_window.h"

namespace {

using Lines = std::vector<std::string>;

// Every kind of event around Monday 11 October 2010 (the fake clock's day).
TodoItems EveryKind() {
    return Store({
        Event("Врач", At(2010, 10, 11, 10, 0)).Alert(4),                           // "за 15 мин"
        Event("Звонок", At(2010, 10, 11, 12, 30)).Alert(0),                        // "Не напоминать"
        Event("Поезд", At(2010, 10, 12, 8, 0)).Alert(9),                           // "за 1 день"
        Event("Отчёт", At(2010, 10, 10, 9, 0)).Until(At(2010, 10, 13, 18, 0)),
        Event("Ремонт", At(2010, 10, 12, 10, 0)).Until(At(2010, 10, 14, 18, 0)),
        Event("Сдано", At(2010, 10, 9, 9, 0)).Until(At(2010, 10, 12, 18, 0)).Done(),
        Event("Совещание", At(2010, 10, 11, 8, 0)).Alert(7).Lasting(2, 2),         // "за 1 час"
        Event("Поездка", At(2010, 10, 12, 7, 0)).Alert(3).Lasting(3, 3),
        Event("Зарядка", At(2010, 10, 1, 7, 0)).Repeat("1", "3"),                  // daily
        Event("Бассейн", At(2010, 10, 4, 19, 30)).Alert(2).Repeat("1", "4"),       // weekly
        Event("Тренировка", At(2010, 10, 6, 18, 0)).Alert(5).Repeat("0", "0", "42"),  // Mon, Wed, Fri
        Event("Планёрка", At(2010, 10, 1, 9, 30)).Repeat("1", "3").Done(),
        Event("Оплата", At(2010, 1, 20, 11, 0)).Repeat("1", "5"),                  // monthly
    });
}

Lines Rows(const TodoItems& copies) {
    Lines out;
    for (const TTodoItem& c : copies) out.push_back(utf8(c.Category) + '\t' + utf8(c.Subject));
    return out;
}

Lines ReminderRows(const TodoItems& copies) {
    Lines out;
    for (const TTodoItem& c : copies)
        if (c.ImageIndex != 0 && !c.Complete)
            out.push_back(FormatCliMoment(c.DueDate) + '\t' + utf8(c.Subject));
    return out;
}

Lines Split(const std::string& text) {
    Lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

class CliWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        SaveEvents(EveryKind());
        Start();
    }
    // The command as a user runs it, with the fake clock as its clock.
    Lines Cli(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        EXPECT_EQ(RunDayloomCli(args, out, err, Data(), env.now), 0) << err.str();
        EXPECT_EQ(err.str(), "");
        return Split(out.str());
    }
};

// Today at start, other days clicked on the calendar, and a later moment as
// the window's periodic rebuild shows it; the reminder list as the window
// rebuilds it after a change, less what the timer would skip.
TEST_F(CliWindowTest, DayListsAndRemindersAreTheWindows) {
    ASSERT_EQ(form->LastLoad().status, LoadReport::Status::Ok);
    ASSERT_EQ(Rows(form->TodoListShow->Items()).size(), 7u);  // the fixture really covers the day
    EXPECT_EQ(Cli({"agenda"}), Rows(form->TodoListShow->Items()));
    form->UpDateAlertList(env.now);
    EXPECT_EQ(Cli({"reminders"}), ReminderRows(form->TodoListAlert));

    for (const char* date : {"2010-10-09", "2010-10-10", "2010-10-12", "2010-10-13", "2010-10-15",
                             "2010-10-17", "2010-10-18", "2010-10-20"}) {
        ClickDay(form->PlannerCalendar1, *ParseCliDate(date));
        const Lines rows = Rows(form->TodoListShow->Items());
        EXPECT_FALSE(rows.empty()) << date;
        EXPECT_EQ(Cli({"agenda", "--date", date}), rows) << date;
    }
    env.now = At(2010, 10, 13, 12, 0);
    ClickDay(form->PlannerCalendar1, Day(2010, 10, 13));
    EXPECT_EQ(Cli({"agenda"}), Rows(form->TodoListShow->Items()));
    form->UpDateAlertList(env.now);
    EXPECT_EQ(Cli({"reminders"}), ReminderRows(form->TodoListAlert));
}

}  // namespace
