#pragma once
// iCalendar (RFC 5545) files: the event store written out for other calendar
// programs, and their files read back into events of dayloom's four kinds.
//
// Writing: a simple event is a VEVENT with its start, a lasting one adds its
// end, a repeating one its RRULE, a to-do is a VTODO with DUE; a reminder
// choice is a VALARM. Times are the local wall clock with the zone's TZID
// and VTIMEZONE. What the standard has no words for (a length of "24 hours"
// rather than "1 day", a repetition every N minutes on chosen weekdays) is
// kept in X-DAYLOOM-FIELDS, which dayloom trusts only while the standard
// properties still say the same.
//
// Reading is two steps like the other imports: a run reads the whole file and
// gives every event or the first fault (then nothing is added), and its
// events go in as one import batch (import/import_batch.h).
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"
#include "events/todo_item.h"
#include "import/ics_zone.h"

struct IcsExportOptions {
    IcsZone Zone = UtcZone();  // the zone of the wall clock times
    TDateTime Now = 0;         // local; DTSTAMP, and the year whose rules VTIMEZONE gives
    // Only events that fall on these days (inclusive, midnight values); a
    // repeating event counts from its start on.
    std::optional<TDateTime> From, To;
};

struct IcsWritten {
    std::string Text;  // the whole file, CR LF line ends, UTF-8
    int Events = 0;    // components written
};

IcsWritten WriteICalendar(const TodoItems& store, const IcsExportOptions& options);

// The UID of an event: its identity (start to the second, name) in a form
// that stays the same from one export to the next.
std::string IcsUid(const TTodoItem& event);

struct IcsRun {
    bool ok = false;
    std::vector<TTodoItem> Events;   // in file order, fields as the editor stores them
    std::vector<char> Simplified;    // parallel: a repetition taken as its first occurrence
    int Undated = 0;                 // to-dos and events without any date, left out
    int Line = 0;                    // failure: the line, from 1
    std::string Message;             // failure: for the user, UTF-8
};

constexpr size_t kMaxIcsBytes = size_t{64} * 1024 * 1024;

// Reads a whole file's text. `local` is the zone dayloom's wall clock is in:
// times in UTC or in another zone the file describes are moved onto it.
IcsRun ReadICalendar(std::string_view text, const IcsZone& local);
IcsRun ReadICalendarFile(const std::filesystem::path& file, const IcsZone& local);

