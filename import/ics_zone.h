#pragma once
// Time zones as iCalendar files need them: the local zone that dayloom's wall
// clock times belong to, and the zones a file describes (VTIMEZONE). Moments
// here are whole seconds since 1970-01-01 00:00, either on a zone's wall
// clock ("wall") or in UTC.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "events/date_time.h"

struct IcsZone {
    std::string Id;  // the TZID the file names it by
    // Seconds east of UTC at a UTC moment; never empty in a zone in use.
    std::function<int(int64_t utc)> OffsetAt;
};

// A zone that is always `offsetSeconds` east of UTC.
IcsZone FixedZone(std::string id, int offsetSeconds);
IcsZone UtcZone();

// A TDateTime (a wall-clock value) as seconds, to the nearest second; and back.
int64_t WallSeconds(TDateTime value);
TDateTime FromWallSeconds(int64_t wall);

// The UTC moment of a wall-clock time in the zone. A time the clock shows
// twice is the first of the two; one it skips comes out after the jump.
int64_t ToUtc(const IcsZone& zone, int64_t wall);
int64_t ToWall(const IcsZone& zone, int64_t utc);

// The VTIMEZONE component of the zone (lines without line ends): its changes
// of offset in `year`, written as yearly rules from 1970 on ("last Sunday of
// March at 02:00"), or one fixed offset when the zone has no changes.
std::vector<std::string> VTimeZoneLines(const IcsZone& zone, int year);

// --- what a file says about a zone ---

// One STANDARD or DAYLIGHT part of a VTIMEZONE.
struct IcsObservance {
    int64_t StartWall = 0;       // DTSTART, on the wall clock of OffsetFrom
    int OffsetFrom = 0, OffsetTo = 0;
    // A yearly rule: the month, and the weekday (0 = Sunday .. 6) with its
    // ordinal in the month (1..5, or -1..-5 from the end), or ordinal 0 for
    // DTSTART's day of the month. Month 0 = no rule, DTSTART alone.
    int Month = 0, Weekday = 0, Ordinal = 0;
    // Days of the month the rule's weekday must fall on (an old way of
    // writing "the second Sunday": 8..14); empty when not given.
    std::vector<int> MonthDays;
    bool HasUntil = false;
    int64_t UntilUtc = 0;
    std::vector<int64_t> ExtraWall;  // RDATE moments, on the wall clock of OffsetFrom
};

// A zone from a file's observances: the offset at a moment is that of the
// latest change at or before it; before the first change, the first one's
// offset before it. The first 64 yearly rules are followed.
IcsZone ZoneFromObservances(std::string id, std::vector<IcsObservance> observances);

// The day of `month` in `year` that is the `ordinal`th `weekday` (0 = Sunday),
// counting from the end for a negative ordinal; 0 when there is none.
int NthWeekdayOfMonth(int year, int month, int weekday, int ordinal);
