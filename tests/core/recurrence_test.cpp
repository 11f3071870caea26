#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "events/recurrence.h"
#include "events/date_time.h"
#include "tests/support/builders.h"

namespace {

// A rule, the days it falls on and days it does not.
struct RepeatCase {
    const char* what;
    TDateTime start;
    const char* count;
    const char* unit;
    std::vector<TDateTime> on, off;
};

TEST(Recurrence, RepeatsOnDayByUnit) {
    const TDateTime every2 = At(2010, 10, 10, 9, 0);
    const TDateTime wed = At(2010, 10, 13, 10, 0);
    const TDateTime jan31 = At(2011, 1, 31, 8, 0);
    const TDateTime oct15 = At(2010, 10, 15, 12, 0);
    const RepeatCase cases[] = {
        {"every 2 days", every2, "2", "3", {Day(2010, 10, 10), Day(2010, 10, 12)},
         {Day(2010, 10, 8), Day(2010, 10, 11), Day(2010, 10, 13)}},
        {"weekly", wed, "1", "4", {Day(2010, 10, 13), Day(2010, 10, 20)}, {Day(2010, 10, 6)}},
        {"monthly on the 31st", jan31, "1", "5", {Day(2011, 1, 31), Day(2011, 3, 31)},
         {Day(2011, 4, 30), Day(2010, 12, 31)}},
        // Mended: months before the start and the count were once ignored.
        {"monthly from 15 Oct", oct15, "1", "5", {Day(2010, 11, 15), Day(2011, 3, 15)},
         {Day(2010, 1, 15), Day(2010, 9, 15), Day(2009, 1, 15), Day(2010, 11, 16)}},
        {"every 3 months from 20 Oct", At(2010, 10, 20, 9, 0), "3", "5", {Day(2010, 10, 20), Day(2011, 1, 20)},
         {Day(2010, 11, 20), Day(2010, 12, 20), Day(2010, 7, 20)}},
        {"every 2 months on the 31st", jan31, "2", "5", {Day(2011, 3, 31), Day(2011, 5, 31)}, {Day(2011, 8, 31)}},
        {"every 2 years", At(2010, 3, 15, 9, 0), "2", "6", {Day(2012, 3, 15)}, {Day(2011, 3, 15), Day(2008, 3, 15)}},
        {"yearly", At(2010, 3, 15, 9, 0), "1", "6", {}, {Day(2011, 4, 15)}},
        {"yearly on 29 Feb", At(2008, 2, 29, 7, 0), "1", "6", {Day(2012, 2, 29)},
         {Day(2009, 2, 28), Day(2009, 3, 1), Day(2004, 2, 29)}},
        {"every 5 minutes: the start day only", wed, "5", "1", {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"no unit", wed, "3", "0", {}, {Day(2010, 10, 13)}},
        {"unknown unit", wed, "3", "7", {}, {Day(2010, 10, 13)}},
        {"empty count", wed, "", "3", {}, {Day(2010, 10, 13)}},
        {"empty unit", wed, "1", "", {}, {Day(2010, 10, 13)}},
        // A count that is no number, or 0, keeps only the start day.
        {"count that is no number", every2, "abc", "3", {Day(2010, 10, 10)}, {Day(2010, 10, 12)}},
        {"zero count", oct15, "0", "5", {}, {Day(2010, 11, 15)}},
        {"unit that is no number", every2, "2", "x", {}, {Day(2010, 10, 12)}},
        {"start that is no date", NAN, "1", "3", {}, {Day(2010, 10, 12)}},
    };
    for (const RepeatCase& c : cases) {
        const TTodoItem e = Event("e", c.start).Repeat(c.count, c.unit);
        for (TDateTime d : c.on) EXPECT_TRUE(RecursByUnitOn(e, d)) << c.what << " " << d;
        for (TDateTime d : c.off) EXPECT_FALSE(RecursByUnitOn(e, d)) << c.what << " " << d;
    }
    // An end set means a lasting event, which never repeats.
    EXPECT_FALSE(RecursByUnitOn(Event("e", every2).Repeat("2", "3").Until(every2 + 1), Day(2010, 10, 10)));
}

// The days the calendar's refresh collects for a window are the days the
// day-by-day question answers yes for, whatever the texts hold.
TEST(Recurrence, DaysOfAWindowAreTheDaysThatRecur) {
    const TDateTime starts[] = {At(2011, 1, 31, 8, 0), At(2008, 2, 29, 7, 0), At(2010, 10, 15, 23, 59), NAN};
    const char* const counts[] = {"1", "2", "3", "13", "0", "-1", "abc", ""};
    const char* const units[] = {"1", "3", "4", "5", "6", "7", ""};
    struct Window { TDateTime first, last; };
    const Window windows[] = {{Day(2007, 12, 1), Day(2008, 3, 31)}, {Day(2010, 12, 1), Day(2011, 5, 31)},
                              {Day(2011, 2, 1), Day(2016, 3, 31)}, {Day(9999, 11, 1), Day(9999, 12, 31)}};
    std::vector<int64_t> days;
    for (const TDateTime start : starts)
        for (const char* count : counts)
            for (const char* unit : units)
                for (const Window& w : windows) {
                    const TTodoItem e = Event("e", start).Repeat(count, unit);
                    const int64_t first = DayNumber(w.first), last = DayNumber(w.last);
                    std::vector<int64_t> expected;
                    for (int64_t d = first; d <= last; ++d)
                        if (RecursByUnitOn(e, static_cast<TDateTime>(d))) expected.push_back(d);
                    DaysByUnit(e, first, last, days);
                    EXPECT_EQ(days, expected) << start << " " << count << "/" << unit << " from " << first;
                }
}

// Texts a file may hold, read once as numbers: the editor's kind, the
// purge's "keeps recurring" and the days the event falls on follow the
// numbers, with a count and unit read only as a pair (the purge reads the
// unit alone, as it always has). A repetition starting Wednesday 13 October.
TEST(Recurrence, OddStoredTextsAreAskedAsTheNumbersTheyReadAs) {
    const TDateTime wed = At(2010, 10, 13, 10, 0);
    const EventKind S = EventKind::Simple, R = EventKind::Repeating;
    struct Case {
        const char *count, *unit, *mask;
        EventKind kind;
        bool keeps;
        std::vector<TDateTime> on, off;
    };
    const Case cases[] = {
        {"007", "4", "0", R, true, {Day(2010, 10, 13), Day(2010, 12, 1)}, {Day(2010, 10, 20)}},  // every 7 weeks
        {" 7", "3", "0", S, true, {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"2147483648", "3", "0", S, true, {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"2147483647", "3", "0", R, true, {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"1", "", "0", R, false, {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"", "3", "0", S, true, {Day(2010, 10, 13)}, {Day(2010, 10, 14)}},
        {"abc", "5", "0", S, true, {Day(2010, 10, 13)}, {Day(2010, 11, 13)}},
        // 200 is 128 + Sunday + Wednesday; 128 alone names no weekday.
        {"0", "0", "200", R, true, {Day(2010, 10, 13), Day(2010, 10, 17), Day(2010, 10, 20)},
         {Day(2010, 10, 10), Day(2010, 10, 14), Day(2010, 10, 16)}},
        {"0", "0", "128", R, false, {Day(2010, 10, 13)}, {Day(2010, 10, 17), Day(2010, 10, 20)}},
        {"0", "0", "-1", S, true, {Day(2010, 10, 13), Day(2010, 10, 14), Day(2010, 10, 16)}, {Day(2010, 10, 12)}},
    };
    for (const Case& c : cases) {
        const TTodoItem e = Event("e", wed).Repeat(c.count, c.unit, c.mask);
        SCOPED_TRACE(testing::Message() << '"' << c.count << "\" \"" << c.unit << "\" \"" << c.mask << '"');
        EXPECT_EQ(e.Kind(), c.kind);
        EXPECT_EQ(KeepsRecurring(e.Repetition()), c.keeps);
        for (TDateTime d : c.on) EXPECT_TRUE(RecursOn(e, d)) << d;
        for (TDateTime d : c.off) EXPECT_FALSE(RecursOn(e, d)) << d;
    }
}

TEST(Recurrence, WeekdayMask) {
    const TDateTime wed = At(2010, 10, 13, 10, 0), tue = At(2010, 10, 12, 9, 0);
    struct Case { TDateTime start; int mask; std::vector<TDateTime> on, off; };
    const Case cases[] = {
        // Mon, Wed, Fri: the start day counts from its midnight, before 10:00.
        {wed, 42, {Day(2010, 10, 13), Day(2010, 10, 15), Day(2010, 10, 18)}, {Day(2010, 10, 11), Day(2010, 10, 14)}},
        {tue, 64, {Day(2010, 10, 12), Day(2010, 10, 17)}, {Day(2010, 10, 10), Day(2010, 10, 19)}},  // Sundays
        {tue, 1, {Day(2010, 10, 16)}, {}},  // Saturdays
        {wed, 0, {}, {Day(2010, 10, 13)}},
        {wed, 128, {Day(2010, 10, 13)}, {Day(2010, 10, 15), Day(2010, 10, 16)}},  // no weekday bit: the start day
    };
    for (const Case& c : cases) {
        for (TDateTime d : c.on) EXPECT_TRUE(WeekdayMatch(c.start, c.mask, d)) << c.mask << " on " << d;
        for (TDateTime d : c.off) EXPECT_FALSE(WeekdayMatch(c.start, c.mask, d)) << c.mask << " on " << d;
    }
}

TEST(Recurrence, DayPeriods) {
    EXPECT_EQ(PeriodDays(3, kUnitDays), 3);
    EXPECT_EQ(PeriodDays(2, kUnitWeeks), 14);
    EXPECT_EQ(PeriodDays(INT_MAX, kUnitWeeks), INT_MAX);
    const TDateTime s = At(2010, 10, 10, 23, 59);
    EXPECT_TRUE(IsDayInPeriod(3, s, Day(2010, 10, 10)));
    EXPECT_TRUE(IsDayInPeriod(3, s, At(2010, 10, 13, 0, 1)));
    EXPECT_FALSE(IsDayInPeriod(3, s, Day(2010, 10, 7)));
    EXPECT_FALSE(IsDayInPeriod(0, s, Day(2010, 10, 10)));
    EXPECT_FALSE(IsDayInPeriod(-2, s, Day(2010, 10, 12)));
    // Far from the start the day count must still be exact.
    EXPECT_TRUE(IsDayInPeriod(7, s, s + 7 * 5000));
}

TEST(Recurrence, IntervalsAreExact) {
    EXPECT_EQ(AddInterval(3, kUnitHours, At(2010, 10, 10, 22, 30)), At(2010, 10, 11, 1, 30));
    EXPECT_EQ(AddInterval(2, kUnitWeeks, At(2010, 10, 10, 22, 30)), At(2010, 10, 24, 22, 30));
    EXPECT_EQ(AddInterval(45, kUnitMinutes, At(2010, 10, 10, 23, 30)), At(2010, 10, 11, 0, 15));
    EXPECT_EQ(AddInterval(10, kUnitDays, At(2010, 12, 25, 9, 0)), At(2011, 1, 4, 9, 0));
    EXPECT_EQ(AddInterval(1, kUnitMonths, At(2011, 1, 15, 9, 0)), At(2011, 2, 15, 9, 0));
    EXPECT_EQ(AddInterval(1, kUnitYears, At(2010, 3, 15, 9, 0)), At(2011, 3, 15, 9, 0));
    EXPECT_EQ(AddInterval(5, kUnitNone, At(2010, 3, 15, 9, 0)), At(2010, 3, 15, 9, 0));

    EXPECT_EQ(DaysInPeriods(1, false, Day(2011, 1, 15)), 31);
    // The second month is the one of 16 February (start plus 31 + 1 days).
    EXPECT_EQ(DaysInPeriods(2, false, Day(2011, 1, 15)), 31 + 28);
    EXPECT_EQ(DaysInPeriods(2, true, Day(2011, 3, 15)), 365 + 366);
    EXPECT_EQ(DaysInPeriods(-3, false, Day(2011, 3, 15)), 0);
    // A count far beyond the calendar stops at its end instead of running on.
    const int huge = DaysInPeriods(INT_MAX, true, Day(2011, 3, 15));
    EXPECT_GT(huge, 365 * 7900);
    EXPECT_LT(huge, 366 * 8000);
}

TEST(Recurrence, MaskTextAndCheckList) {
    EXPECT_EQ(IntToBinStr(5, 6), "0000101");
    EXPECT_EQ(BinStrToInt("0000101"), 5);
    EXPECT_EQ(IntToBinStr(42, 6), "0101010");
    EXPECT_EQ(IntToBinStr(42, -1), "");
    EXPECT_EQ(IntToBinStr(-1, 40).size(), 41u);
    EXPECT_EQ(BinStrToInt(""), 0);
    EXPECT_EQ(BinStrToInt("1x1"), 5);  // any other character is a 0 bit

    EXPECT_EQ(GetDaysFromList({false, true, false, false, false, false, false}), 32);  // Monday
    EXPECT_EQ(GetDaysFromList({false, true, false, true, false, true, false}), 42);
    EXPECT_EQ(GetDaysFromList({true, false, false, false, false, false, false}), 64);  // Sunday
    EXPECT_EQ(SetDaysInList(42), (std::array<bool, 7>{false, true, false, true, false, true, false}));
    for (int mask = 0; mask < 128; ++mask) EXPECT_EQ(GetDaysFromList(SetDaysInList(mask)), mask);
}

TEST(Recurrence, DecimalFields) {
    struct Case { const char* text; bool ok; int value; };
    const Case cases[] = {
        {"0", true, 0}, {"42", true, 42}, {"-3", true, -3}, {"-2147483648", true, INT_MIN},
        {"", false, 0}, {"abc", false, 0}, {"1a", false, 0}, {" 5", false, 0}, {"-", false, 0},
        {"2147483648", false, 0}, {"99999999999999999999", false, 0}, {"1.5", false, 0},
    };
    for (const auto& c : cases) {
        int v = 12345;
        EXPECT_EQ(TryParseDecimal(c.text, v), c.ok) << c.text;
        EXPECT_EQ(DecimalOrZero(c.text), c.value) << c.text;
    }
}

}  // namespace
