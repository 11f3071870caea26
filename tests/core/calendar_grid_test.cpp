#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/builders.h"
#include "widgets/calendar_grid.h"

namespace {

TEST(CalendarGrid, CellDatesIncludeNeighbouringMonths) {
    struct Case { int year, month, startDay, row, col; TDateTime want; int delta; };
    const Case cases[] = {
        {2010, 10, 1, 0, 0, Day(2010, 9, 27), -1},   // first row starts on Monday 27 Sep
        {2010, 10, 1, 0, 4, Day(2010, 10, 1), 0},    // the 1st is a Friday
        {2010, 10, 1, 0, 6, Day(2010, 10, 3), 0},
        {2010, 10, 1, 5, 6, Day(2010, 11, 7), 1},    // the grid ends on 7 November
        {2010, 10, 7, 0, 0, Day(2010, 9, 26), -1},   // Sunday first
        {2010, 10, 7, 0, 5, Day(2010, 10, 1), 0},
        {2010, 11, 1, 0, 0, Day(2010, 11, 1), 0},    // 1st on Monday: no September day
        {2010, 8, 7, 0, 0, Day(2010, 8, 1), 0},      // 1st on Sunday, Sunday first
        {2010, 2, 1, 4, 0, Day(2010, 3, 1), 1},      // 28 days from Monday: two spare rows
        {2011, 1, 1, 0, 0, Day(2010, 12, 27), -1},   // previous month across the year
        {2010, 12, 1, 5, 6, Day(2011, 1, 9), 1},
        {2010, 10, 0, 0, 0, Day(2010, 9, 27), -1},   // StartDay out of range counts as Monday
        {2010, 10, 1, 9, -3, Day(2010, 11, 1), 1},   // row and column clamped into the grid
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << " sd" << c.startDay << " r" << c.row << " c" << c.col);
        const TCalendarCell cell = CalendarCellAt(c.year, c.month, c.startDay, c.row, c.col);
        EXPECT_EQ(cell.Date, c.want);
        EXPECT_EQ(cell.MonthDelta, c.delta);
        // And back from the date, a time of day aside, to the cell.
        int row = -1, col = -1;
        ASSERT_TRUE(CalendarCellOfDate(c.year, c.month, c.startDay, c.want + 0.75, row, col));
        EXPECT_EQ(row, std::clamp(c.row, 0, 5));
        EXPECT_EQ(col, std::clamp(c.col, 0, 6));
    }
    int row, col;
    EXPECT_FALSE(CalendarCellOfDate(2010, 10, 1, Day(2010, 9, 26), row, col));
    EXPECT_FALSE(CalendarCellOfDate(2010, 10, 1, Day(2010, 11, 8), row, col));
    EXPECT_EQ(MonthOffset(2010, 11, 1), 0);
    EXPECT_EQ(MonthOffset(2010, 10, 7), 5);
}

TEST(CalendarGrid, ColumnsFollowStartDay) {
    // Day names are listed Monday first; with Sunday first the header starts at index 6.
    EXPECT_EQ(ColumnDayNameIndex(7, 0), 6);
    EXPECT_EQ(ColumnDayNameIndex(7, 1), 0);
    EXPECT_EQ(ColumnDayNameIndex(1, 0), 0);
    EXPECT_TRUE(IsWeekendColumn(1, 5));
    EXPECT_TRUE(IsWeekendColumn(1, 6));
    EXPECT_FALSE(IsWeekendColumn(1, 4));
    EXPECT_TRUE(IsWeekendColumn(7, 0));
    EXPECT_TRUE(IsWeekendColumn(7, 6));
    EXPECT_FALSE(IsWeekendColumn(7, 1));
}

TEST(CalendarGrid, WeekNumbersCountFromFirstJanuaryOfTheRowsLastDay) {
    struct Case { int year, month, startDay; int want[6]; };
    const Case cases[] = {
        // Rows end on 3, 10, 17, 24, 31 Oct and 7 Nov: days 275, 282, ... from 1 Jan.
        {2010, 10, 1, {40, 41, 42, 43, 44, 45}},
        // Sunday first: rows end on Saturdays 2 Oct (day 274) ... 6 Nov.
        {2010, 10, 7, {40, 41, 42, 43, 44, 45}},
        // The row 27 Dec - 2 Jan ends in 2011, so it counts from 1 January 2011.
        {2010, 12, 1, {49, 50, 51, 52, 1, 2}},
        {2011, 1, 1, {1, 2, 3, 4, 5, 6}},
        {2012, 1, 1, {1, 2, 3, 4, 5, 6}},  // the first row ends on 1 January
    };
    for (const Case& c : cases)
        for (int r = 0; r < 6; ++r)
            EXPECT_EQ(CalendarWeekNumber(c.year, c.month, c.startDay, r), c.want[r])
                << c.year << "-" << c.month << " sd" << c.startDay << " row " << r;
}

TEST(CalendarGrid, PointToCell) {
    const TCalendarGeometry g = LayoutCalendar(265, 185, 24, true);
    ASSERT_EQ(g.WeekColumnWidth, 33);
    ASSERT_EQ(g.ColumnWidth, 33);
    ASSERT_EQ(g.RowHeight, 23);
    EXPECT_EQ(LayoutCalendar(265, 185, 24, false).WeekColumnWidth, 0);
    struct Case { TCalendarGeometry geo; int x, y; bool found; int row, col; };
    TCalendarGeometry noWeeks = g;
    noWeeks.ShowWeeks = false;
    const Case cases[] = {
        {g, 32, 100, false, 0, 0},    // week column
        {g, 100, 10, false, 0, 0},    // caption
        {g, 100, 46, false, 0, 0},    // day-name row
        {g, 33, 47, true, 0, 0},
        {g, 66, 70, true, 1, 1},
        {g, 264, 184, true, 5, 6},    // right edge: column clamped to 6
        {g, 400, 900, true, 5, 6},    // beyond the widget: clamped
        {g, -5, 100, false, 0, 0},
        {noWeeks, 0, 47, true, 0, 0},
        {noWeeks, 32, 47, true, 0, 0},
        {TCalendarGeometry{}, 10, 10, false, 0, 0},  // empty widget
    };
    for (const Case& c : cases) {
        int row = -1, col = -1;
        EXPECT_EQ(CalendarCellAtPoint(c.geo, c.x, c.y, row, col), c.found) << c.x << "," << c.y;
        if (c.found) {
            EXPECT_EQ(row, c.row) << c.x << "," << c.y;
            EXPECT_EQ(col, c.col) << c.x << "," << c.y;
        }
    }
}

TEST(CalendarGrid, BrowsingKeepsTheDayWithinTheMonth) {
    using N = TDateChange;
    struct Case { TDateTime from; int months; TDateTime want; std::vector<N> raised; };
    const Case cases[] = {
        {Day(2010, 1, 31), 1, Day(2010, 2, 28), {N::Day, N::Month}},
        {Day(2012, 1, 31), 1, Day(2012, 2, 29), {N::Day, N::Month}},
        {Day(2010, 10, 15) + 0.5, 1, Day(2010, 11, 15), {N::Month}},
        {Day(2010, 12, 15), 1, Day(2011, 1, 15), {N::Month, N::Year}},
        {Day(2011, 1, 15), -1, Day(2010, 12, 15), {N::Month, N::Year}},
        {Day(2010, 3, 31), -13, Day(2009, 2, 28), {N::Day, N::Month, N::Year}},
        {Day(9999, 12, 31), 1, Day(9999, 12, 31), {}},   // no month after the last
    };
    for (const Case& c : cases) {
        const TDateTime got = BrowseMonths(c.from, c.months);
        EXPECT_EQ(got, c.want) << c.from << " + " << c.months;
        EXPECT_EQ(DateChangeNotifications(c.from, got), c.raised) << c.from << " + " << c.months;
    }
    EXPECT_EQ(DateInMonth(Day(2010, 3, 31), 2011, 2), Day(2011, 2, 28));
    EXPECT_EQ(DateInMonth(Day(2010, 3, 31), 2011, 13), Day(2011, 12, 31));
}

// Each key's step is played on the calendar itself; here the 31st and the ends.
TEST(CalendarGrid, KeySteps) {
    const TDateTime from = Day(2010, 10, 31) + 0.25;
    EXPECT_EQ(StepDate(from, TCalendarStep::MonthForward), Day(2010, 11, 30));
    EXPECT_EQ(StepDate(from, TCalendarStep::MonthBack), Day(2010, 9, 30));
    EXPECT_EQ(CalendarMenuYears(2010), (std::vector<int>{2006, 2007, 2008, 2009, 2010, 2011, 2012, 2013, 2014, 2015}));
    EXPECT_EQ(CalendarMenuYears(9999).back(), 9999);  // no year after the last
}

// Adds, edits and deletes against a plain scan are below; here the defaults
// and the indices that hold no entry.
TEST(CalendarGrid, MarkersFoundByWholeDay) {
    TCalendarEvents ev;
    ev.DefaultColor = 0x112233;
    ev.DefaultShape = evsTriangle;
    ev.Add(Day(2010, 10, 12) + 0.5);
    ev.Add(Day(2010, 10, 13));
    EXPECT_EQ(ev[0].Color, 0x112233u);
    EXPECT_EQ(ev[0].Shape, evsTriangle);
    EXPECT_EQ(ev.Find(Day(2010, 10, 12) + 0.9), 0);
    ev.Delete(7);  // out of range: nothing
    ev.Delete(-1);
    EXPECT_EQ(ev.Count(), 2);
    ev[5].Date = Day(2010, 10, 14);  // out of range: a scratch entry, filed nowhere
    EXPECT_EQ(ev.Find(Day(2010, 10, 14)), -1);
    // The date set through the handle Add returns is what Find sees.
    ev.Add().Date = Day(2010, 11, 1);
    EXPECT_EQ(ev.Find(Day(2010, 11, 1)), 2);
    ev.Clear();
    EXPECT_EQ(ev.Find(Day(2010, 10, 13)), -1);
}

TEST(CalendarGrid, MarkerIndexMatchesALinearSearch) {
    // Mixed adds, edits and deletes: the index must agree with a plain scan.
    TCalendarEvents ev;
    unsigned seed = 7;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 16) % 50; };
    for (int step = 0; step < 2000; ++step) {
        const unsigned op = next() % 4;
        if (op == 0 || ev.Count() == 0) ev.Add(Day(2010, 1, 1) + next());
        else if (op == 1) ev.Delete(static_cast<int>(next()) % ev.Count());
        else if (op == 2) ev[static_cast<int>(next()) % ev.Count()].Date = Day(2010, 1, 1) + next() + 0.3;
        if (step % 97 == 0)  // a burst of edits with no Find between them
            for (int k = 0; k < 120; ++k) ev[static_cast<int>(next()) % ev.Count()].Date = Day(2010, 1, 1) + next();
        const TDateTime probe = Day(2010, 1, 1) + next();
        int want = -1;
        for (int i = 0; i < ev.Count() && want < 0; ++i)
            if (SameDay(static_cast<const TCalendarEvents&>(ev)[i].Date, probe)) want = i;
        ASSERT_EQ(ev.Find(probe), want) << "step " << step;
    }
}

TEST(CalendarGrid, DatesOutsideTheCalendarArePinned) {
    const double nan = std::nan(""), huge = 1e300;
    EXPECT_EQ(BrowseMonths(huge, 1), Day(9999, 12, 31));
    EXPECT_EQ(BrowseMonths(-huge, -1), Day(1, 1, 1));
    EXPECT_EQ(BrowseMonths(nan, 0), Day(1899, 12, 30));
    EXPECT_EQ(StepDate(huge, TCalendarStep::DayBack), Day(9999, 12, 30));
    EXPECT_EQ(BrowseMonths(Day(2010, 5, 5), 2000000000), Day(9999, 12, 5));
    EXPECT_TRUE(DateChangeNotifications(nan, Day(1899, 12, 30)).empty());
    int row, col;
    EXPECT_FALSE(CalendarCellOfDate(2010, 10, 1, huge, row, col));
    TCalendarEvents ev;
    ev.Add(huge);
    ev.Add(nan);
    EXPECT_EQ(ev.Find(Day(9999, 12, 31)), 0);
    EXPECT_EQ(ev.Find(Day(1899, 12, 30)), 1);
    EXPECT_EQ(ev.Find(-huge), -1);
}

}  // namespace
