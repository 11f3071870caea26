#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dayview/markers.h"
#include "events/date_time.h"
#include "events/event_store.h"
#include "events/todo_item.h"
#include "tests/support/builders.h"
#include "tests/support/markers_reference.h"

namespace {

const TCalendarEvent kProto{0, 0x000080, evsRectangle, 0xFFFFFF};

std::vector<int> MarkedDays(TCalendarEvents& marks, int y, int m) {
    std::vector<int> out;
    for (int d = 1; d <= DaysInMonth(y, m); ++d)
        if (marks.Find(Day(y, m, d)) >= 0) out.push_back(d);
    return out;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int d = from; d <= to; ++d) v.push_back(d);
    return v;
}

TEST(Markers, AMarkGoesWithTheLastEventOfItsDay) {
    TodoItems store = Store({Event("a", At(2010, 10, 12, 9, 0)), Event("b", At(2010, 10, 12, 18, 30))});
    TCalendarEvents marks;
    EXPECT_TRUE(AddEventToCalendar(marks, kProto, Day(2010, 10, 12)));
    EXPECT_FALSE(AddEventToCalendar(marks, kProto, At(2010, 10, 12, 23, 0)));
    EXPECT_EQ(marks.Count(), 1);
    EXPECT_EQ(marks[0].FontColor, 0xFFFFFFu);

    EXPECT_EQ(StartsOnDay(store, At(2010, 10, 12, 12, 0)), 2);
    EXPECT_FALSE(getbDeleteEventFromCal(store, true, Day(2010, 10, 12)));  // the other one stays

    store.Delete(0);  // one of the two
    EXPECT_FALSE(getbDeleteEventFromCal(store, false, Day(2010, 10, 12)));
    EXPECT_TRUE(getbDeleteEventFromCal(store, true, Day(2010, 10, 12)));  // it is the last
    UpdateMarkersOfMonth(store, marks, kProto, 2010, 10);
    EXPECT_GE(marks.Find(Day(2010, 10, 12)), 0);

    store.Delete(0);  // the last
    ASSERT_TRUE(getbDeleteEventFromCal(store, false, Day(2010, 10, 12)));
    EXPECT_TRUE(DeleteEventFromCalendar(marks, Day(2010, 10, 12)));
    EXPECT_FALSE(DeleteEventFromCalendar(marks, Day(2010, 10, 12)));
    EXPECT_EQ(marks.Count(), 0);
}

TEST(Markers, DaysThatAreNoDatesAreNeverMarked) {
    const TodoItems store = Store({Event("nan", NAN), Event("last", Day(9999, 12, 31))});
    TCalendarEvents marks;
    AddEventToCalendar(marks, kProto, Day(9999, 12, 31));
    EXPECT_EQ(StartsOnDay(store, NAN), 0);
    // A far date must not reach the mark of the calendar's last day.
    EXPECT_FALSE(AddEventToCalendar(marks, kProto, 1e12) || DeleteEventFromCalendar(marks, 1e12) ||
                 DeleteEventFromCalendar(marks, NAN));
    EXPECT_TRUE(UpdateMarkersOfMonth(store, marks, kProto, 10000, 1).Empty());
    EXPECT_TRUE(UpdateDays(store, marks, kProto, 13, 2010).Empty());
    UpdateMarkersOfMonth(store, marks, kProto, 9999, 12);  // no January 10000
    EXPECT_EQ(marks.Count(), 1);
}

TEST(Markers, MonthRefreshMarksStartAndRepetitionDays) {
    struct MonthMarks { int year, month; std::vector<int> days; };
    struct Case {
        const char* what;
        TTodoItem event;
        int year, month;  // the month shown
        std::vector<MonthMarks> want;
    };
    const TDateTime wed = At(2010, 10, 13, 10, 0);
    const Case cases[] = {
        {"weekly from Wednesday 13 Oct", Event("e", wed).Repeat("1", "4"), 2010, 10,
         {{2010, 9, {}}, {2010, 10, {13, 20, 27}}, {2010, 11, {3, 10, 17, 24}}}},
        {"weekly, calendar moved to November", Event("e", wed).Repeat("1", "4"), 2010, 11,
         {{2010, 11, {3, 10, 17, 24}}, {2010, 12, {1, 8, 15, 22, 29}}}},
        {"every 3 weeks", Event("e", wed).Repeat("3", "4"), 2010, 11,
         {{2010, 10, {13}}, {2010, 11, {3, 24}}, {2010, 12, {15}}}},
        {"completed weekly", Event("e", wed).Repeat("1", "4").Done(), 2010, 10,
         {{2010, 10, {13}}, {2010, 11, {}}}},
        // The grid of October shows 27-30 Sep and 1-7 Nov.
        {"daily: neighbouring months too", Event("e", At(2010, 9, 1, 8, 0)).Repeat("1", "3"), 2010, 10,
         {{2010, 9, Range(1, 30)}, {2010, 11, Range(1, 30)}, {2010, 12, {}}}},
        {"daily from 10 Oct", Event("e", At(2010, 10, 10, 9, 0)).Repeat("1", "3"), 2010, 10,
         {{2010, 9, {}}, {2010, 10, Range(10, 31)}, {2010, 11, Range(1, 30)}}},
        {"monthly from 15 Oct: nothing before its start", Event("e", At(2010, 10, 15, 12, 0)).Repeat("1", "5"),
         2010, 9, {{2010, 8, {}}, {2010, 9, {}}, {2010, 10, {15}}}},
        {"every 3 months from 20 Oct", Event("e", At(2010, 10, 20, 12, 0)).Repeat("3", "5"), 2010, 12,
         {{2010, 11, {}}, {2010, 12, {}}, {2011, 1, {20}}}},
        {"every 2 years from 15 Mar 2010", Event("e", At(2010, 3, 15, 12, 0)).Repeat("2", "6"), 2011, 3,
         {{2011, 3, {}}}},
        {"every 2 years, the second", Event("e", At(2010, 3, 15, 12, 0)).Repeat("2", "6"), 2012, 3,
         {{2012, 3, {15}}}},
        {"monthly on the 31st", Event("e", At(2011, 1, 31, 8, 0)).Repeat("1", "5"), 2011, 4,
         {{2011, 3, {31}}, {2011, 4, {}}, {2011, 5, {31}}}},
        {"yearly from 29 Feb 2008, leap year", Event("e", At(2008, 2, 29, 7, 0)).Repeat("1", "6"), 2012, 2,
         {{2012, 1, {}}, {2012, 2, {29}}, {2012, 3, {}}}},
        {"yearly from 29 Feb 2008, common year", Event("e", At(2008, 2, 29, 7, 0)).Repeat("1", "6"), 2011, 2,
         {{2011, 2, {}}}},
        {"Mondays and Fridays: start day only", Event("e", wed).Repeat("0", "0", "34"), 2010, 10,
         {{2010, 10, {13}}, {2010, 11, {}}}},
        {"to-do 10 to 14 Oct", Event("e", At(2010, 10, 10, 9, 0)).Until(At(2010, 10, 14, 18, 0)), 2010, 10,
         {{2010, 10, {10}}}},
        {"lasting 3 days", Event("e", At(2010, 10, 10, 9, 0)).Lasting(3, kUnitDays), 2010, 10, {{2010, 10, {10}}}},
        {"every 2 hours", Event("e", wed).Repeat("2", "2"), 2010, 10, {{2010, 10, {13}}}},
        {"count that is no number", Event("e", wed).Repeat("abc", "3"), 2010, 10, {{2010, 10, {13}}}},
        {"weekly in 1850, before day 0 of the stored dates", Event("e", At(1850, 3, 6, 10, 0)).Repeat("1", "4"),
         1850, 3, {{1850, 3, {6, 13, 20, 27}}}},
        {"across the year's end: every 2 days", Event("e", At(2010, 12, 29, 9, 0)).Repeat("2", "3"), 2011, 1,
         {{2010, 12, {29, 31}}, {2011, 1, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30}},
          {2011, 2, {1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27}}}},
    };
    for (const Case& c : cases) {
        const TodoItems store = Store({c.event});
        TCalendarEvents marks;
        for (TDateTime d : StartDaysOf(store)) AddEventToCalendar(marks, kProto, d);  // start-up
        UpdateMarkersOfMonth(store, marks, kProto, c.year, c.month);
        for (const MonthMarks& m : c.want)
            EXPECT_EQ(MarkedDays(marks, m.year, m.month), m.days) << c.what << ": " << m.year << "-" << m.month;
    }
}

TEST(Markers, RefreshReportsTheDaysItChanged) {
    const TodoItems store = Store({Event("weekly", At(2010, 10, 13, 10, 0)).Repeat("1", "4"),
                                   Event("once", At(2010, 10, 5, 9, 0))});
    TCalendarEvents marks;
    AddEventToCalendar(marks, kProto, Day(2010, 10, 5));   // kept: an event starts there
    AddEventToCalendar(marks, kProto, Day(2010, 10, 7));   // stale
    AddEventToCalendar(marks, kProto, Day(2011, 3, 7));    // stale, not shown: stays
    TCalendarEvent old = kProto;
    old.Color = 0x00FF00;
    AddEventToCalendar(marks, old, Day(2010, 10, 20));      // an old colour on a repetition day

    const TMarkChanges ch = UpdateMarkersOfMonth(store, marks, kProto, 2010, 10);
    EXPECT_EQ(ch.Removed, std::vector<TDateTime>{Day(2010, 10, 7)});
    EXPECT_EQ(ch.Restyled, std::vector<TDateTime>{Day(2010, 10, 20)});
    const std::vector<TDateTime> added = {Day(2010, 10, 13), Day(2010, 10, 27), Day(2010, 11, 3),
                                          Day(2010, 11, 10), Day(2010, 11, 17), Day(2010, 11, 24)};
    EXPECT_EQ(ch.Added, added);
    EXPECT_EQ(marks[marks.Find(Day(2010, 10, 20))].Color, 0x000080u);
    EXPECT_GE(marks.Find(Day(2011, 3, 7)), 0);
    EXPECT_EQ(ch.Days().size(), 8u);
    EXPECT_TRUE(UpdateMarkersOfMonth(store, marks, kProto, 2010, 10).Empty());
}

// ---- the fast refresh against the day-by-day rule -----------------------

const char* const kCounts[] = {"0", "1", "1", "2", "3", "7", "45", "", "abc", "-1", "+2", "03"};
const char* const kUnits[] = {"0", "1", "2", "3", "3", "4", "4", "5", "5", "6", "6", "7", "", "x"};
const char* const kMasks[] = {"0", "0", "0", "42", "64", "1", "zz"};

TTodoItem RandomEvent(std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // 2007-12 .. 2013-02: year ends and the leap days of 2008 and 2012.
    const TDateTime start = Day(2007, 12, 1) + pick(1900) + pick(1440) * kOneMinute;
    TTodoItem e = Event("e", start).Repeat(kCounts[pick(12)], kUnits[pick(14)], kMasks[pick(7)]).Done(pick(4) == 0);
    switch (pick(6)) {
        case 0: e = Event("e", start); break;
        case 1: e.CompletionDate = start + pick(20); break;  // to-do or lasting
        case 2: if (pick(8) == 0) e.CreationDate = NAN; break;
        case 3: if (pick(8) == 0) e.CompletionDate = NAN; break;
        default: break;
    }
    if (pick(6) == 0) e.Complete = !e.Complete;
    return e;
}

bool SameMarks(const TCalendarEvents& a, const TCalendarEvents& b) {
    bool same = a.Count() == b.Count();
    for (int i = 0; same && i < a.Count(); ++i)
        same = a[i].Date == b[i].Date && a[i].Color == b[i].Color && a[i].Shape == b[i].Shape &&
               a[i].FontColor == b[i].FontColor;
    return same;
}

bool SameChanges(const TMarkChanges& a, const TMarkChanges& b) {
    return a.Added == b.Added && a.Removed == b.Removed && a.Restyled == b.Restyled;
}

TEST(Markers, FastRefreshEqualsTheDayByDayRule) {
    int added = 0, removed = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        TodoItems store;
        const int n = pick(40);
        for (int i = 0; i < n; ++i) store.Add(RandomEvent(rng));
        if (n > 0 && pick(3) == 0) store.Add(store[pick(n)]);  // two on one day

        TCalendarEvents marks;
        for (const TTodoItem& e : store)
            if (pick(3) != 0) AddEventToCalendar(marks, kProto, DateOf(e.CreationDate));
        // Stale entries, some sharing a day or off midnight, some in other colours.
        for (int i = pick(30); i > 0; --i) {
            TCalendarEvent& m = marks.Add(Day(2007, 11, 1) + pick(2000) + (pick(2) ? 0.5 : 0));
            if (pick(2)) m.Color = 0x123456;
            if (pick(3) == 0) m.Shape = evsCircle;
        }

        TCalendarEvents fast = marks, slow = marks;
        for (int step = 0; step < 3; ++step) {
            const int year = 2008 + pick(5), month = 1 + pick(12);
            const TMarkChanges f = UpdateMarkersOfMonth(store, fast, kProto, year, month);
            const TMarkChanges s = UpdateMarkersOfMonthReference(store, slow, kProto, year, month);
            ASSERT_TRUE(SameMarks(fast, slow)) << "seed " << seed << " " << year << "-" << month;
            ASSERT_TRUE(SameChanges(f, s)) << "seed " << seed << " " << year << "-" << month;
            added += static_cast<int>(f.Added.size());
            removed += static_cast<int>(f.Removed.size());

            const int m1 = 1 + pick(12);
            ASSERT_TRUE(SameChanges(UpdateDays(store, fast, kProto, m1, year),
                                    UpdateDaysReference(store, slow, kProto, m1, year)))
                << "seed " << seed;
            ASSERT_TRUE(SameMarks(fast, slow)) << "seed " << seed;
        }
    }
    // The stores were not trivial.
    EXPECT_GT(added, 1000);
    EXPECT_GT(removed, 100);
}

}  // namespace
