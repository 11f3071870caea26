#include "widgets/calendar_grid.h"

#include <algorithm>

namespace {

constexpr int kMinYear = 1, kMaxYear = 9999;

// Dates far outside the calendar's years (or not numbers) would overflow the
// day arithmetic; they are pinned to 1 January 0001 .. 31 December 9999.
TDateTime SafeDate(TDateTime d) {
    static const TDateTime first = EncodeDate(kMinYear, 1, 1);
    static const TDateTime last = EncodeDate(kMaxYear, 12, 31) + 0.999;
    if (!(d == d)) return 0;  // NaN
    return std::clamp(d, first, last);
}

int64_t SafeDay(TDateTime d) { return DayNumber(SafeDate(d)); }

int NormalStartDay(int startDay) { return (startDay >= 1 && startDay <= 7) ? startDay : 1; }

int ClampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

// Year and month of a date kept inside the years the calendar can show.
void YearMonthOf(TDateTime date, int& year, int& month, int& day) {
    const DateTimeParts p = DecodeDateTime(SafeDate(date));
    year = p.year;
    month = p.month;
    day = p.day;
    if (year < kMinYear) { year = kMinYear; month = 1; day = 1; }
    if (year > kMaxYear) { year = kMaxYear; month = 12; day = 31; }
}

// First date shown in the grid of (year, month).
TDateTime GridStart(int year, int month, int startDay) {
    year = ClampInt(year, kMinYear, kMaxYear);
    month = ClampInt(month, 1, 12);
    return EncodeDate(year, month, 1) - MonthOffset(year, month, startDay);
}

}  // namespace

int MonthOffset(int year, int month, int startDay) {
    year = ClampInt(year, kMinYear, kMaxYear);
    month = ClampInt(month, 1, 12);
    const int weekday = DayOfWeek(EncodeDate(year, month, 1)) - 1;  // 0 = Sunday
    int offset = weekday - NormalStartDay(startDay);
    if (offset < 0) offset += 7;
    return offset;
}

TCalendarCell CalendarCellAt(int year, int month, int startDay, int row, int col) {
    year = ClampInt(year, kMinYear, kMaxYear);
    month = ClampInt(month, 1, 12);
    row = ClampInt(row, 0, kCalendarRows - 1);
    col = ClampInt(col, 0, kCalendarColumns - 1);
    TCalendarCell cell;
    cell.Date = GridStart(year, month, startDay) + row * 7 + col;
    const DateTimeParts p = DecodeDateTime(cell.Date);
    cell.Year = p.year;
    cell.Month = p.month;
    cell.Day = p.day;
    const int shown = year * 12 + month, here = p.year * 12 + p.month;
    cell.MonthDelta = here < shown ? -1 : (here > shown ? 1 : 0);
    return cell;
}

bool CalendarCellOfDate(int year, int month, int startDay, TDateTime date, int& row, int& col) {
    const int64_t index = SafeDay(date) - DayNumber(GridStart(year, month, startDay));
    if (index < 0 || index >= kCalendarRows * kCalendarColumns) return false;
    row = static_cast<int>(index / 7);
    col = static_cast<int>(index % 7);
    return true;
}

int ColumnWeekday(int startDay, int col) {
    return (NormalStartDay(startDay) + ClampInt(col, 0, 6)) % 7;
}

int ColumnDayNameIndex(int startDay, int col) { return (ColumnWeekday(startDay, col) + 6) % 7; }

bool IsWeekendColumn(int startDay, int col) {
    const int wd = ColumnWeekday(startDay, col);
    return wd == 0 || wd == 6;
}

int CalendarWeekNumber(int year, int month, int startDay, int row) {
    const TCalendarCell last = CalendarCellAt(year, month, startDay, row, kCalendarColumns - 1);
    const int64_t days = DayNumber(last.Date) - DayNumber(EncodeDate(last.Year, 1, 1));
    return static_cast<int>(days / 7) + 1;
}

TCalendarGeometry LayoutCalendar(int width, int height, int captionHeight, bool showWeeks) {
    TCalendarGeometry g;
    g.ShowWeeks = showWeeks;
    g.CaptionHeight = std::max(0, captionHeight);
    width = std::max(0, width);
    height = std::max(0, height);
    g.WeekColumnWidth = showWeeks ? width / 8 : 0;
    g.ColumnWidth = (width - g.WeekColumnWidth) / kCalendarColumns;
    g.RowHeight = std::max(0, height - g.CaptionHeight) / (kCalendarRows + 1);
    return g;
}

bool CalendarCellAtPoint(const TCalendarGeometry& g, int x, int y, int& row, int& col) {
    if (g.ColumnWidth <= 0 || g.RowHeight <= 0) return false;
    const int left = g.ShowWeeks ? g.WeekColumnWidth : 0;
    const int top = g.CaptionHeight + g.RowHeight;
    if (x < left || y < top) return false;
    col = std::min((x - left) / g.ColumnWidth, kCalendarColumns - 1);
    row = std::min((y - top) / g.RowHeight, kCalendarRows - 1);
    return true;
}

TDateTime DateInMonth(TDateTime date, int year, int month) {
    int y, m, d;
    YearMonthOf(date, y, m, d);
    year = ClampInt(year, kMinYear, kMaxYear);
    month = ClampInt(month, 1, 12);
    return EncodeDate(year, month, std::min(d, DaysInMonth(year, month)));
}

TDateTime BrowseMonths(TDateTime date, int months) {
    int y, m, d;
    YearMonthOf(date, y, m, d);
    // Month counted from January of year 0; clamped so the sum cannot overflow.
    const int64_t limit = int64_t{kMaxYear} * 12 + 11;
    int64_t total = int64_t{y} * 12 + (m - 1) + months;
    total = std::clamp<int64_t>(total, int64_t{kMinYear} * 12, limit);
    const int ny = static_cast<int>(total / 12), nm = static_cast<int>(total % 12) + 1;
    return EncodeDate(ny, nm, std::min(d, DaysInMonth(ny, nm)));
}

TDateTime StepDate(TDateTime date, TCalendarStep step) {
    const TDateTime day = DateOf(SafeDate(date));
    switch (step) {
        case TCalendarStep::DayBack: return day - 1;
        case TCalendarStep::DayForward: return day + 1;
        case TCalendarStep::WeekBack: return day - 7;
        case TCalendarStep::WeekForward: return day + 7;
        case TCalendarStep::MonthBack: return BrowseMonths(day, -1);
        case TCalendarStep::MonthForward: return BrowseMonths(day, 1);
    }
    return day;
}

std::vector<int> CalendarMenuYears(int year) {
    std::vector<int> years;
    for (int y = year - 4; y <= year + 5; ++y)
        if (y >= kMinYear && y <= kMaxYear) years.push_back(y);
    return years;
}

std::vector<TDateChange> DateChangeNotifications(TDateTime oldDate, TDateTime newDate) {
    const DateTimeParts a = DecodeDateTime(SafeDate(oldDate)), b = DecodeDateTime(SafeDate(newDate));
    std::vector<TDateChange> out;
    if (a.day != b.day) out.push_back(TDateChange::Day);
    if (a.month != b.month) out.push_back(TDateChange::Month);
    if (a.year != b.year) out.push_back(TDateChange::Year);
    return out;
}

// ---- TCalendarEvents ----------------------------------------------------

void TCalendarEvents::IndexPosition(int pos) {
    const int64_t day = SafeDay(entries_[static_cast<size_t>(pos)].Date);
    indexedDay_[static_cast<size_t>(pos)] = day;
    std::vector<int>& list = byDay_[day];
    list.insert(std::lower_bound(list.begin(), list.end(), pos), pos);
}

void TCalendarEvents::Rebuild() {
    byDay_.clear();
    indexedDay_.assign(entries_.size(), 0);
    for (int i = 0; i < Count(); ++i) IndexPosition(i);
    handedOut_.clear();
    rebuild_ = false;
}

void TCalendarEvents::Resync() {
    if (rebuild_) { Rebuild(); return; }
    for (int pos : handedOut_) {
        if (pos < 0 || pos >= Count()) continue;
        const int64_t now = SafeDay(entries_[static_cast<size_t>(pos)].Date);
        const int64_t was = indexedDay_[static_cast<size_t>(pos)];
        if (now == was) continue;
        auto it = byDay_.find(was);
        if (it != byDay_.end()) {
            auto& list = it->second;
            list.erase(std::remove(list.begin(), list.end(), pos), list.end());
            if (list.empty()) byDay_.erase(it);
        }
        IndexPosition(pos);
    }
    handedOut_.clear();
}

int TCalendarEvents::Find(TDateTime date) {
    Resync();
    const auto it = byDay_.find(SafeDay(date));
    return it == byDay_.end() || it->second.empty() ? -1 : it->second.front();
}

TCalendarEvent& TCalendarEvents::Add() { return Add(0); }

TCalendarEvent& TCalendarEvents::Add(TDateTime date) {
    TCalendarEvent e;
    e.Date = date;
    e.Color = DefaultColor;
    e.Shape = DefaultShape;
    e.FontColor = DefaultFontColor;
    entries_.push_back(e);
    indexedDay_.push_back(0);
    const int pos = Count() - 1;
    if (!rebuild_) IndexPosition(pos);
    handedOut_.push_back(pos);
    return entries_.back();
}

void TCalendarEvents::Delete(int pos) {
    if (pos < 0 || pos >= Count()) return;
    entries_.erase(entries_.begin() + pos);
    indexedDay_.erase(indexedDay_.begin() + pos);
    // Positions after it all shift; refiling is linear like the erase itself.
    rebuild_ = true;
}

void TCalendarEvents::Clear() {
    entries_.clear();
    indexedDay_.clear();
    byDay_.clear();
    handedOut_.clear();
    rebuild_ = false;
}

TCalendarEvent& TCalendarEvents::operator[](int pos) {
    if (!rebuild_) {
        handedOut_.push_back(pos);
        // Many edits without a Find in between: one refile is cheaper.
        if (handedOut_.size() > entries_.size() + 16) rebuild_ = true;
    }
    return entries_[static_cast<size_t>(pos)];
}

void TCalendarEvents::SetAllColors(uint32_t color, uint32_t fontColor) {
    for (TCalendarEvent& e : entries_) {
        e.Color = color;
        e.FontColor = fontColor;
    }
}
