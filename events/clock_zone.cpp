#include "events/clock_zone.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include <libical/ical.h>

namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kUnixDay = 25569;  // 1970-01-01 as a TDateTime day number

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

IcsZone FixedZone(std::string id, int offsetSeconds) {
    return {std::move(id), [offsetSeconds](int64_t) { return offsetSeconds; }};
}

IcsZone UtcZone() { return FixedZone("UTC", 0); }

std::optional<IcsZone> NamedZone(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name == "UTC" || name == "Etc/UTC" || name == "GMT") return FixedZone(name, 0);
    icaltimezone* zone = icaltimezone_get_builtin_timezone(name.c_str());
    if (!zone) return std::nullopt;
    return IcsZone{name, [zone](int64_t utc) {
                       icaltimetype t = icaltime_from_timet_with_zone(static_cast<time_t>(utc), 0,
                                                                      icaltimezone_get_utc_timezone());
                       return icaltimezone_get_utc_offset_of_utc_time(zone, &t, nullptr);
                   }};
}

int64_t WallSeconds(TDateTime value) {
    const int64_t day = SafeDayNumber(value);
    if (day == INT64_MIN) return 0;
    return (day - kUnixDay) * kDay + (MsOfDay(value) + 500) / 1000;
}

TDateTime FromWallSeconds(int64_t wall) {
    const int64_t days = FloorDiv(wall, kDay);
    return ComposeDateTime(days + kUnixDay, (wall - days * kDay) * 1000);
}

int64_t ToUtc(const IcsZone& zone, int64_t wall) {
    // The offsets in force a day before and after are the candidates. A
    // time the clock shows twice is taken the first time (the larger offset
    // fits); one it skips fits neither and takes the offset before the jump,
    // which puts it after the jump, as a clock that was not moved would.
    const int before = zone.OffsetAt(wall - kDay), after = zone.OffsetAt(wall + kDay), at = zone.OffsetAt(wall);
    int candidates[3] = {before, after, at};
    std::sort(std::begin(candidates), std::end(candidates), std::greater<int>());
    for (const int o : candidates)
        if (zone.OffsetAt(wall - o) == o) return wall - o;
    return wall - before;
}

int64_t ToWall(const IcsZone& zone, int64_t utc) { return utc + zone.OffsetAt(utc); }

namespace {

struct Clock {
    std::shared_ptr<const IcsZone> zone = std::make_shared<const IcsZone>(UtcZone());
};

Clock& TheClock() {
    static Clock c;
    return c;
}

}  // namespace

void SetClockZone(IcsZone zone) {
    Clock& c = TheClock();
    // The old zone is kept alive: a caller may still hold a reference to it.
    static std::vector<std::shared_ptr<const IcsZone>> old;
    old.push_back(c.zone);
    c.zone = std::make_shared<const IcsZone>(std::move(zone));
}

const IcsZone& ClockZone() { return *TheClock().zone; }
