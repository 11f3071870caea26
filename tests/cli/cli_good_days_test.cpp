#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "events/ansi.h"
#include "events/event_file.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"
#include "tools/cli_dispatch.h"

namespace {

class CliGoodDays : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string data = (folder.path() / "data").string();

    int Run(std::vector<std::string> args) {
        std::istringstream in;
        out.str({});
        err.str({});
        return RunCli(args, in, out, err, folder.path() / "default", At(2010, 3, 1, 12, 0));
    }
    TodoItems Stored() {
        TodoItems store;
        EXPECT_EQ(LoadFromFile(folder.path() / "data" / "ListToDo.db", store).status, LoadReport::Status::Ok);
        return store;
    }
    std::ostringstream out, err;
};

TEST_F(CliGoodDays, AddAgainAnotherDayOfBirthThenRemove) {
    // The option's value is not taken for the verb.
    ASSERT_EQ(Run({"--data", data, "--birth-day", "13", "good-days", "--year", "2010", "--months", "3"}), 0)
        << err.str();
    EXPECT_EQ(out.str(), "Благоприятные дни (13), 2010. Добавлено событий: 7.\n");
    TodoItems store = Stored();
    ASSERT_EQ(store.Count(), 7);
    // A simple event at 07:00 without a reminder, empty notes, marked as favourable days.
    TTodoItem first = Event("#13 : Отличный день.", At(2010, 3, 1, 7, 0)).Alert(0);
    first.Notes = {""};
    first.Imported = TImportKind::FavourableDays;
    EXPECT_EQ(SaveToBytes(Store({store[0]})), SaveToBytes(Store({first})));

    // The same days without the kind's text are the same days.
    ASSERT_EQ(Run({"good-days", "--data", data, "--birth-day", "13", "--year", "2010", "--months", "3",
                   "--no-kind-text"}), 0);
    EXPECT_EQ(out.str(), "Благоприятные дни (13), 2010. Добавлено событий: 0, уже были в списке: 7.\n");

    // Another day of birth, with the options' other form; "#1" leaves "#13".
    ASSERT_EQ(Run({"good-days", "--data", data, "--birth-day=1", "--year=2010", "--months=3,4", "--no-kind-text"}), 0);
    EXPECT_EQ(out.str(), "Благоприятные дни (1), 2010. Добавлено событий: 16.\n");
    ASSERT_EQ(Run({"good-days", "--remove", "--data", data, "--birth-day", "1", "--year", "2010"}), 0);
    EXPECT_EQ(out.str(), "Благоприятные дни (1), 2010. Удалено событий: 16.\n");
    ASSERT_EQ(Run({"good-days", "--remove", "--data", data, "--birth-day", "13", "--year", "2010", "--months", "3"}), 0);
    EXPECT_EQ(out.str(), "Благоприятные дни (13), 2010. Удалено событий: 7.\n");
    EXPECT_EQ(Stored().Count(), 0);
}

TEST_F(CliGoodDays, AnyFaultExitsWithOneAndLeavesTheFile) {
    ASSERT_EQ(Run({"good-days", "--data", data, "--birth-day", "29", "--year", "2012", "--months", "2"}), 0);
    const std::string before = TempFolder::Read(folder.path() / "data" / "ListToDo.db");
    struct Case { std::vector<std::string> args; const char* says; };
    const Case cases[] = {
        {{"--birth-day", "0", "--year", "2010"}, "от 1 до 31"},
        {{"--birth-day", "32", "--year", "2010"}, "от 1 до 31"},
        {{"--birth-day", "+5", "--year", "2010"}, "от 1 до 31"},
        {{"--year", "2010"}, "--birth-day"},
        {{"--birth-day", "13", "--year", "1900"}, "от 1901 до 9999"},
        {{"--birth-day", "13", "--year", "10000"}, "от 1901 до 9999"},
        {{"--birth-day", "13", "--year", "99999999999999999999"}, "от 1901 до 9999"},
        {{"--birth-day", "13"}, "--year"},
        {{"--birth-day", "13", "--year", "2010", "--months", "0"}, "месяцев"},
        {{"--remove", "--no-kind-text", "--birth-day", "13", "--year", "2010"}, "--no-kind-text"},
        {{"--birth-day", "13", "--year", "2010", "лишнее"}, "лишний аргумент"},
        {{"--birth-day", "13", "--year", "2010", "--kind", "moon"}, "неизвестный параметр --kind"},
        {{"--birth-day", "13", "--year", "2010", "--data", ""}, "пустое значение --data"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"good-days"};
        if (std::find(c.args.begin(), c.args.end(), "--data") == c.args.end()) args.insert(args.end(), {"--data", data});
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(Run(args), 1) << c.says;
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
    }
    EXPECT_EQ(TempFolder::Read(folder.path() / "data" / "ListToDo.db"), before);

    TempFolder::Write(folder.path() / "data" / "ListToDo.db", "abc");
    EXPECT_EQ(Run({"good-days", "--data", data, "--birth-day", "13", "--year", "2010"}), 1);
    EXPECT_NE(err.str().find("повреждён"), std::string::npos) << err.str();
    EXPECT_EQ(TempFolder::Read(folder.path() / "data" / "ListToDo.db"), "abc");
}

}  // namespace
