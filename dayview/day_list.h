#pragma once
// Which stored events fall on a day, and the rows the day list and the
// reminder list show.
//
// A row keeps the Subject and CreationDate of its event, so the event is
// found again by that identity (getIdxOfList / FindByIdentity: the first
// stored event with the pair). UpDateTdList can also hand back, parallel to
// the rows, the store position each row was made from; that position is
// exact even when two events share the identity, but it is only valid until
// the store changes.
#include <cstdint>
#include <string>
#include <vector>

#include "dayview/time_left.h"
#include "events/date_time.h"
#include "events/event_index.h"
#include "events/todo_item.h"
#include "widgets/day_row.h"

enum class ListMode {
    Day,       // the visible day list: occurrence moments
    Reminder,  // the reminder list: reminder moments, plus "за 1 день" rows of tomorrow
};

// Reminder choices as stored in ImageIndex.
constexpr int kAlertNone = 0;      // "Не напоминать"
constexpr int kAlertOnTime = 1;    // "Вовремя"
constexpr int kAlertDayBefore = 9; // "за 1 день"

// Moment minus the offset of the reminder choice: 1, 5, 15, 30, 45, 60, 120
// or 1440 minutes for the choices 2 to 9; any other choice leaves it.
TDateTime getDtTimeWithAlertTime(int alertIndex, TDateTime moment);

// The time of day of the moment, to the second, as a fraction of a day.
TDateTime TimeOfDay(TDateTime moment);
// The date of `day` with the time of day of `time` (to the second).
TDateTime CombineDateAndTime(TDateTime day, TDateTime time);
// "09:05", "23:30".
std::string TimeToHHMM(TDateTime moment);

// Empties `out` and fills it with one row per rule an event of `store`
// satisfies on the day of `d`, in order of moment (rows with equal moments
// keep store order). `d` is midnight of the chosen day in day mode; in
// reminder mode today at midnight or the current moment. `now` is the current
// moment for the start texts. When `sources` is given it gets, for each row,
// the position in `store` of the event it was made from.
//
// A row's Moment is the occurrence (day mode) or the reminder moment
// (reminder mode), its Kind the rule that listed it; the other fields are
// the event's.
// With `index` (the store's own), only the events it names for the day are
// looked at; the list is the same.
void UpDateTdList(const TodoItems& store, TDateTime d, ListMode mode, TDateTime now,
                  const DayListFormats& fmt, TDayRows& out, std::vector<int>* sources = nullptr,
                  const EventIndex* index = nullptr);

// The list after a change that only appended events (`added`, their slots,
// ascending): their rows for `d` join `rows` where a rebuild would put them.
// For a list in its own order (by moment), not one sorted by a column.
void AddRowsOf(const TodoItems& store, const std::vector<uint32_t>& added, TDateTime d, ListMode mode, TDateTime now,
               const DayListFormats& fmt, TDayRows& rows, std::vector<int>* sources = nullptr);
// The list after a change that only took events out (`taken`): their rows
// go, the others keep their order and get their events' new positions in
// `sources`. `slots` is each row's event slot (TodoItems::SlotOf of its
// source when the list was made), kept in step. The rows taken, or -1 when
// the list does not belong to the store or the store's slots were made anew
// (TodoItems::Compact): it is then half done, to be built again.
int TakeRowsOf(const TodoItems& store, const TakenEvents& taken, TDayRows& rows, std::vector<int>& sources,
               std::vector<uint32_t>& slots);

// Asks of an event whether it gives at least one row in the list
// UpDateTdList builds for `d` in `mode`. Rows come from each event on its
// own, so the events for which this holds, kept in store order, give the
// very same list. Only the dates, ImageIndex, Complete and the repetition
// decide. The day is worked out once, for asking a whole file.
class FallsOnDay {
public:
    FallsOnDay(TDateTime d, ListMode mode);
    bool operator()(const TTodoItem& event) const;

private:
    TDateTime d_;
    int64_t dayD_;
    bool reminder_;
};

// Position in `in` of the first event with the identity of from[index], or -1;
// with `eventIndex` (the store's own), found among its day's events only.
int getIdxOfList(int index, const TDayRows& from, const TodoItems& in, const EventIndex* eventIndex = nullptr);

// Removes the first row made from an event with the identity of `event`, as
// when the event is deleted; its former position, or -1 when there is none.
int DeleteRowOf(TDayRows& rows, const TTodoItem& event);
