#pragma once
// The clock dayloom's wall times are on, and zones as iCalendar calendars
// name them. Moments here are whole seconds since 1970-01-01 00:00, either on
// a zone's wall clock ("wall") or in UTC.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "events/date_time.h"

struct IcsZone {
    std::string Id;  // the zone's name ("Europe/Moscow"), the TZID an export gives it
    // Seconds east of UTC at a UTC moment; never empty in a zone in use.
    std::function<int(int64_t utc)> OffsetAt;
};

// A zone that is always `offsetSeconds` east of UTC.
IcsZone FixedZone(std::string id, int offsetSeconds);
IcsZone UtcZone();
// A zone of the system's zone data by its name ("Europe/Berlin",
// "US/Eastern"), with its whole history; none when the data has no such zone.
std::optional<IcsZone> NamedZone(const std::string& name);

// A TDateTime (a wall-clock value) as seconds, to the nearest second; and back.
int64_t WallSeconds(TDateTime value);
TDateTime FromWallSeconds(int64_t wall);

// The UTC moment of a wall-clock time in the zone. A time the clock shows
// twice is the first of the two; one it skips comes out after the jump.
int64_t ToUtc(const IcsZone& zone, int64_t wall);
int64_t ToWall(const IcsZone& zone, int64_t utc);

// The zone of the wall clock the program shows: events of other calendars
// are put on it when their occurrences are worked out. UTC until the program
// sets it (the window and dayloom-cli set the computer's at start).
void SetClockZone(IcsZone zone);
const IcsZone& ClockZone();
