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
        SaveEvents(MixedStore());
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
