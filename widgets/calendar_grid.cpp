#include "widgets/calendar_grid.h"

#include <algorithm>

namespace {

// Dates far outside the calendar's years (or not numbers) would overflow the
// day arithmetic; they are pinned to 1 January 0001 .. 31 December 9999.
TDateTime SafeDate(TDateTime d) {
    if (!(d == d)) return 0;  // NaN
    return std::clamp(d, kFirstCalendarDay, kLastCalendarDay + 0.999);
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
    if (year < kFirstYear) { year = kFirstYear; month = 1; day = 1; }
    if (year > kLastYear) { year = kLastYear; month = 12; day = 31; }
}

// First date shown in the grid of (year, month).
TDateTime GridStart(int year, int month, int startDay) {
    year = ClampInt(year, kFirstYear, kLastYear);
    month = ClampInt(month, 1, 12);
    return EncodeDate(year, month, 1) - MonthOffset(year, month, startDay);
}

}  // namespace

int MonthOffset(int year, int month, int startDay) {
    year = ClampInt(year, kFirstYear, kLastYear);
    month = ClampInt(month, 1, 12);
    const int weekday = DayOfWeek(EncodeDate(year, month, 1)) - 1;  // 0 = Sunday
    int offset = weekday - NormalStartDay(startDay);
    if (offset < 0) offset += 7;
    return offset;
}

TCalendarCell CalendarCellAt(int year, int month, int startDay, int row, int col) {
    year = ClampInt(year, kFirstYear, kLastYear);
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
    year = ClampInt(year, kFirstYear, kLastYear);
    month = ClampInt(month, 1, 12);
    return EncodeDate(year, month, std::min(d, DaysInMonth(year, month)));
}

TDateTime BrowseMonths(TDateTime date, int months) {
    int y, m, d;
    YearMonthOf(date, y, m, d);
    // Month counted from January of year 0; clamped so the sum cannot overflow.
    const int64_t limit = int64_t{kLastYear} * 12 + 11;
    int64_t total = int64_t{y} * 12 + (m - 1) + months;
    total = std::clamp<int64_t>(total, int64_t{kFirstYear} * 12, limit);
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
        if (y >= kFirstYear && y <= kLastYear) years.push_back(y);
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

int TCalendarEvents::PositionOf(size_t id) const {
    // Live ids before this one.
    int count = 0;
    for (size_t i = id; i > 0; i &= i - 1) count += live_[i];
    return count;
}

void TCalendarEvents::FileId(size_t id, int64_t day) {
    dayOfId_[id] = day;
    std::vector<size_t>& list = byDay_[day];
    list.insert(std::lower_bound(list.begin(), list.end(), id), id);
}

void TCalendarEvents::UnfileId(size_t id) {
    const auto it = byDay_.find(dayOfId_[id]);
    if (it == byDay_.end()) return;
    auto& list = it->second;
    const auto at = std::lower_bound(list.begin(), list.end(), id);
    if (at != list.end() && *at == id) list.erase(at);
    if (list.empty()) byDay_.erase(it);
}

void TCalendarEvents::Renumber() {
    // Ids 0..n-1 again, once dead ids outnumber live ones.
    const size_t n = entries_.size();
    ids_.resize(n);
    dayOfId_.assign(n, 0);
    alive_.assign(n, 1);
    live_.assign(n + 1, 0);
    byDay_.clear();
    for (size_t i = 0; i < n; ++i) {
        ids_[i] = i;
        for (size_t j = i + 1; j <= n; j += j & (~j + 1)) ++live_[j];
        FileId(i, SafeDay(entries_[i].Date));
    }
    handedOut_.clear();
}

void TCalendarEvents::Resync() {
    if (handedOut_.size() > entries_.size() + 16) { Renumber(); return; }
    for (size_t id : handedOut_) {
        if (id >= alive_.size() || !alive_[id]) continue;
        const int pos = PositionOf(id);
        const int64_t now = SafeDay(entries_[static_cast<size_t>(pos)].Date);
        if (now == dayOfId_[id]) continue;
        UnfileId(id);
        FileId(id, now);
    }
    handedOut_.clear();
}

int TCalendarEvents::Find(TDateTime date) {
    Resync();
    const auto it = byDay_.find(SafeDay(date));
    return it == byDay_.end() || it->second.empty() ? -1 : PositionOf(it->second.front());
}

TCalendarEvent& TCalendarEvents::Add() { return Add(0); }

TCalendarEvent& TCalendarEvents::Add(TDateTime date) {
    TCalendarEvent e;
    e.Date = date;
    e.Color = DefaultColor;
    e.Shape = DefaultShape;
    e.FontColor = DefaultFontColor;
    entries_.push_back(e);
    const size_t id = alive_.size();
    alive_.push_back(1);
    dayOfId_.push_back(0);
    ids_.push_back(id);
    // Append to the Fenwick tree: node id+1 sums the live ids it covers.
    const size_t node = id + 1;
    if (live_.empty()) live_.push_back(0);
    const size_t low = node & (~node + 1);
    live_.push_back(1 + PositionOf(id) - PositionOf(node - low));
    FileId(id, SafeDay(date));
    handedOut_.push_back(id);
    return entries_.back();
}

void TCalendarEvents::Delete(int pos) {
    if (pos < 0 || pos >= Count()) return;
    const size_t id = ids_[static_cast<size_t>(pos)];
    UnfileId(id);
    alive_[id] = 0;
    for (size_t j = id + 1; j < live_.size(); j += j & (~j + 1)) --live_[j];
    entries_.erase(entries_.begin() + pos);
    ids_.erase(ids_.begin() + pos);
    if (alive_.size() > 2 * entries_.size() + 64) Renumber();
}

void TCalendarEvents::Clear() {
    entries_.clear();
    ids_.clear();
    live_.clear();
    dayOfId_.clear();
    alive_.clear();
    byDay_.clear();
    handedOut_.clear();
}

TCalendarEvent& TCalendarEvents::operator[](int pos) {
    if (pos < 0 || pos >= Count()) {
        scratch_ = TCalendarEvent{};
        return scratch_;
    }
    handedOut_.push_back(ids_[static_cast<size_t>(pos)]);
    return entries_[static_cast<size_t>(pos)];
}

const TCalendarEvent& TCalendarEvents::operator[](int pos) const {
    if (pos < 0 || pos >= Count()) return scratch_;
    return entries_[static_cast<size_t>(pos)];
}

void TCalendarEvents::SetAllColors(uint32_t color, uint32_t fontColor) {
    for (TCalendarEvent& e : entries_) {
        e.Color = color;
        e.FontColor = fontColor;
    }
}
