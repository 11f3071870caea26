#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/ansi.h"
#include "events/event_file.h"
#include "events/event_document.h"
#include "import/good_days.h"
#include "import/import_batch.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

constexpr int kSun = 1, kMon = 2, kTue = 3, kWed = 4, kThu = 5, kFri = 6, kSat = 7;

// "dd subject" of each event, readable.
std::vector<std::string> Shown(const std::vector<ZetNewEvent>& events) {
    std::vector<std::string> out;
    for (const ZetNewEvent& e : events) {
        const DateTimeParts p = DecodeDateTime(e.Start);
        out.push_back((p.day < 10 ? "0" : "") + std::to_string(p.day) + " " + utf8(e.Subject));
    }
    return out;
}

TEST(GoodDays, SoulNumber) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0}, {"", 0}, {"1", 1}, {"9", 9}, {"10", 1}, {"13", 4}, {"19", 1}, {"29", 2}, {"31", 4},
        {"99999999999", 9},  // 99 -> 18 -> 9
        {"2x9", 2},          // only digits count
    };
    for (const auto& [text, soul] : cases) EXPECT_EQ(GetSoulNumber(text), soul) << text;
}

TEST(GoodDays, KindOfDayByDateWeekdayAndPeriod) {
    struct Case { int day, month, weekday, soul; TDayKind kind; };
    using K = TDayKind;
    const Case cases[] = {
        // Day of birth 13 (soul 4).
        {1, 1, kTue, 4, K::None}, {1, 1, kSun, 4, K::Excellent}, {13, 3, kSat, 4, K::Good},
        {22, 3, kMon, 4, K::VeryFavourable},  // a good day inside 21 March .. 21 April
        {21, 3, kSun, 4, K::VeryFavourable}, {21, 3, kMon, 4, K::VeryFavourable},
        {21, 3, kSat, 4, K::VeryFavourable},
        {21, 3, kTue, 4, K::None},  // no kind, so the period gives none either
        {21, 4, kSat, 4, K::VeryFavourable},
        {22, 4, kTue, 4, K::Good},  // the period's last day is behind
        // Weekdays count from Sunday: Monday is 2.
        {2, 5, kMon, 2, K::Special}, {2, 5, kSun, 2, K::Good}, {19, 5, kSun, 1, K::Excellent},
        {19, 5, kTue, 1, K::Special}, {6, 5, kThu, 3, K::Excellent}, {6, 5, kFri, 3, K::Special},
        {14, 5, kFri, 5, K::Excellent}, {15, 6, kWed, 6, K::Special},
        {15, 5, kWed, 6, K::VeryFavourable},  // inside 20 April .. 20 May
        {31, 5, kWed, 7, K::Excellent}, {3, 5, kTue, 9, K::Excellent}, {9, 5, kFri, 9, K::Special},
        // Soul 8 at the turn of the year.
        {19, 1, kSat, 8, K::Special}, {19, 1, kSun, 8, K::Good}, {8, 1, kSat, 8, K::Excellent},
        {26, 1, kTue, 8, K::VeryFavourable},
        {20, 1, kSat, 8, K::None},  // inside the period, without a kind
        {26, 2, kSat, 8, K::VeryFavourable}, {28, 2, kSat, 8, K::Special}, {19, 12, kSun, 8, K::Good},
        {21, 12, kSun, 8, K::VeryFavourable}, {30, 12, kSun, 8, K::VeryFavourable},
        // Nothing for soul 0, for numbers that are no soul, for days that do not exist.
        {4, 3, kSun, 0, K::None}, {4, 3, kSun, 10, K::None}, {0, 3, kSun, 4, K::None},
        {4, 13, kSun, 4, K::None},
        {4, 3, 0, 1, K::Good},  // a weekday out of range is no weekday of the list
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetDayKind(c.day, c.month, c.weekday, c.soul), c.kind)
            << c.day << "." << c.month << " weekday " << c.weekday << " soul " << c.soul;
}

TEST(GoodDays, MarchOfAYearBeginningItOnAMonday) {
    ASSERT_EQ(DayOfWeek(Day(2010, 3, 1)), kMon);
    const std::vector<ZetNewEvent> march = Find_GoodDays(2010, 3, 4, 13, true);
    EXPECT_EQ(Shown(march), (std::vector<std::string>{
                                "01 #13 : Отличный день.", "04 #13 : Хороший день.", "13 #13 : Хороший день.",
                                "14 #13 : Отличный день.", "21 #13 : Очень благоприятный день.",
                                "22 #13 : Очень благоприятный день.", "31 #13 : Очень благоприятный день."}));

}

TEST(GoodDays, MonthsAreWalkedToTheirLastDay) {
    // Soul 2 has the 25th and the 29th of every month.
    EXPECT_EQ(Shown(Find_GoodDays(2012, 2, 2, 29, false)).back(), "29 #29");
    EXPECT_EQ(Shown(Find_GoodDays(2011, 2, 2, 29, false)).back(), "25 #29");
    EXPECT_EQ(Shown(Find_GoodDays(2000, 2, 2, 11, false)).back(), "29 #11");
    EXPECT_EQ(Shown(Find_GoodDays(1900, 2, 2, 11, false)).back(), "25 #11");
    EXPECT_EQ(Shown(Find_GoodDays(2010, 12, 4, 31, false)).back(), "31 #31");
    EXPECT_TRUE(Find_GoodDays(2010, 13, 4, 13, false).empty());
    EXPECT_TRUE(Find_GoodDays(10000, 1, 4, 13, false).empty());
}

TEST(GoodDays, YearField) {
    struct Case { const char* text; int calendar; bool ok; int year; };
    const Case cases[] = {
        {"", 2010, true, 2010},         {"2011", 2010, true, 2011},     {"1901", 2010, true, 1901},
        {"9999", 2010, true, 9999},     {"0002012", 2010, true, 2012},  {"1900", 2010, false, 0},
        {"0", 2010, false, 0},          {"10000", 2010, false, 0},      {"99999999999999999999", 2010, false, 0},
        {"20a1", 2010, false, 0},       {"-2010", 2010, false, 0},      {"", 1800, false, 0},
    };
    for (const Case& c : cases) {
        const SettledYear s = SettleGoodDaysYear(c.text, c.calendar);
        EXPECT_EQ(s.ok, c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(s.year, c.year) << c.text;
        }
        EXPECT_EQ(s.message, c.ok ? "" : "Текущий год должен быть числом от 1901 до 9999.") << c.text;
    }
}

TEST(GoodDays, ARequestWithoutDayYearOrMonthGivesNothing) {
    struct Case { int day, year; MonthChoice months; GoodDaysStatus status; const char* message; };
    const MonthChoice march = MonthChoice().Set(3);
    const Case cases[] = {
        {0, 2010, march, GoodDaysStatus::NoBirthDay, "Определите число месяца рождения."},
        {32, 2010, march, GoodDaysStatus::NoBirthDay, "Определите число месяца рождения."},
        {0, 0, MonthChoice(), GoodDaysStatus::NoBirthDay, "Определите число месяца рождения."},
        {13, 1900, march, GoodDaysStatus::BadYear, "Текущий год должен быть числом от 1901 до 9999."},
        {13, 10000, march, GoodDaysStatus::BadYear, "Текущий год должен быть числом от 1901 до 9999."},
        {13, 2010, MonthChoice(), GoodDaysStatus::NoMonths, "Выберите месяц(ы) для добавления."},
    };
    for (const Case& c : cases) {
        int calls = 0;
        const GoodDaysRun run = FindGoodDaysOfYear({c.day, c.year, c.months, true}, [&](int, int) { ++calls; });
        EXPECT_EQ(run.Status, c.status) << c.day << " " << c.year;
        EXPECT_EQ(run.Message, c.message);
        EXPECT_TRUE(run.Events.empty());
        EXPECT_EQ(calls, 0);
    }
    std::vector<int> steps;
    const GoodDaysRun year = FindGoodDaysOfYear({13, 2010, MonthChoice::All(), true},
                                                [&](int m, int of) { steps.push_back(m * 100 + of); });
    EXPECT_TRUE(year.ok());
    EXPECT_EQ(steps.size(), 12u);
    EXPECT_EQ(steps.back(), 1212);
    EXPECT_EQ(Shown(year.Events).front(), "03 #13 : Отличный день.");  // the 1st is a Friday, the 3rd a Sunday
}

// A store of the user's events, an imported one of another kind and the
// favourable days of another day of birth.
TodoItems Mixed() {
    TodoItems store = Store({Event("#1 : мой день", At(2010, 3, 4, 7, 0)).Alert(0).Notes(""),
                             Event("Врач", At(2010, 3, 13, 7, 0))});
    MergeImport(store, GoodDaysBatch(FindGoodDaysOfYear({1, 2010, MonthChoice::All(), true}).Events));
    return store;
}

TEST(GoodDays, AddingTheSameMonthsAgainAddsNothing) {
    TodoItems store = Mixed();
    const int before = store.Count();
    const GoodDaysRequest march{13, 2010, MonthChoice().Set(3), true};
    const ChangeSummary first = MergeImport(store, GoodDaysBatch(FindGoodDaysOfYear(march).Events));
    EXPECT_EQ(first.Added, 7);  // the days of day 1 and the user's "#1 ..." do not count for 13
    EXPECT_EQ(first.AlreadyThere, 0);

    const std::string bytes = SaveToBytes(store);
    for (bool aboutDay : {true, false}) {  // with or without the kind, the same days
        const ChangeSummary again =
            MergeImport(store, GoodDaysBatch(FindGoodDaysOfYear({13, 2010, march.Months, aboutDay}).Events));
        EXPECT_EQ(again.Added, 0);
        EXPECT_EQ(again.AlreadyThere, 7);
    }
    EXPECT_EQ(SaveToBytes(store), bytes);
    EXPECT_EQ(store.Count(), before + 7);
}

// A document holding `events`, as a window or a command would.
struct Document {
    explicit Document(const TodoItems& events) {
        doc.Change(ChangeKind::Added, [&](EventDocument::Edit& edit) {
            for (const TTodoItem& e : events) edit.Add(e);
        });
    }
    TempFolder folder;
    EventDocument doc{folder.path() / "ListToDo.db"};
};

TEST(GoodDays, RemovingOneDayOfBirthLeavesTheOthers) {
    const TodoItems mixed = Mixed();
    TodoItems with13 = mixed;
    MergeImport(with13, GoodDaysBatch(FindGoodDaysOfYear({13, 2010, MonthChoice::All(), false}).Events));
    MergeImport(with13, GoodDaysBatch(FindGoodDaysOfYear({13, 2011, MonthChoice().Set(3), false}).Events));
    Document d(with13);
    EventDocument& doc = d.doc;

    // "#1" takes neither "#13" nor the user's "#1 : мой день".
    const ChangeSummary one = RemoveImported(doc, GoodDaysMarker(1), MonthChoice::All(), 2010);
    EXPECT_EQ(one.Removed, mixed.Count() - 2);
    EXPECT_EQ(doc.Count(), with13.Count() - one.Removed);
    for (const TTodoItem& e : doc.Events())
        if (e.Subject.rfind("#1 ", 0) == 0) {
            EXPECT_EQ(e.Imported, TImportKind::None) << utf8(e.Subject);
        }

    // Day 13 in March 2010 only: exactly those seven.
    EXPECT_EQ(RemoveImported(doc, GoodDaysMarker(13), MonthChoice().Set(3), 2010).Removed, 7);
    EXPECT_EQ(RemoveImported(doc, GoodDaysMarker(13), MonthChoice().Set(3), 2010).Removed, 0);

    // Add and remove the whole year: the events are byte for byte what they were.
    Document round(mixed);
    MergeImport(round.doc, GoodDaysBatch(FindGoodDaysOfYear({13, 2010, MonthChoice::All(), true}).Events));
    RemoveImported(round.doc, GoodDaysMarker(13), MonthChoice::All(), 2010);
    EXPECT_EQ(SaveToBytes(round.doc.Events()), SaveToBytes(mixed));
}

}  // namespace
