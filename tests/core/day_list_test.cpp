#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dayview/day_list.h"
#include "events/recurrence.h"
#include "events/ansi.h"

namespace {

TDateTime Day(int y, int m, int d) { return EncodeDate(y, m, d); }
TDateTime At(int y, int m, int d, int h, int mi) { return EncodeDateTime(y, m, d, h, mi); }

TTodoItem& Simple(TodoItems& store, const char* name, TDateTime s, int alert = 1) {
    TTodoItem& e = store.Add();
    e.Subject = ansi(name);
    e.CreationDate = s;
    e.Category = e.Project = e.Resource = "0";
    e.ImageIndex = alert;
    e.Notes = {ansi("заметка")};
    return e;
}
TTodoItem& ToDo(TodoItems& store, const char* name, TDateTime s, TDateTime e) {
    TTodoItem& t = Simple(store, name, s);
    t.CompletionDate = e;
    return t;
}
TTodoItem& Repeating(TodoItems& store, const char* name, TDateTime s, const char* count,
                     const char* unit, const char* mask = "0") {
    TTodoItem& r = Simple(store, name, s);
    r.DueDate = s;
    r.Category = count;
    r.Project = unit;
    r.Resource = mask;
    return r;
}
TTodoItem& Lasting(TodoItems& store, const char* name, TDateTime s, int count, int unit) {
    TTodoItem& l = Simple(store, name, s);
    l.Category = std::to_string(count);
    l.Project = std::to_string(unit);
    l.CompletionDate = AddInterval(count, unit, s);
    return l;
}

struct Built {
    TodoItems items;
    std::vector<int> sources;
};

Built Build(const TodoItems& store, TDateTime d, ListMode mode = ListMode::Day,
            TDateTime now = At(2010, 10, 1, 12, 0)) {
    Built b;
    UpDateTdList(store, d, mode, now, DayListFormats{}, b.items, &b.sources);
    return b;
}

// The occurrence moments of the copies, in list order.
std::vector<TDateTime> Moments(const Built& b) {
    std::vector<TDateTime> m;
    for (const auto& c : b.items) m.push_back(c.DueDate);
    return m;
}

TEST(DayList, SimpleEventAndItsCopy) {
    TodoItems store;
    TTodoItem& ev = Simple(store, "Врач", At(2010, 10, 12, 10, 0), 4);
    ev.Complete = true;
    const Built b = Build(store, Day(2010, 10, 12));
    ASSERT_EQ(b.items.Count(), 1);
    const TTodoItem& c = b.items[0];
    EXPECT_EQ(utf8(c.Subject), "Врач");
    EXPECT_EQ(c.Category, "10:00");
    EXPECT_EQ(c.DueDate, At(2010, 10, 12, 10, 0));
    EXPECT_EQ(c.CreationDate, ev.CreationDate);
    EXPECT_TRUE(c.Complete);
    EXPECT_EQ(c.ImageIndex, 4);
    EXPECT_TRUE(c.Notes.empty());
    EXPECT_EQ(b.sources, std::vector<int>{0});
    EXPECT_EQ(Build(store, Day(2010, 10, 11)).items.Count(), 0);
    EXPECT_EQ(Build(store, Day(2010, 10, 13)).items.Count(), 0);
}

TEST(DayList, ReminderMoments) {
    TodoItems store;
    Simple(store, "завтра", At(2010, 10, 12, 10, 0), kAlertDayBefore);
    Simple(store, "за 15", At(2010, 10, 12, 10, 0), 4);
    Simple(store, "после полуночи", At(2010, 10, 12, 0, 10), 5);
    ToDo(store, "дело", At(2010, 10, 12, 15, 0), At(2010, 10, 12, 16, 0)).ImageIndex = kAlertDayBefore;

    // The day before: only the copies of the events reminded a day ahead, at
    // their own time of day, whatever their kind.
    const Built before = Build(store, Day(2010, 10, 11), ListMode::Reminder);
    EXPECT_EQ(Moments(before), (std::vector<TDateTime>{At(2010, 10, 11, 10, 0), At(2010, 10, 11, 15, 0)}));
    EXPECT_EQ(Build(store, Day(2010, 10, 11)).items.Count(), 0);  // not in the day list

    const Built day = Build(store, Day(2010, 10, 12), ListMode::Reminder);
    EXPECT_EQ(Moments(day), (std::vector<TDateTime>{At(2010, 10, 11, 23, 40), At(2010, 10, 12, 9, 45),
                                                   At(2010, 10, 12, 10, 0), At(2010, 10, 12, 15, 0)}));
    EXPECT_EQ(utf8(day.items[1].Subject), "за 15");
    // The day list shows the events themselves, unshifted.
    EXPECT_EQ(Moments(Build(store, Day(2010, 10, 12))),
              (std::vector<TDateTime>{At(2010, 10, 12, 0, 10), At(2010, 10, 12, 10, 0),
                                      At(2010, 10, 12, 10, 0), At(2010, 10, 12, 15, 0)}));
}

TEST(DayList, ToDoUnderAndOverTwentyThreeHours) {
    TodoItems store;
    ToDo(store, "ночь", At(2010, 10, 10, 22, 0), At(2010, 10, 11, 6, 0));
    ToDo(store, "ровно 23 часа", At(2010, 10, 20, 7, 0), At(2010, 10, 21, 6, 0));
    ToDo(store, "проект", At(2010, 11, 10, 9, 0), At(2010, 11, 13, 18, 0));
    EXPECT_EQ(Moments(Build(store, Day(2010, 10, 10))), std::vector<TDateTime>{At(2010, 10, 10, 22, 0)});
    EXPECT_EQ(Moments(Build(store, Day(2010, 10, 11))), std::vector<TDateTime>{At(2010, 10, 11, 6, 0)});
    EXPECT_EQ(Build(store, Day(2010, 10, 12)).items.Count(), 0);
    EXPECT_EQ(Build(store, Day(2010, 10, 9)).items.Count(), 0);
    // 23 hours is not below 23: the next day shows the start time.
    EXPECT_EQ(Moments(Build(store, Day(2010, 10, 21))), std::vector<TDateTime>{At(2010, 10, 21, 7, 0)});
    for (int d = 10; d <= 13; ++d)
        EXPECT_EQ(Moments(Build(store, Day(2010, 11, d))), std::vector<TDateTime>{At(2010, 11, d, 9, 0)}) << d;
    EXPECT_EQ(Build(store, Day(2010, 11, 14)).items.Count(), 0);
}

TEST(DayList, ToDoStartTexts) {
    TodoItems store;
    ToDo(store, "проект", At(2010, 11, 10, 9, 0), At(2010, 11, 13, 18, 0));
    struct Case { TDateTime now; const char* text; };
    const Case cases[] = {
        {At(2010, 11, 9, 12, 0), "10.11.2010"},    // earlier day: the date
        {At(2010, 11, 10, 8, 0), "09:00"},         // its day, not begun: the time
        {At(2010, 11, 10, 9, 0), ""},              // exactly at the start
        {At(2010, 11, 13, 17, 15), "45 мин."},     // running: time left to the end
        {At(2010, 11, 11, 18, 0), "2 дн."},
        {At(2010, 11, 14, 0, 0), "Завершено"},
    };
    for (const auto& c : cases) {
        const Built b = Build(store, Day(2010, 11, 11), ListMode::Day, c.now);
        ASSERT_EQ(b.items.Count(), 1);
        EXPECT_EQ(utf8(b.items[0].Category), c.text);
    }
}

TEST(DayList, RepeatingEvents) {
    TodoItems store;
    Repeating(store, "ежемесячно", At(2010, 10, 15, 12, 0), "1", "5");
    Repeating(store, "пн ср пт", At(2010, 10, 13, 10, 0), "0", "0", "42");
    Repeating(store, "каждые 5 мин", At(2010, 10, 13, 8, 0), "5", "1");
    auto names = [&](TDateTime d) {
        std::vector<std::string> n;
        for (const auto& c : Build(store, d).items) n.push_back(utf8(c.Subject));
        return n;
    };
    using V = std::vector<std::string>;
    // Nothing before the start month (mended: January of the start year once counted).
    EXPECT_EQ(names(Day(2010, 1, 15)), V{});
    EXPECT_EQ(names(Day(2010, 11, 15)), (V{"пн ср пт", "ежемесячно"}));
    EXPECT_EQ(names(Day(2009, 1, 15)), V{});
    EXPECT_EQ(names(Day(2010, 10, 13)), (V{"каждые 5 мин", "пн ср пт"}));
    EXPECT_EQ(names(Day(2010, 10, 14)), V{});
    EXPECT_EQ(names(Day(2010, 10, 18)), V{"пн ср пт"});
    EXPECT_EQ(names(Day(2010, 10, 11)), V{});

    const Built b = Build(store, Day(2011, 3, 15));
    ASSERT_EQ(b.items.Count(), 1);
    EXPECT_EQ(b.items[0].DueDate, At(2011, 3, 15, 12, 0));  // time of day of the stored DueDate
    EXPECT_EQ(b.items[0].Category, "12:00");
    EXPECT_EQ(b.items[0].Resource, "1");  // the count, where the reminder timer reads it
    EXPECT_EQ(b.items[0].Project, "5");
}

TEST(DayList, CompletedEventsOnlyOnTheirStartDay) {
    TodoItems store;
    Repeating(store, "ежедневно", At(2010, 10, 10, 9, 0), "1", "3").Complete = true;
    Repeating(store, "по пятницам", At(2010, 10, 13, 9, 0), "0", "0", "2").Complete = true;
    ToDo(store, "дело", At(2010, 10, 10, 11, 0), At(2010, 10, 14, 11, 0)).Complete = true;
    Lasting(store, "отпуск", At(2010, 10, 10, 12, 0), 2, kUnitWeeks).Complete = true;
    EXPECT_EQ(Build(store, Day(2010, 10, 10)).items.Count(), 3);
    EXPECT_EQ(Build(store, Day(2010, 10, 13)).items.Count(), 1);
    for (int d = 11; d <= 20; ++d) {
        if (d != 13) {
            EXPECT_EQ(Build(store, Day(2010, 10, d)).items.Count(), 0) << d;
        }
    }
    // Not completed, the same events run on.
    for (auto& e : store) e.Complete = false;
    EXPECT_EQ(Build(store, Day(2010, 10, 12)).items.Count(), 3);
    EXPECT_EQ(Build(store, Day(2010, 10, 15)).items.Count(), 3);
}

TEST(DayList, LastingEvent) {
    TodoItems store;
    Lasting(store, "отпуск", At(2010, 10, 10, 9, 0), 3, kUnitDays);
    for (int d = 10; d <= 13; ++d)
        EXPECT_EQ(Moments(Build(store, Day(2010, 10, d))), std::vector<TDateTime>{At(2010, 10, d, 9, 0)}) << d;
    EXPECT_EQ(Build(store, Day(2010, 10, 14)).items.Count(), 0);
    auto text = [&](TDateTime now) {
        return utf8(Build(store, Day(2010, 10, 11), ListMode::Day, now).items[0].Category);
    };
    EXPECT_EQ(text(At(2010, 10, 9, 9, 0)), "09:00");
    EXPECT_EQ(text(At(2010, 10, 11, 9, 0)), "2 дн.");
    EXPECT_EQ(text(At(2010, 10, 14, 9, 0)), "Завершено");
}

TEST(DayList, BadNumbersHideOnlyTheirOwnRepetition) {
    TodoItems store;
    Simple(store, "обычное", At(2010, 10, 12, 10, 0));
    Repeating(store, "плохой счёт", At(2010, 10, 10, 9, 0), "abc", "3");
    Repeating(store, "плохая единица", At(2010, 10, 10, 9, 30), "2", "дни");
    Repeating(store, "плохая маска", At(2010, 10, 10, 8, 0), "0", "0", "пн");
    Lasting(store, "плохая длительность", At(2010, 10, 10, 7, 0), 3, kUnitDays).Category = "три";
    Repeating(store, "пустые", At(2010, 10, 12, 11, 0), "", "", "");
    Simple(store, "позже", At(2010, 10, 12, 12, 0));

    auto names = [&](TDateTime d) {
        std::vector<std::string> n;
        for (const auto& c : Build(store, d).items) n.push_back(utf8(c.Subject));
        return n;
    };
    using V = std::vector<std::string>;
    // A lasting event without a count runs as a to-do; repeating ones that
    // cannot be read keep their start day.
    EXPECT_EQ(names(Day(2010, 10, 12)), (V{"плохая длительность", "обычное", "пустые", "позже"}));
    EXPECT_EQ(names(Day(2010, 10, 10)),
              (V{"плохая длительность", "плохая маска", "плохой счёт", "плохая единица"}));
    EXPECT_EQ(names(Day(2010, 10, 11)), V{"плохая длительность"});
    EXPECT_EQ(names(Day(2010, 10, 14)), V{});
}

TEST(DayList, ZeroCountNeverRepeatsTheReminder) {
    TodoItems store;
    Repeating(store, "ноль минут", At(2010, 10, 12, 10, 0), "0", "1");
    Repeating(store, "ноль часов", At(2010, 10, 12, 10, 30), "0", "2");
    Repeating(store, "бред", At(2010, 10, 12, 11, 0), "x", "1");
    Repeating(store, "каждые 5 мин", At(2010, 10, 12, 11, 30), "5", "1");
    const Built b = Build(store, Day(2010, 10, 12), ListMode::Reminder);
    ASSERT_EQ(b.items.Count(), 4);  // shown on their day all the same
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 240; ++m)
            EXPECT_FALSE(IsCopyReminderRepeatDue(b.items[k], AddMinutes(At(2010, 10, 12, 9, 0), m)));
    EXPECT_TRUE(IsCopyReminderRepeatDue(b.items[3], At(2010, 10, 12, 11, 35)));
    EXPECT_FALSE(IsCopyReminderRepeatDue(b.items[3], At(2010, 10, 12, 11, 37)));
}

TEST(DayList, TimeOrderAndWayBackToTheStore) {
    TodoItems store;
    Simple(store, "полдень", At(2010, 10, 12, 12, 0));
    Simple(store, "утро", At(2010, 10, 12, 8, 0));
    Simple(store, "другой день", At(2010, 10, 13, 9, 0));
    Simple(store, "тоже утро", At(2010, 10, 12, 8, 0));
    Simple(store, "полдень", At(2010, 10, 12, 12, 0));  // same identity as the first
    const Built b = Build(store, Day(2010, 10, 12));
    std::vector<std::string> names;
    for (const auto& c : b.items) names.push_back(utf8(c.Subject));
    EXPECT_EQ(names, (std::vector<std::string>{"утро", "тоже утро", "полдень", "полдень"}));
    EXPECT_EQ(b.sources, (std::vector<int>{1, 3, 0, 4}));
    // By identity the copy finds the first event with its start and name.
    EXPECT_EQ(getIdxOfList(3, b.items, store), 0);
    EXPECT_EQ(getIdxOfList(1, b.items, store), 3);
}

TEST(DayList, HelpersAndBadReferenceDay) {
    EXPECT_EQ(TimeToHHMM(At(2010, 10, 12, 9, 5)), "09:05");
    EXPECT_EQ(TimeOfDay(EncodeDateTime(2010, 10, 12, 9, 5, 30, 900)), EncodeDateTime(1899, 12, 30, 9, 5, 30));
    EXPECT_EQ(getDtTimeWithAlertTime(9, At(2010, 10, 12, 10, 0)), At(2010, 10, 11, 10, 0));
    EXPECT_EQ(getDtTimeWithAlertTime(8, At(2010, 10, 12, 1, 0)), At(2010, 10, 11, 23, 0));
    EXPECT_EQ(getDtTimeWithAlertTime(-1, At(2010, 10, 12, 1, 0)), At(2010, 10, 12, 1, 0));

    TodoItems store;
    Simple(store, "x", At(2010, 10, 12, 10, 0));
    Simple(store, "nan", std::nan("")).CompletionDate = 1e300;
    TodoItems out;
    out.Add();
    UpDateTdList(store, std::nan(""), ListMode::Day, 0, DayListFormats{}, out);
    EXPECT_EQ(out.Count(), 0);
    UpDateTdList(store, Day(2010, 10, 12), ListMode::Day, 0, DayListFormats{}, out);
    EXPECT_EQ(out.Count(), 1);
}

}  // namespace
