#pragma once
// Removing events from the store: the selected one, every past one at once,
// and the completion toggle of the selected one. The window stops and starts
// the reminder timer, rebuilds the lists and repaints the calendar around
// these calls.
#include <cstddef>
#include <optional>
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

// The positions of the purgeable events, ascending.
std::vector<size_t> PastEvents(const TodoItems& store, TDateTime now);

// Removes every purgeable event, keeping the order of the others. Returns the
// positions the removed events had, ascending. When `daysToUnmark` is given
// it gets (midnight, in store order) each start day whose last event went,
// the days whose mark the calendar drops.
std::vector<size_t> PurgeOldEvents(TodoItems& store, TDateTime now,
                                   std::vector<TDateTime>* daysToUnmark = nullptr);

// Deletes from `list` the first item with the identity (CreationDate,
// Subject) of `copy`. Returns its former position, or -1 when none matches
// and the list is left as it was. `copy` may be an item of `list` itself.
int DeleteByIdentity(TodoItems& list, const TTodoItem& copy);

// Deleting the day list's selected copy: its source event leaves the store
// and, when the selected day is today, its reminder-list copy goes too.
// Without a source nothing is deleted anywhere.
struct TDeleteResult {
    int StorePos = -1;  // position the deleted event had, -1 = no source
    int AlertPos = -1;  // position the deleted reminder copy had, -1 = none
};
TDeleteResult DeleteSelectedEvent(TodoItems& store, TodoItems& alerts, const TTodoItem& copy,
                                  bool selectedDayIsToday);

// Completion toggle of the selected copy: the new value is the opposite of
// the menu's check mark, set on the source event and on the copy. Nothing
// changes, and the result is empty, when the copy has no source.
std::optional<bool> ToggleCompletion(TodoItems& store, TTodoItem& copy, bool checkMark);
