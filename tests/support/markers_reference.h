#pragma once
// The refresh of the day marks done day by day, walking the whole store twice
// for each day: the plain statement of the rule that the one-pass refresh of
// the library is checked against (and timed beside). Its cost grows with
// days x events.
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>

#include "dayview/markers.h"
#include "events/ansi.h"
#include "events/recurrence.h"

namespace markers_reference {

// How a day is drawn: no mark, or the mark's colour, shape and font colour.
inline std::optional<std::tuple<uint32_t, int, uint32_t>> DrawnAs(TCalendarEvents& marks, TDateTime day) {
    const int pos = marks.Find(day);
    if (pos < 0) return std::nullopt;
    const TCalendarEvent& e = std::as_const(marks)[pos];
    return std::tuple{e.Color, static_cast<int>(e.Shape), e.FontColor};
}

inline bool InCalendar(int year, int month) {
    return year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12;
}

// Marks `day` when a repetition by days, weeks, months or years of a stored
// event recurs on it (a completed event only on its start day).
inline void ShowMarker(const TodoItems& store, TCalendarEvents& marks, const TCalendarEvent& proto, TDateTime day) {
    for (const TTodoItem& e : store) {
        // Count and unit read from their texts here, apart from the record's own reading.
        if (e.Category.empty() || e.Project.empty()) continue;
        const int count = DecimalOrZero(e.Category.view()), unit = DecimalOrZero(e.Project.view());
        if (unit < kUnitDays || unit > kUnitYears) continue;
        if (!RepeatsOnDay(e.CreationDate, e.CompletionDate, count, unit, day)) continue;
        if (e.Complete && SafeDayNumber(e.CreationDate) != SafeDayNumber(day)) continue;
        AddEventToCalendar(marks, proto, day);
    }
}

}  // namespace markers_reference

inline TMarkChanges UpdateDaysReference(const TodoItems& store, TCalendarEvents& marks,
                                        const TCalendarEvent& proto, int month, int year) {
    using namespace markers_reference;
    TMarkChanges out;
    if (!InCalendar(year, month)) return out;
    for (int d = 1; d <= DaysInMonth(year, month); ++d) {
        const TDateTime day = EncodeDate(year, month, d);
        const auto before = DrawnAs(marks, day);
        if (getbDeleteEventFromCal(store, false, day)) DeleteEventFromCalendar(marks, day);
        ShowMarker(store, marks, proto, day);
        const auto after = DrawnAs(marks, day);
        if (before != after) (!before ? out.Added : !after ? out.Removed : out.Restyled).push_back(day);
    }
    return out;
}

// The shown month, then the next, then the previous.
inline TMarkChanges UpdateMarkersOfMonthReference(const TodoItems& store, TCalendarEvents& marks,
                                                  const TCalendarEvent& proto, int year, int month) {
    TMarkChanges out;
    if (!markers_reference::InCalendar(year, month)) return out;
    const std::pair<int, int> months[] = {{year, month},
                                          month == 12 ? std::pair{year + 1, 1} : std::pair{year, month + 1},
                                          month == 1 ? std::pair{year - 1, 12} : std::pair{year, month - 1}};
    for (const auto& [y, m] : months) {
        const TMarkChanges part = UpdateDaysReference(store, marks, proto, m, y);
        for (auto [to, from] : {std::pair{&out.Added, &part.Added}, {&out.Removed, &part.Removed},
                                {&out.Restyled, &part.Restyled}})
            to->insert(to->end(), from->begin(), from->end());
    }
    return out;
}
