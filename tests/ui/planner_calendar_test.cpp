// The month calendar on the offscreen platform: input routing, notification
// order and what the grid paints.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <string>
#include <vector>

#include "tests/support/builders.h"
#include "tests/ui/drive.h"
#include "widgets/planner_calendar.h"

namespace {

std::string Ymd(TDateTime t) {
    const DateTimeParts p = DecodeDateTime(t);
    return std::to_string(p.year) + "-" + std::to_string(p.month) + "-" + std::to_string(p.day);
}

// A calendar of the main window's size whose notifications are logged.
struct Fixture {
    TPlannerCalendar cal;
    std::vector<std::string> log;

    explicit Fixture(TDateTime date) {
        cal.resize(265, 185);
        cal.SetDate(date);
        QObject::connect(&cal, &TPlannerCalendar::OnMouseDown, [this](Qt::MouseButton b, int, int) {
            log.push_back(b == Qt::LeftButton ? "down:left" : "down:other");
        });
        QObject::connect(&cal, &TPlannerCalendar::OnDayChange,
                         [this](TDateTime o, TDateTime n) { log.push_back("day " + Ymd(o) + ">" + Ymd(n)); });
        QObject::connect(&cal, &TPlannerCalendar::OnMonthChange,
                         [this](TDateTime o, TDateTime n) { log.push_back("month " + Ymd(o) + ">" + Ymd(n)); });
        QObject::connect(&cal, &TPlannerCalendar::OnYearChange,
                         [this](TDateTime o, TDateTime n) { log.push_back("year " + Ymd(o) + ">" + Ymd(n)); });
    }

    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseClick(&cal, button, {}, at); }
};

using Log = std::vector<std::string>;

// A left click selects and notifies in order; the right button only reports its press.
TEST(PlannerCalendar, ClicksSelectAndNotifyInOrder) {
    Fixture f(Day(2010, 10, 15));
    f.Press(f.cal.DateRect(Day(2010, 10, 20)).center(), Qt::RightButton);
    f.Press(f.cal.NextButtonRect().center(), Qt::RightButton);
    EXPECT_EQ(f.log, (Log{"down:other", "down:other"}));
    EXPECT_EQ(f.cal.Date(), Day(2010, 10, 15));

    // 2 November sits in the last row of October's grid.
    f.log.clear();
    f.Press(f.cal.DateRect(Day(2010, 11, 2)).center());
    EXPECT_EQ(f.log, (Log{"down:left", "day 2010-10-15>2010-11-2", "month 2010-10-15>2010-11-2"}));
    EXPECT_EQ(f.cal.Date(), Day(2010, 11, 2));
    EXPECT_EQ(f.cal.Month(), 11);

    // Clicking the selected day again changes nothing.
    f.log.clear();
    f.Press(f.cal.DateRect(Day(2010, 11, 2)).center());
    EXPECT_EQ(f.log, (Log{"down:left"}));
}

TEST(PlannerCalendar, BrowseButtonsAndKeys) {
    Fixture f(Day(2010, 1, 31));
    f.Press(f.cal.NextButtonRect().center());
    EXPECT_EQ(f.cal.Date(), Day(2010, 2, 28));
    EXPECT_EQ(f.log, (Log{"down:left", "day 2010-1-31>2010-2-28", "month 2010-1-31>2010-2-28"}));

    f.log.clear();
    f.cal.SetDate(Day(2010, 1, 15) + 0.7);  // no notification; only the date counts
    EXPECT_TRUE(f.log.empty());
    EXPECT_EQ(f.cal.Date(), Day(2010, 1, 15));
    f.Press(f.cal.PrevButtonRect().center());
    EXPECT_EQ(f.log, (Log{"down:left", "month 2010-1-15>2009-12-15", "year 2010-1-15>2009-12-15"}));

    struct Case { TDateTime from; int key; TDateTime want; Log raised; };
    const Case cases[] = {
        {Day(2012, 1, 31), Qt::Key_PageDown, Day(2012, 2, 29), {"day 2012-1-31>2012-2-29", "month 2012-1-31>2012-2-29"}},
        {Day(2010, 10, 15), Qt::Key_PageUp, Day(2010, 9, 15), {"month 2010-10-15>2010-9-15"}},
        {Day(2010, 10, 1), Qt::Key_Left, Day(2010, 9, 30), {"day 2010-10-1>2010-9-30", "month 2010-10-1>2010-9-30"}},
        {Day(2010, 12, 31), Qt::Key_Right, Day(2011, 1, 1),
         {"day 2010-12-31>2011-1-1", "month 2010-12-31>2011-1-1", "year 2010-12-31>2011-1-1"}},
        {Day(2010, 10, 15), Qt::Key_Down, Day(2010, 10, 22), {"day 2010-10-15>2010-10-22"}},
        {Day(2010, 10, 15), Qt::Key_Up, Day(2010, 10, 8), {"day 2010-10-15>2010-10-8"}},
    };
    for (const Case& c : cases) {
        f.cal.SetDate(c.from);
        f.log.clear();
        QTest::keyClick(&f.cal, Qt::Key(c.key));
        EXPECT_EQ(f.cal.Date(), c.want) << Ymd(c.from) << " key " << c.key;
        EXPECT_EQ(f.log, c.raised) << Ymd(c.from) << " key " << c.key;
    }
}

TEST(PlannerCalendar, MonthAndYearMenus) {
    Fixture f(Day(2010, 3, 31));
    f.Press(f.cal.MonthNameRect().center());
    QMenu* months = f.cal.OpenMenu();
    ASSERT_NE(months, nullptr);
    months->actions()[3]->trigger();  // April
    EXPECT_EQ(f.cal.Date(), Day(2010, 4, 30));
    months->close();

    f.Press(f.cal.YearRect().center());
    QMenu* years = f.cal.OpenMenu();
    ASSERT_NE(years, nullptr);
    years->actions().back()->trigger();
    EXPECT_EQ(f.cal.Year(), 2015);
    years->close();
}

// The grid's own points are pinned by CalendarGrid.PointToCell; here the
// settings that move the days under the pointer.
TEST(PlannerCalendar, DateAtPoint) {
    Fixture f(Day(2010, 10, 15));
    TDateTime d = -1;
    f.cal.ShowWeeks = false;
    ASSERT_TRUE(f.cal.DateAtXY(1, f.cal.DateRect(Day(2010, 9, 27)).center().y(), d));
    EXPECT_EQ(d, Day(2010, 9, 27));
    f.cal.StartDay = 7;
    ASSERT_TRUE(f.cal.DateAtXY(1, f.cal.DateRect(Day(2010, 9, 26)).center().y(), d));
    EXPECT_EQ(d, Day(2010, 9, 26));  // Sunday first
    f.cal.ShowDaysBefore = false;
    EXPECT_FALSE(f.cal.DateAtXY(1, f.cal.DateRect(Day(2010, 9, 26)).center().y(), d));
}

// ---- painting ----------------------------------------------------------------

QRgb Px(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

bool CellHasColour(const QImage& img, const QRect& r, QRgb colour, int tolerance) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = QColor::fromRgb(img.pixel(x, y));
            const QColor w = QColor::fromRgb(colour);
            if (std::abs(c.red() - w.red()) + std::abs(c.green() - w.green()) + std::abs(c.blue() - w.blue()) <=
                tolerance)
                return true;
        }
    return false;
}

TEST(PlannerCalendar, MarkersSelectionAndTodayPaint) {
    Fixture f(Day(2010, 10, 29));
    TPlannerCalendar& cal = f.cal;
    cal.SetToday(Day(2010, 10, 20));
    // Whether a marker's colour shows at three points of the cell less its
    // frame: by the top-left corner, by the bottom-left one, and at the left
    // of the middle. A rectangle fills the cell, a circle and a square turned
    // on its corner keep off the corners, a triangle stands on its base.
    struct Mark { TDateTime day; TEventShape shape; uint32_t colour; bool top, bottom, middle; };
    const Mark marks[] = {
        {Day(2010, 10, 5), evsRectangle, 0x00C000, true, true, true},
        {Day(2010, 10, 6), evsCircle, 0xC000C0, false, false, true},
        {Day(2010, 10, 7), evsSquare, 0x00A0A0, false, false, true},
        {Day(2010, 10, 8), evsTriangle, 0xA06000, false, true, false},
        {Day(2010, 11, 6), evsRectangle, 0x2020F0, true, true, true},  // last row, next month
        {Day(2010, 10, 12), evsNone, 0x404040, false, false, false},
        {Day(2010, 10, 29), evsRectangle, 0x00C000, false, false, false},  // the selection covers it
    };
    for (const Mark& m : marks) {
        TCalendarEvent& e = cal.Events().Add(m.day);
        e.Shape = m.shape;
        e.Color = m.colour;
    }
    cal.Events()[5].FontColor = 0xFF0000;
    const QImage img = cal.grab().toImage();
    for (const Mark& m : marks) {
        const QRect r = cal.DateRect(m.day).adjusted(1, 1, -1, -1);
        EXPECT_EQ(Px(img, r.left() + 1, r.top() + 1) == m.colour, m.top) << m.shape;
        EXPECT_EQ(Px(img, r.left() + 4, r.bottom() - 1) == m.colour, m.bottom) << m.shape;
        EXPECT_EQ(Px(img, r.left() + 3, r.top() + r.height() / 2) == m.colour, m.middle) << m.shape;
        EXPECT_NE(Px(img, r.left() - 1, r.top() + 1), m.colour) << m.shape;  // inside the frame
        EXPECT_EQ(CellHasColour(img, r, m.colour, 0), m.top || m.bottom || m.middle) << m.shape;
    }
    const QRect none = cal.DateRect(Day(2010, 10, 12));
    EXPECT_TRUE(CellHasColour(img, none, 0xFF0000, 60));  // no shape: the number in the marker's font colour
    EXPECT_EQ(Px(img, cal.DateRect(Day(2010, 10, 29)).left() + 1, cal.DateRect(Day(2010, 10, 29)).top() + 1),
              0x6FD0FFu);  // the selection colour

    const QRect today = cal.DateRect(Day(2010, 10, 20));
    EXPECT_EQ(Px(img, today.left(), today.top()), 0x000000u);
    EXPECT_EQ(Px(img, today.right(), today.bottom()), 0x000000u);
    const QRect other = cal.DateRect(Day(2010, 10, 21));
    EXPECT_NE(Px(img, other.left() + 1, other.top()), 0x000000u);
}

}  // namespace
