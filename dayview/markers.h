#pragma once
// Day marks of the month calendar: which days carry a mark, marking and
// unmarking one day, and the refresh of the shown month and its neighbours.
//
// A mark stays until it is removed; a refresh only drops the marks of days of
// the refreshed months on which no event starts, and adds the days on which a
// repetition by days, weeks, months or years falls (a completed one only on
// its start day). Start days without a mark are not marked by a refresh: they
// are marked when the event is read, stored or imported.
//
// Days are compared by whole day. A day outside the years 1..9999 (or not a
// number) is never marked and matches no event.
#include <vector>

#include "events/date_time.h"
#include "widgets/calendar_grid.h"
#include "events/event_index.h"
#include "events/todo_item.h"

// Number of stored events whose start falls on the day of `day`.
int StartsOnDay(const TodoItems& store, TDateTime day, const EventIndex* index = nullptr);

// Whether the mark of `day` may go. `beingDeleted` says that the event on its
// way out is still in the store, so one start on the day is that event's own.
bool getbDeleteEventFromCal(const TodoItems& store, bool beingDeleted, TDateTime day,
                            const EventIndex* index = nullptr);

// Marks `day` unless it has a mark; the new entry takes its colour, shape and
// font colour from `proto` (its Date is not used). True when a mark was added.
bool AddEventToCalendar(TCalendarEvents& marks, const TCalendarEvent& proto, TDateTime day);
// Removes the mark of `day`. True when there was one.
bool DeleteEventFromCalendar(TCalendarEvents& marks, TDateTime day);

// Days whose drawing a refresh changed, each in the order the refresh reached
// it: newly marked, no longer marked, and marked before and after but with
// another colour, shape or font colour (the entry was made again from proto).
struct TMarkChanges {
    std::vector<TDateTime> Added;
    std::vector<TDateTime> Removed;
    std::vector<TDateTime> Restyled;

    bool Empty() const { return Added.empty() && Removed.empty() && Restyled.empty(); }
    // Every changed day, ascending.
    std::vector<TDateTime> Days() const;
};

// Recomputes the marks of every day of one month (1..12) of `year`: a day on
// which no event starts loses its mark, then a day on which a repetition by
// days, weeks, months or years of a stored event recurs (a completed one only
// on its start day) is marked. A month or year out of range does nothing.
TMarkChanges UpdateDays(const TodoItems& store, TCalendarEvents& marks, const TCalendarEvent& proto,
                        int month, int year);

// Recomputes the marks of the shown month, then of the next one, then of the
// previous one (the grid shows days of both). One pass over the store; the
// marks end up exactly as UpdateDays of each of the three months in turn
// leaves them, entry order included. Neighbours outside the years 1..9999
// are skipped.
// With `index` (the store's own) only the events it names for the three
// months are looked at; the marks are the same.
TMarkChanges UpdateMarkersOfMonth(const TodoItems& store, TCalendarEvents& marks,
                                  const TCalendarEvent& proto, int year, int month,
                                  const EventIndex* index = nullptr);
