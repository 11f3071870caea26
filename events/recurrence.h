#pragma once
// Repetition of events: by a count of units from the start, by weekday mask,
// the end of a lasting event, and the period of repeated reminders.
// There is no stored list of occurrences; every question tests one day (or
// one moment) against the start and the typed repetition of the record.
//
// This is the one place that says on which days an event recurs: the day
// list and the reminder list, the calendar's marks and the purge all ask
// the functions below with the record, and nobody reads the stored texts.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"

// --- an event's recurrence ---
//
// An event that came from another calendar program (TTodoItem::Foreign) recurs
// as its calendar says, by its own rule: each question below asks that rule
// for it instead of the count, unit and mask.

class TForeignEvent;
// The series of another calendar has an occurrence on the day of d.
bool ForeignRecursOn(const TForeignEvent& f, TDateTime d);
// Whether the event counts as repeating by days..years for the calendar's marks.
bool RepeatsByDays(const TTodoItem& event);

// The repetition by unit brings the event onto the day of d (RepeatsOnDay
// with its start, its end and the count and unit read as a pair).
bool RecursByUnitOn(const TTodoItem& event, TDateTime d);
// The event recurs on the day of d: by unit, by its weekday mask, or, for a
// record with a DueDate of its own whose unit and mask are both unusable, on
// its start day (so it stays where the user can open and mend it).
bool RecursOn(const TTodoItem& event, TDateTime d);
// The day numbers from `first` to `last` on which RecursByUnitOn holds,
// ascending, into `days` (emptied first): what the calendar's month refresh
// needs without testing every day against every event.
void DaysByUnit(const TTodoItem& event, int64_t first, int64_t last, std::vector<int64_t>& days);
// The repetition outlives the start day, so a past event that is not
// completed stays in the store: a weekday in its mask, or a unit of days,
// weeks, months or years (a lasting event with such a unit included).
bool KeepsRecurring(const TRepetition& r);
// The same for an event, whose calendar's series (if it came from one) keeps
// it while an occurrence ends at or after `now`.
bool KeepsRecurring(const TTodoItem& e, TDateTime now);

// --- repetition by unit ---

// Days between occurrences: count for days, 7 x count for weeks, else 0.
int PeriodDays(int count, int unit);
// The day of d is on or after the day of s and a whole multiple of `period`
// days after it. False for period <= 0.
bool IsDayInPeriod(int period, TDateTime s, TDateTime d);

// The repetition by unit recurs on the day of d. False unless e (the end) is
// 0. Minutes and hours recur only on the start day (their repeats are
// repeated reminders); days and weeks every period; months on the start's day
// of the month, every count months from the start's month (a 31st only in
// months that have one); years on the start's day and month, every count
// years from the start's year. Nothing before the start. A count that is 0
// or negative leaves only the start day.
bool RepeatsOnDay(TDateTime s, TDateTime e, int count, int unit, TDateTime d);

// The weekday mask selects the day of d: the weekday's bit is set and d >= s
// (full date-time), or d is on the start day itself. False for mask 0.
bool WeekdayMatch(TDateTime s, int mask, TDateTime d);

// --- the end of a lasting event ---

// s advanced by count units (0 or an unknown unit: s itself).
TDateTime AddInterval(int count, int unit, TDateTime s);
// Days in `count` successive months (yearly = false) or years (yearly = true)
// counted from s. Stops at the end of year 9999; count <= 0 gives 0.
int DaysInPeriods(int count, bool yearly, TDateTime s);

// --- the weekday mask as digit text and as the editor's check list ---

// One character per bit from topBit down to 0, "1" for a set bit; empty when
// topBit < 0. IntToBinStr(42, 6) is "0101010".
std::string IntToBinStr(int value, int topBit);
// From the first character to the last: value*2+1 for "1", value*2 otherwise.
int BinStrToInt(std::string_view text);

// The check list holds the weekdays Sunday first ("Вс" ... "Сб"), item i
// being bit 6 - i of the mask: Monday, Wednesday, Friday give 42.
int GetDaysFromList(const std::array<bool, 7>& checked);
std::array<bool, 7> SetDaysInList(int mask);
