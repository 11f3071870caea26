#include "import/ics_zone.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <iterator>
#include <memory>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

using namespace std::chrono;

constexpr int64_t kDay = 86400;
constexpr int64_t kUnixDay = 25569;  // 1970-01-01 as a TDateTime day number

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

struct Civil {
    int year, month, day, weekday;  // weekday 0 = Sunday
    int64_t secondOfDay;
};

Civil CivilOf(int64_t wall) {
    const int64_t days = FloorDiv(wall, kDay);
    const sys_days d{std::chrono::days{days}};
    const year_month_day ymd{d};
    return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())),
            int(weekday{d}.c_encoding()), wall - days * kDay};
}

int64_t WallOf(int year, int month, int day, int64_t secondOfDay) {
    const sys_days d{std::chrono::year{year} / std::chrono::month{unsigned(month)} / std::chrono::day{unsigned(day)}};
    return int64_t{d.time_since_epoch().count()} * kDay + secondOfDay;
}

std::string Offset(int seconds) {
    const char sign = seconds < 0 ? '-' : '+';
    const int a = seconds < 0 ? -seconds : seconds;
    char text[16];
    if (a % 60 != 0)
        std::snprintf(text, sizeof text, "%c%02d%02d%02d", sign, a / 3600, a / 60 % 60, a % 60);
    else
        std::snprintf(text, sizeof text, "%c%02d%02d", sign, a / 3600, a / 60 % 60);
    return text;
}

std::string LocalStamp(int64_t wall) {
    const Civil c = CivilOf(wall);
    char text[24];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", c.year, c.month, c.day,
                  int(c.secondOfDay / 3600), int(c.secondOfDay / 60 % 60), int(c.secondOfDay % 60));
    return text;
}

const char* const kDayNames[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

struct Change {
    int64_t utc;
    int from, to;
};

// The moments in `year` at which the zone's offset changes: the offset is
// sampled every day and each change narrowed down to the second.
std::vector<Change> ChangesIn(const IcsZone& zone, int year) {
    std::vector<Change> out;
    const int64_t first = WallOf(year, 1, 1, 0) - kDay, last = WallOf(year, 12, 31, 0) + 2 * kDay;
    int before = zone.OffsetAt(first);
    for (int64_t t = first + kDay; t <= last && out.size() < 16; t += kDay) {
        const int now = zone.OffsetAt(t);
        if (now == before) continue;
        int64_t lo = t - kDay, hi = t;  // offset(lo) == before, offset(hi) != before
        while (hi - lo > 1) {
            const int64_t mid = lo + (hi - lo) / 2;
            (zone.OffsetAt(mid) == before ? lo : hi) = mid;
        }
        const Civil c = CivilOf(hi + before);
        if (c.year == year) out.push_back({hi, before, zone.OffsetAt(hi)});
        before = now;
    }
    return out;
}

// A zone's changes of offset, ready to be asked many times: the onsets that
// happen once (each observance's DTSTART and its RDATEs) sorted, and the
// yearly rules, whose onsets are worked out for the years around a moment.
struct Onsets {
    std::vector<std::pair<int64_t, int>> once;  // (UTC moment, offset after it), by moment
    std::vector<IcsObservance> rules;
    int initial = 0;  // the offset before every change

    // The offset after the latest onset at or before `utc`.
    int At(int64_t utc) const {
        std::optional<std::pair<int64_t, int>> best;
        auto consider = [&](int64_t onsetUtc, int to) {
            if (onsetUtc <= utc && (!best || onsetUtc >= best->first)) best = std::pair{onsetUtc, to};
        };
        const auto after = std::upper_bound(once.begin(), once.end(), utc,
                                            [](int64_t t, const std::pair<int64_t, int>& o) { return t < o.first; });
        if (after != once.begin()) best = *std::prev(after);
        const int year = CivilOf(utc).year;
        for (const IcsObservance& o : rules) {
            const Civil start = CivilOf(o.StartWall);
            for (int y = std::max(year - 1, start.year); y <= year + 1 && y <= kLastYear; ++y) {
                int day = 0;
                if (!o.MonthDays.empty()) {
                    for (const int d : o.MonthDays)
                        if (d >= 1 && d <= DaysInMonth(y, o.Month) &&
                            CivilOf(WallOf(y, o.Month, d, 0)).weekday == o.Weekday) {
                            day = d;
                            break;
                        }
                } else if (o.Ordinal == 0) {
                    day = start.day <= DaysInMonth(y, o.Month) ? start.day : 0;
                } else {
                    day = NthWeekdayOfMonth(y, o.Month, o.Weekday, o.Ordinal);
                }
                if (day == 0) continue;
                const int64_t wall = WallOf(y, o.Month, day, start.secondOfDay);
                if (wall < o.StartWall) continue;
                const int64_t onset = wall - o.OffsetFrom;
                if (o.HasUntil && onset > o.UntilUtc) continue;
                consider(onset, o.OffsetTo);
            }
        }
        return best ? best->second : initial;
    }
};

}  // namespace

IcsZone FixedZone(std::string id, int offsetSeconds) {
    return {std::move(id), [offsetSeconds](int64_t) { return offsetSeconds; }};
}

IcsZone UtcZone() { return FixedZone("UTC", 0); }

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

int NthWeekdayOfMonth(int year, int month, int weekday, int ordinal) {
    if (month < 1 || month > 12 || weekday < 0 || weekday > 6 || ordinal == 0 || ordinal > 5 || ordinal < -5)
        return 0;
    const int days = DaysInMonth(year, month);
    if (ordinal > 0) {
        const int firstWeekday = CivilOf(WallOf(year, month, 1, 0)).weekday;
        const int day = 1 + (weekday - firstWeekday + 7) % 7 + (ordinal - 1) * 7;
        return day <= days ? day : 0;
    }
    const int lastWeekday = CivilOf(WallOf(year, month, days, 0)).weekday;
    const int day = days - (lastWeekday - weekday + 7) % 7 + (ordinal + 1) * 7;
    return day >= 1 ? day : 0;
}

std::vector<std::string> VTimeZoneLines(const IcsZone& zone, int year) {
    std::vector<std::string> lines{"BEGIN:VTIMEZONE", "TZID:" + zone.Id};
    const std::vector<Change> changes = ChangesIn(zone, year);
    auto part = [&](bool daylight, int from, int to, const std::string& start, const std::string& rule) {
        const char* name = daylight ? "DAYLIGHT" : "STANDARD";
        lines.push_back(std::string("BEGIN:") + name);
        lines.push_back("DTSTART:" + start);
        if (!rule.empty()) lines.push_back("RRULE:" + rule);
        lines.push_back("TZOFFSETFROM:" + Offset(from));
        lines.push_back("TZOFFSETTO:" + Offset(to));
        lines.push_back(std::string("END:") + name);
    };
    if (changes.size() == 2 && changes[0].to == changes[1].from && changes[1].to == changes[0].from) {
        // Summer time: the same two changes every year.
        for (const Change& c : changes) {
            const Civil at = CivilOf(c.utc + c.from);
            const int ordinal = at.day + 7 > DaysInMonth(at.year, at.month) ? -1 : (at.day - 1) / 7 + 1;
            const int day1970 = NthWeekdayOfMonth(1970, at.month, at.weekday, ordinal);
            const std::string rule = "FREQ=YEARLY;BYMONTH=" + std::to_string(at.month) + ";BYDAY=" +
                                     std::to_string(ordinal) + kDayNames[at.weekday];
            part(c.to > c.from, c.from, c.to, LocalStamp(WallOf(1970, at.month, day1970, at.secondOfDay)), rule);
        }
    } else {
        // No summer time (or no regular one): the offset of the year's
        // start, then each change of the year as it happens.
        const int first = changes.empty() ? zone.OffsetAt(WallOf(year, 1, 1, 0)) : changes.front().from;
        part(false, first, first, "19700101T000000", {});
        for (const Change& c : changes) part(false, c.from, c.to, LocalStamp(c.utc + c.from), {});
    }
    lines.push_back("END:VTIMEZONE");
    return lines;
}

IcsZone ZoneFromObservances(std::string id, std::vector<IcsObservance> observances) {
    // Every moment read in the zone asks each rule for three years: a zone's
    // whole history has a few dozen rules, and more are not served. The
    // onsets that happen once cost a search however many there are.
    constexpr size_t kMostRules = 64;
    auto onsets = std::make_shared<Onsets>();
    int64_t earliest = INT64_MAX;
    for (IcsObservance& o : observances) {
        // Before every change the zone keeps the earliest observance's old offset.
        if (o.StartWall - o.OffsetFrom < earliest) earliest = o.StartWall - o.OffsetFrom, onsets->initial = o.OffsetFrom;
        onsets->once.emplace_back(o.StartWall - o.OffsetFrom, o.OffsetTo);
        for (const int64_t w : o.ExtraWall) onsets->once.emplace_back(w - o.OffsetFrom, o.OffsetTo);
        if (o.Month >= 1 && o.Month <= 12 && onsets->rules.size() < kMostRules) onsets->rules.push_back(std::move(o));
    }
    // Of two onsets at one moment the later observance's counts.
    std::stable_sort(onsets->once.begin(), onsets->once.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return {std::move(id), [onsets](int64_t utc) { return onsets->At(utc); }};
}
