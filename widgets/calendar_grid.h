#pragma once
// The month calendar's arithmetic without any window: which date each of the
// 6 x 7 cells holds, week numbers, the cell under a point, browsing and key
// steps, the change notifications a new selected date raises, and the day
// marker collection.
//
// Conventions: StartDay is the weekday of the first column, 1 = Monday ...
// 6 = Saturday, 7 = Sunday (a value outside 1..7 counts as 1). Rows are 0..5,
// columns 0..6; out-of-range rows and columns are clamped into the grid.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "events/date_time.h"

// ---- Grid -------------------------------------------------------------

constexpr int kCalendarRows = 6;
constexpr int kCalendarColumns = 7;

// Column (0-based) of the 1st of the month: its weekday (0 = Sunday) minus
// StartDay, plus 7 when negative. 0 means no day of the previous month shows.
int MonthOffset(int year, int month, int startDay);

struct TCalendarCell {
    TDateTime Date = 0;  // midnight
    int Year = 0, Month = 0, Day = 0;
    int MonthDelta = 0;  // -1 previous month, 0 the shown month, +1 next month
};

// The date of a cell of the grid showing (year, month).
TCalendarCell CalendarCellAt(int year, int month, int startDay, int row, int col);

// Where a date sits in the grid of (year, month); false when it is not shown.
bool CalendarCellOfDate(int year, int month, int startDay, TDateTime date, int& row, int& col);

// Weekday of a column, 0 = Sunday ... 6 = Saturday.
int ColumnWeekday(int startDay, int col);
// Index into day names listed Monday first (0 = Monday ... 6 = Sunday).
int ColumnDayNameIndex(int startDay, int col);
bool IsWeekendColumn(int startDay, int col);

// Week number of a row: whole days from 1 January of the year in which the
// row's last day falls, to that last day, divided by 7, plus 1.
int CalendarWeekNumber(int year, int month, int startDay, int row);

// ---- Geometry ---------------------------------------------------------

struct TCalendarGeometry {
    int ColumnWidth = 0;
    int RowHeight = 0;
    int CaptionHeight = 0;    // the caption row (month, year, browse buttons)
    int WeekColumnWidth = 0;  // counts only when ShowWeeks
    bool ShowWeeks = true;
};

// Splits a client area: caption on top, then seven rows of equal height
// (day names and six day rows); the week column takes an eighth of the width.
TCalendarGeometry LayoutCalendar(int width, int height, int captionHeight, bool showWeeks);

// Cell under a client point. False over the week column, the caption and the
// day-name row (and left of or above the widget); otherwise the column is at
// most 6 and the row at most 5.
bool CalendarCellAtPoint(const TCalendarGeometry& g, int x, int y, int& row, int& col);

// ---- Moving the selected date ---------------------------------------

// The same day number `months` months later (earlier when negative), reduced
// to the last day of a shorter month. Midnight. Years stay within 1..9999.
TDateTime BrowseMonths(TDateTime date, int months);
// The day of `date` put into (year, month), reduced the same way.
TDateTime DateInMonth(TDateTime date, int year, int month);

enum class TCalendarStep { DayBack, DayForward, WeekBack, WeekForward, MonthBack, MonthForward };
TDateTime StepDate(TDateTime date, TCalendarStep step);

// Years offered by the caption's year menu: four before to five after.
std::vector<int> CalendarMenuYears(int year);

enum class TDateChange { Day, Month, Year };
// Notifications a change of the selected date raises, in the order raised:
// Day when the day-of-month numbers differ, Month when the months differ,
// Year when the years differ.
std::vector<TDateChange> DateChangeNotifications(TDateTime oldDate, TDateTime newDate);

// ---- Day markers ------------------------------------------------------

enum TEventShape { evsRectangle = 0, evsCircle = 1, evsSquare = 2, evsTriangle = 3, evsNone = 4 };

struct TCalendarEvent {
    TDateTime Date = 0;           // compared by its whole day
    uint32_t Color = 0x000080;    // 0xRRGGBB
    TEventShape Shape = evsRectangle;
    uint32_t FontColor = 0x18E7E7;  // 0xRRGGBB
};

// Ordered marker entries with a by-day index, so that Find, Add and Delete
// stay cheap with a marker on every day of several years.
//
// Entries may be edited through the reference returned by Add or by the
// non-const operator[] (also their Date): the collection re-reads the dates
// of entries handed out that way at the next Find. A reference is a short
// edit handle; like a std::vector reference it dies with Add or Delete, and a
// Date changed through it after a later Find is not seen.
class TCalendarEvents {
public:
    // Starting values of new entries.
    uint32_t DefaultColor = 0x000080;
    TEventShape DefaultShape = evsRectangle;
    uint32_t DefaultFontColor = 0x18E7E7;

    // Position of the first entry on the same day as `date`, or -1.
    int Find(TDateTime date);
    // A new entry at the end with the default colours and shape.
    TCalendarEvent& Add();
    TCalendarEvent& Add(TDateTime date);
    // Removes the entry at `pos`; a position out of range does nothing.
    void Delete(int pos);
    void Clear();
    int Count() const { return static_cast<int>(entries_.size()); }
    // A position out of range gives a scratch entry that belongs to no day.
    TCalendarEvent& operator[](int pos);
    const TCalendarEvent& operator[](int pos) const;
    // Gives every entry the marker colour and font colour (theme change).
    void SetAllColors(uint32_t color, uint32_t fontColor);

private:
    // Every entry gets an id that grows with each Add, so ids keep the order
    // of positions; a Fenwick tree over live ids turns an id into a position.
    int PositionOf(size_t id) const;
    void FileId(size_t id, int64_t day);
    void UnfileId(size_t id);
    void Resync();
    void Renumber();

    std::vector<TCalendarEvent> entries_;
    std::vector<size_t> ids_;            // id of each position, ascending
    std::vector<int> live_;              // Fenwick tree (1-based) of live ids
    std::vector<int64_t> dayOfId_;       // the day each id is filed under
    std::vector<char> alive_;
    std::unordered_map<int64_t, std::vector<size_t>> byDay_;  // ids, ascending
    std::vector<size_t> handedOut_;      // ids whose Date may have changed
    TCalendarEvent scratch_;
};
