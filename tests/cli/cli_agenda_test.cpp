#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dayview/agenda.h"
#include "events/event_file.h"
#include "tests/support/mixed_store.h"
#include "tests/support/temp_folder.h"
#include "tools/cli_dispatch.h"
#include "tools/cli_support.h"

namespace {

// Monday 11 October 2010, 09:00.
const TDateTime kNow = At(2010, 10, 11, 9, 0);

TEST(Agenda, DatesAndMomentsAreReadStrictly) {
    struct Case { const char* text; bool ok; };
    for (const Case& c : {Case{"2010-10-11", true}, Case{"2012-02-29", true}, Case{"0001-01-01", true},
                          Case{"9999-12-31", true}, Case{"2010-02-29", false}, Case{"2010-04-31", false},
                          Case{"2010-13-01", false}, Case{"2010-00-10", false}, Case{"0000-01-01", false},
                          Case{"2010-1-11", false}, Case{"2010-10-11 ", false}, Case{" 2010-10-11", false},
                          Case{"2010/10/11", false}, Case{"+010-10-11", false}, Case{"", false},
                          Case{"11.10.2010", false}}) {
        const auto d = ParseCliDate(c.text);
        EXPECT_EQ(d.has_value(), c.ok) << c.text;
    }
    EXPECT_EQ(ParseCliDate("2010-10-11"), Day(2010, 10, 11));

    for (const Case& c : {Case{"2010-10-11 09:30", true}, Case{"2010-10-11 00:00", true},
                          Case{"2010-10-11 23:59", true}, Case{"2010-10-11 24:00", false},
                          Case{"2010-10-11 12:60", false}, Case{"2010-10-11 9:30", false},
                          Case{"2010-10-11T09:30", false}, Case{"2010-10-11 09:30:00", false},
                          Case{"2010-10-11", false}, Case{"2010-02-30 10:00", false},
                          Case{"2010-10-11 09-30", false}}) {
        const auto m = ParseCliMoment(c.text);
        EXPECT_EQ(m.has_value(), c.ok) << c.text;
    }
    EXPECT_EQ(ParseCliMoment("2010-10-11 09:30"), At(2010, 10, 11, 9, 30));
    // A moment a hair under the minute (subtracting offsets) still prints that minute.
    EXPECT_EQ(FormatCliMoment(At(2010, 10, 11, 10, 0) - 15 * kOneMinute), "2010-10-11 09:45");
}

// ---- the whole command ----

int FindByIdentityOfName(const TodoItems& store, const char* name) {
    for (int i = 0; i < store.Count(); ++i)
        if (store[i].Subject == ansi(name)) return i;
    return -1;
}

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir / "data");
        ASSERT_TRUE(SaveToFile(dir / "data" / "ListToDo.db", MixedStore(), false).ok);
    }
    int Run(std::vector<std::string> args, TDateTime clock = kNow) {
        out.str({});
        err.str({});
        return RunCli(args, in, out, err, dir / "data", clock);
    }
    TempFolder folder;
    const std::filesystem::path dir = folder.path();
    std::istringstream in;
    std::ostringstream out, err;
};

TEST_F(CliRun, PrintsTheLinesOfTheChosenCommand) {
    ASSERT_EQ(Run({"reminders", "--now", "2010-10-11 23:00"}), 0) << err.str();
    EXPECT_EQ(out.str(), "2010-10-11 07:00\tЗарядка\n2010-10-11 08:00\tПоезд\n"
                         "2010-10-11 09:00\tОтчёт\n2010-10-11 09:45\tВрач\n"
                         "2010-10-11 12:00\tСовещание\n2010-10-11 18:00\tТренировка\n2010-10-11 19:30\tБассейн\n");
    EXPECT_EQ(err.str(), "");

    // A reminder put off from the window is listed at its new moment.
    const TodoItems store = MixedStore();
    const TTodoItem& doctor = store[FindByIdentityOfName(store, "Врач")];
    SnoozeList snoozed;
    snoozed.Add({At(2010, 10, 11, 20, 0), doctor.Subject, Day(2010, 10, 11), doctor.CreationDate, doctor.Subject});
    ASSERT_TRUE(snoozed.Save(SnoozeFileIn(dir / "data")).ok);
    ASSERT_EQ(Run({"reminders", "--now", "2010-10-11 23:00"}), 0) << err.str();
    EXPECT_EQ(out.str(), "2010-10-11 07:00\tЗарядка\n2010-10-11 08:00\tПоезд\n"
                         "2010-10-11 09:00\tОтчёт\n"
                         "2010-10-11 12:00\tСовещание\n2010-10-11 18:00\tТренировка\n2010-10-11 19:30\tБассейн\n"
                         "2010-10-11 20:00\tВрач\n");
    std::filesystem::remove(SnoozeFileIn(dir / "data"));

    // search: upcoming first, then the past; --from and --to bound the start.
    ASSERT_EQ(Run({"search", "О"}, At(2010, 10, 11, 12, 0)), 0) << err.str();
    const std::string all = out.str();
    EXPECT_NE(all.find("\tОтчёт\n"), std::string::npos) << all;
    ASSERT_EQ(Run({"search", "ОТЧЕТ", "--from", "2010-10-01", "--to", "2010-10-31"}), 0) << err.str();
    EXPECT_EQ(out.str(), "2010-10-10\tОтчёт\n");
    EXPECT_EQ(Run({"search"}), 1);
    EXPECT_EQ(Run({"search", "x", "--from", "2010-10-31", "--to", "2010-10-01"}), 1);

    // --date defaults to the day of --now, --now to the clock, --data to the default folder.
    // A to-do that has not begun shows its start date, or its time once today is its start day.
    ASSERT_EQ(Run({"agenda", "--now", "2010-10-12 07:00"}, At(2030, 1, 1, 0, 0)), 0);
    const std::string tuesday = "07:00\tЗарядка\n08:00\tПоезд\n1 дн.\tОтчёт\n10:00\tРемонт\n";
    EXPECT_EQ(out.str(), tuesday);
    ASSERT_EQ(Run({"agenda"}, At(2010, 10, 12, 7, 0)), 0);
    EXPECT_EQ(out.str(), tuesday);
    ASSERT_EQ(Run({"--date=2010-10-12", "agenda", "--data=" + (dir / "data").string()}), 0);
    EXPECT_EQ(out.str(), "07:00\tЗарядка\n08:00\tПоезд\n2 дн.\tОтчёт\n12.10.2010\tРемонт\n");
    // A day without events prints nothing and succeeds.
    ASSERT_EQ(Run({"agenda", "--date", "2010-09-01"}), 0);
    EXPECT_EQ(out.str(), "");
}

TEST_F(CliRun, BadArgumentsFailWithAMessageAndNoOutput) {
    struct Case { std::vector<std::string> args; const char* inMessage; };
    const std::vector<Case> cases = {
        {{}, "не указана команда"},
        {{"week"}, "неизвестная команда «week»"},
        {{"week"}, "Использование"},
        {{"agenda", "--verbose"}, "неизвестный параметр --verbose"},
        {{"agenda", "-x"}, "неизвестный параметр -x"},
        {{"agenda", "--date"}, "у параметра --date нет значения"},
        {{"agenda", "--date", "2010-10-11", "--date=2010-10-12"}, "указан дважды"},
        {{"agenda", "reminders"}, "лишний аргумент «reminders»"},
        {{"reminders", "--date", "2010-10-11"}, "только к команде agenda"},
        {{"agenda", "--date", "2010-02-30"}, "неверная дата «2010-02-30»"},
        {{"agenda", "--now", "2010-10-11 25:00"}, "неверный момент «2010-10-11 25:00»"},
        {{"agenda", "--now", "завтра"}, "неверный момент"},
        {{"agenda", "--data="}, "пустое значение --data"},
        {{"agenda", "--date", "\x1B[2J"}, "неверная дата «\\x1B[2J»"},  // nothing raw reaches the terminal
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + ' ';
        EXPECT_EQ(Run(c.args), 1) << shown;
        EXPECT_EQ(out.str(), "") << shown;
        EXPECT_NE(err.str().find(c.inMessage), std::string::npos) << shown << "-> " << err.str();
    }
}

TEST_F(CliRun, AnEventFileThatIsNotWholeFailsWithoutPrinting) {
    const auto data = dir / "data";
    const std::string good = SaveToBytes(MixedStore());
    struct Case { const char* what; std::string bytes /* empty: no file */; const char* inMessage; };
    const std::vector<Case> cases = {
        {"missing", "", "нет файла событий"},
        {"shorter than its count", good.substr(0, good.size() - 3), "повреждён"},
        {"extra bytes", good + "xx", "повреждён"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(data / "ListToDo.db");
        if (!c.bytes.empty()) TempFolder::Write(data / "ListToDo.db", c.bytes);
        for (const char* cmd : {"agenda", "reminders"}) {
            EXPECT_EQ(Run({cmd, "--now", "2010-10-11 09:00"}), 1) << c.what;
            EXPECT_EQ(out.str(), "") << c.what << ' ' << cmd;
            EXPECT_NE(err.str().find(c.inMessage), std::string::npos) << c.what << ": " << err.str();
            EXPECT_NE(err.str().find("ListToDo.db"), std::string::npos) << err.str();
        }
        EXPECT_EQ(Run({"export-ics"}), 1) << c.what;
        EXPECT_EQ(out.str(), "") << c.what << " export-ics";
        EXPECT_NE(err.str().find(c.inMessage), std::string::npos) << c.what << ": " << err.str();
    }
    // A folder where the file should be, and a data folder that is not there.
    std::filesystem::remove(data / "ListToDo.db");
    std::filesystem::create_directories(data / "ListToDo.db");
    EXPECT_EQ(Run({"agenda"}), 1);
    EXPECT_NE(err.str().find("не читается"), std::string::npos) << err.str();
    EXPECT_EQ(Run({"agenda", "--data", (dir / "nowhere").string()}), 1);
    EXPECT_NE(err.str().find("нет файла событий"), std::string::npos) << err.str();
}

TEST_F(CliRun, ACyrillicDataFolderIsReadAndNamedInUtf8) {
    const auto data = dir / std::filesystem::path(u8"Мои данные");
    std::filesystem::create_directories(data);
    std::filesystem::copy_file(dir / "data" / "ListToDo.db", data / "ListToDo.db");
    ASSERT_EQ(Run({"agenda", "--data", Utf8Of(data), "--date", "2010-10-12"}), 0) << err.str();
    EXPECT_NE(out.str().find("Ремонт"), std::string::npos);
    EXPECT_EQ(Run({"agenda", "--data", Utf8Of(data / "нет")}), 1);
    EXPECT_NE(err.str().find("Мои данные"), std::string::npos) << err.str();
}

// The verbs read only the records that fall on the day in full, and decide
// that from a first look at each: the dates, the reminder choice, completion
// and the repetition. Over a month of days and moments, a store of every
// shape prints what the library lists from the whole store.
TEST_F(CliRun, EveryDayPrintsTheListOfTheWholeStore) {
    std::mt19937 rng(11);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    TodoItems store;
    for (int i = 0; i < 600; ++i) {
        // Starts around October 2010 at any minute, some a hair before midnight.
        TDateTime start = Day(2010, 9, 20) + pick(40) + pick(1440) * kOneMinute;
        if (pick(10) == 0) start = Day(2010, 9, 20) + pick(40) - 0.0004 / 86400;
        if (pick(10) == 0) start -= 400 + pick(2000);  // years back
        Event e("событие " + std::to_string(i), start);
        e.Alert(pick(10));
        switch (pick(8)) {
            case 0: break;
            case 1: e.Until(start + pick(4) + pick(100) / 100.0); break;
            case 2: e.Lasting(1 + pick(3), 2 + pick(3)); break;
            case 3: e.Repeat(std::to_string(1 + pick(3)), std::to_string(1 + pick(6))); break;
            case 4: e.Repeat("0", "0", std::to_string(1 + pick(127))); break;
            case 5: e.Repeat("x", std::to_string(pick(9)), pick(2) ? "" : "0"); break;
            case 6: e.Repeat("1", "3").Until(start + pick(3)); break;
            default: e.Item().CreationDate = pick(2) ? -1e7 : std::numeric_limits<double>::quiet_NaN(); break;
        }
        e.Done(pick(5) == 0);
        store.Add(e);
    }
    ASSERT_TRUE(SaveToFile(dir / "data" / "ListToDo.db", store, false).ok);
    const DayListFormats fmt{};
    auto joined = [](const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + '\n';
        return text;
    };
    int printed = 0;
    for (TDateTime day = Day(2010, 9, 25); day <= Day(2010, 10, 25); day += 1) {
        const std::string date = FormatCliMoment(day).substr(0, 10);
        ASSERT_EQ(Run({"agenda", "--date", date, "--now", "2010-10-11 09:00"}), 0) << err.str();
        EXPECT_EQ(out.str(), joined(AgendaLines(store, day, kNow, fmt))) << date;
        printed += !out.str().empty();
        for (const char* time : {"00:00", "07:45", "23:59"}) {
            const std::string now = date + " " + time;
            ASSERT_EQ(Run({"reminders", "--now", now}), 0) << err.str();
            EXPECT_EQ(out.str(), joined(ReminderLines(store, *ParseCliMoment(now), fmt))) << now;
        }
    }
    EXPECT_GT(printed, 25);
}

TEST_F(CliRun, AnOutputThatCannotBeWrittenIsAFailure) {
    out.setstate(std::ios::badbit);
    err.str({});
    EXPECT_EQ(RunCli({"agenda", "--now", "2010-10-11 09:00"}, in, out, err, dir / "data", kNow), 1);
    EXPECT_NE(err.str().find("не удалось вывести"), std::string::npos) << err.str();
}

}  // namespace
