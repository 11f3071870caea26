#pragma once
// The day list and the day's reminders as plain UTF-8 lines, for a terminal,
// a status bar or a script (dayloom-cli agenda and reminders print them).
#include <string>
#include <string_view>
#include <vector>

#include "dayview/snooze.h"
#include "dayview/time_left.h"
#include "events/date_time.h"
#include "events/todo_item.h"

// The day list of `day` (day mode, as the window shows it for that date),
// one line per row in list order: the start text of the "Старт" column,
// a tab, the name. `now` is the moment the start texts are written for.
std::vector<std::string> AgendaLines(const TodoItems& store, TDateTime day, TDateTime now,
                                     const DayListFormats& fmt);

// The reminders of the day of `now`: the reminder list built for `now`
// (reminder mode) without the rows the reminder timer skips ("Не
// напоминать", completed), one line per row in list order: the reminder
// moment as YYYY-MM-DD HH:MM, a tab, the name.
// With `snoozed`, a reminder put off is listed at its new moment instead of
// its own, and every reminder put off is listed, in the order of the moments.
std::vector<std::string> ReminderLines(const TodoItems& store, TDateTime now,
                                       const DayListFormats& fmt, const SnoozeList* snoozed = nullptr);

// A Windows-1251 text as one UTF-8 output field: tabs, line breaks and other
// control characters become spaces, so a stored name can neither break the
// one-line-per-row layout nor send escape sequences to a terminal.
std::string CliField(std::string_view ansiText);

// A moment as "2010-10-11 09:30" (to the nearest millisecond, then cut to the minute).
std::string FormatCliMoment(TDateTime moment);
