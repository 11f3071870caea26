#pragma once
// Removing every past event from the store at once. The window stops and
// starts the reminder timer, rebuilds the lists and repaints the calendar
// around these calls.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"

// The event is over and done with at `now`, so the purge removes it.
// With T the day of `now` and E the day of its end (none when the end is 0):
// past when E is set and lies before T or the event is completed, or when
// there is no end and the start is before T. A past event stays while it is
// not completed and keeps recurring: its weekday mask selects a weekday, or
// its unit is days, weeks, months or years (a lasting event with such a unit
// included). A `now` that is not a date purges nothing.
bool IsPurgeable(const TTodoItem& event, TDateTime now);

// The first day (a day number) from which IsPurgeable says yes, whatever
// the moment of that day, so the purge asks a number instead of the record:
// kPastNever when no day does, kPastAsk when only IsPurgeable can tell (a
// series of another calendar). Either way IsPurgeable(e, now) is
// PastFromDay(e) <= the day of `now` for every `now` that is a date.
inline constexpr int32_t kPastNever = INT32_MAX;
inline constexpr int32_t kPastAsk = INT32_MIN;
int32_t PastFromDay(const TTodoItem& event);

// The positions of the purgeable events, ascending.
std::vector<size_t> PastEvents(const TodoItems& store, TDateTime now);

// Removes every purgeable event, keeping the order of the others. Returns the
// positions the removed events had, ascending. When `daysToUnmark` is given
// it gets (midnight, in store order) each start day whose last event went,
// the days whose mark the calendar drops.
std::vector<size_t> PurgeOldEvents(TodoItems& store, TDateTime now,
                                   std::vector<TDateTime>* daysToUnmark = nullptr);
