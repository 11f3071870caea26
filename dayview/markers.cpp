#include "dayview/markers.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "events/recurrence.h"

namespace {

struct YearMonth {
    int Year = 0, Month = 0;
};

bool ValidMonth(int y, int m) { return y >= kFirstYear && y <= kLastYear && m >= 1 && m <= 12; }

int64_t FirstDayOf(int y, int m) {
    return DayNumber(EncodeDate(y, m, 1));
}

// Repetitions whose days the calendar marks: by days, weeks, months or years.
bool MarkedUnit(const TTodoItem& e) { return RepeatsByDays(e); }

// How a day is drawn: whether it has a mark, and the mark's look.
struct Look {
    bool Present = false;
    uint32_t Color = 0, FontColor = 0;
    int Shape = 0;
    bool operator==(const Look&) const = default;
};

Look LookOf(TCalendarEvents& marks, TDateTime day) {
    const int pos = marks.Find(day);
    if (pos < 0) return {};
    // The const access, so that reading does not hand the entry out for edits.
    const TCalendarEvent& e = std::as_const(marks)[pos];
    return {true, e.Color, e.FontColor, static_cast<int>(e.Shape)};
}

void Record(const Look& before, const Look& after, TDateTime day, TMarkChanges& out) {
    if (before == after) return;
    if (!before.Present) out.Added.push_back(day);
    else if (!after.Present) out.Removed.push_back(day);
    else out.Restyled.push_back(day);
}

// The two steps of a day's refresh, given what the store says about the day.
void RefreshDay(TCalendarEvents& marks, const TCalendarEvent& proto, TDateTime day, bool anyStart,
                bool recurs, TMarkChanges& out) {
    const Look before = LookOf(marks, day);
    if (!anyStart) DeleteEventFromCalendar(marks, day);
    if (recurs) AddEventToCalendar(marks, proto, day);
    Record(before, LookOf(marks, day), day, out);
}

// The shown month first, then the next, then the previous; those outside the
// calendar's years are left out.
std::vector<YearMonth> ShownAndNeighbours(int y, int m) {
    std::vector<YearMonth> out;
    if (!ValidMonth(y, m)) return out;
    out.push_back({y, m});
    const YearMonth next = m == 12 ? YearMonth{y + 1, 1} : YearMonth{y, m + 1};
    const YearMonth prev = m == 1 ? YearMonth{y - 1, 12} : YearMonth{y, m - 1};
    if (ValidMonth(next.Year, next.Month)) out.push_back(next);
    if (ValidMonth(prev.Year, prev.Month)) out.push_back(prev);
    return out;
}

// Refreshes consecutive months (given in any order, processed in that order)
// with one walk of the store: start days and repetition days of the window
// are collected first, then each day gets the same two steps as the
// day-by-day rule.
TMarkChanges RefreshMonths(const TodoItems& store, TCalendarEvents& marks,
                           const TCalendarEvent& proto, const std::vector<YearMonth>& months,
                           const EventIndex* index) {
    TMarkChanges out;
    if (months.empty()) return out;
    auto key = [](const YearMonth& a) { return a.Year * 12 + a.Month - 1; };
    const auto [lo, hi] = std::minmax_element(months.begin(), months.end(),
                                              [&](const YearMonth& a, const YearMonth& b) {
                                                  return key(a) < key(b);
                                              });
    const int64_t w0 = FirstDayOf(lo->Year, lo->Month);
    const int64_t w1 = FirstDayOf(hi->Year, hi->Month) + DaysInMonth(hi->Year, hi->Month) - 1;
    const auto size = static_cast<size_t>(w1 - w0 + 1);
    std::vector<char> starts(size, 0), recurs(size, 0);
    auto inWindow = [&](int64_t d) { return d >= w0 && d <= w1; };
    std::vector<int64_t> days;

    auto visit = [&](const TTodoItem& e) {
        const int64_t ks = SafeDayNumber(e.CreationDate);
        if (ks == INT64_MIN) return;  // such an event starts on no day and never recurs
        if (inWindow(ks)) starts[static_cast<size_t>(ks - w0)] = 1;
        if (!MarkedUnit(e)) return;
        // A completed event keeps its start day only.
        if (e.Complete) {
            if (inWindow(ks) && RecursByUnitOn(e, e.CreationDate)) recurs[static_cast<size_t>(ks - w0)] = 1;
            return;
        }
        DaysByUnit(e, w0, w1, days);
        for (const int64_t d : days) recurs[static_cast<size_t>(d - w0)] = 1;
    };
    if (index) {
        // Day by day, stopping at the first event that answers: a start, and
        // a repetition by days..years falling there (a completed one, or one
        // that cannot repeat, only on its start day).
        const auto n = static_cast<int>(store.SlotCount());
        auto ofStore = [&](int slot) -> const TTodoItem* {
            return slot >= 0 && slot < n ? &store.AtSlot(static_cast<uint32_t>(slot)) : nullptr;
        };
        for (int64_t d = w0; d <= w1; ++d) {
            const auto at = static_cast<size_t>(d - w0);
            starts[at] = index->AnyStartingOn(d, [&](int pos) { return ofStore(pos) != nullptr; });
            if (!starts[at]) continue;  // nothing starts there, so nothing recurs on its start day
            recurs[at] = index->AnyStartingOn(d, [&](int pos) {
                const TTodoItem* e = ofStore(pos);
                return e && MarkedUnit(*e) && e->CompletionDate == 0;
            });
        }
        for (int64_t d = w0; d <= w1; ++d) {
            const auto at = static_cast<size_t>(d - w0);
            if (recurs[at]) continue;
            recurs[at] = index->AnyRepeatingOn(d, [&](int pos) {
                const TTodoItem* e = ofStore(pos);
                return e && !e->Complete && MarkedUnit(*e) && SafeDayNumber(e->CreationDate) != INT64_MIN &&
                       RecursByUnitOn(*e, static_cast<TDateTime>(d));
            });
        }
    } else {
        for (const TTodoItem& e : store) visit(e);
    }

    for (const YearMonth& ym : months) {
        const int64_t first = FirstDayOf(ym.Year, ym.Month);
        const int n = DaysInMonth(ym.Year, ym.Month);
        for (int i = 0; i < n; ++i) {
            const auto at = static_cast<size_t>(first + i - w0);
            RefreshDay(marks, proto, static_cast<TDateTime>(first + i), starts[at] != 0,
                       recurs[at] != 0, out);
        }
    }
    return out;
}
}  // namespace

int StartsOnDay(const TodoItems& store, TDateTime day, const EventIndex* index) {
    const int64_t kd = SafeDayNumber(day);
    if (kd == INT64_MIN) return 0;
    if (index) return index->StartsOn(kd);
    int n = 0;
    for (const TTodoItem& e : store)
        if (SafeDayNumber(e.CreationDate) == kd) ++n;
    return n;
}

bool getbDeleteEventFromCal(const TodoItems& store, bool beingDeleted, TDateTime day, const EventIndex* index) {
    const int enough = beingDeleted ? 2 : 1;
    // The index stops counting once the answer is known: after a purge a
    // past day's first kept event is found among its removed ones.
    if (index) {
        const int64_t kd = SafeDayNumber(day);
        return kd == INT64_MIN || index->StartsOn(kd, enough) < enough;
    }
    return StartsOnDay(store, day) < enough;
}

bool AddEventToCalendar(TCalendarEvents& marks, const TCalendarEvent& proto, TDateTime day) {
    // The collection pins far dates to the calendar's ends; such a day must
    // not land on 31 December 9999.
    if (SafeDayNumber(day) == INT64_MIN) return false;
    if (marks.Find(day) >= 0) return false;
    TCalendarEvent& e = marks.Add(day);
    e.Color = proto.Color;
    e.Shape = proto.Shape;
    e.FontColor = proto.FontColor;
    return true;
}

bool DeleteEventFromCalendar(TCalendarEvents& marks, TDateTime day) {
    if (SafeDayNumber(day) == INT64_MIN) return false;
    const int pos = marks.Find(day);
    if (pos < 0) return false;
    marks.Delete(pos);
    return true;
}

std::vector<TDateTime> TMarkChanges::Days() const {
    std::vector<TDateTime> all(Added);
    all.insert(all.end(), Removed.begin(), Removed.end());
    all.insert(all.end(), Restyled.begin(), Restyled.end());
    std::sort(all.begin(), all.end());
    return all;
}

TMarkChanges UpdateDays(const TodoItems& store, TCalendarEvents& marks, const TCalendarEvent& proto,
                        int month, int year) {
    if (!ValidMonth(year, month)) return {};
    return RefreshMonths(store, marks, proto, {{year, month}}, nullptr);
}

TMarkChanges UpdateMarkersOfMonth(const TodoItems& store, TCalendarEvents& marks,
                                  const TCalendarEvent& proto, int year, int month, const EventIndex* index) {
    return RefreshMonths(store, marks, proto, ShownAndNeighbours(year, month), index);
}
