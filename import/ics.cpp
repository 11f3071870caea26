#include "import/ics.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <unordered_set>

#include "events/ansi.h"
#include "events/event_edit.h"
#include "events/event_store.h"
#include "events/recurrence.h"
#include "events/safe_file.h"
#include "import/ics_lines.h"

namespace {

constexpr int64_t kDaySeconds = 86400;
// Minutes before the start of the reminder choices 1 ("Вовремя") to 9 ("за 1 день").
constexpr int kAlertMinutes[10] = {-1, 0, 1, 5, 15, 30, 45, 60, 120, 1440};
// Weekday bits of the mask, Sunday first, and their names in rules.
constexpr const char* kDayNames[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
int DayBit(int weekday) { return 64 >> weekday; }

int WeekdayOf(int64_t wall) { return DayOfWeek(FromWallSeconds(wall)) - 1; }  // 0 = Sunday

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string Stamp(int64_t wall) {
    const DateTimeParts p = DecodeDateTime(FromWallSeconds(wall));
    char text[24];
    std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return text;
}

// --- stored events as the export reads them ---

struct Fields {
    int count = 0, unit = 0, mask = 0;
    bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const TTodoItem& e) {
    const TRepetition r = e.Repetition();
    return {r.Count, r.Unit, r.Mask};
}

// The export goes by DueDate first, unlike the editor (TTodoItem::Kind): a
// repetition whose count no rule can show (0, as the import makes from
// X-DAYLOOM-FIELDS) has its DueDate and nothing else to tell it by, and must
// come back as the repetition it was. Events typed in the editor get the
// same kind both ways.
EventKind ExportedKind(const TTodoItem& e) {
    if (e.DueDate != 0) return EventKind::Repeating;
    if (e.CompletionDate == 0) return EventKind::Simple;
    return e.Repetition().Count != 0 ? EventKind::Lasting : EventKind::ToDo;
}

// --- repetition rules ---

// The RRULE dayloom writes for a repetition (empty: none, the start day only).
std::string RuleText(const Fields& f, int64_t startWall, const IcsZone& zone) {
    if (f.mask > 0) {
        std::string days;
        for (int d = 0; d < 7; ++d)
            if (f.mask & DayBit(d)) days += (days.empty() ? "" : ",") + std::string(kDayNames[d]);
        return "FREQ=WEEKLY;BYDAY=" + days;
    }
    if (f.count <= 0) return {};
    const std::string interval = ";INTERVAL=" + std::to_string(f.count);
    switch (f.unit) {
        case kUnitMinutes:
        case kUnitHours: {
            // Minutes and hours repeat on the start day only; later days
            // would be repeated reminders, which no calendar shows.
            const int64_t lastSecond = startWall - (startWall % kDaySeconds + kDaySeconds) % kDaySeconds +
                                       kDaySeconds - 1;
            return std::string(f.unit == kUnitMinutes ? "FREQ=MINUTELY" : "FREQ=HOURLY") + interval +
                   ";UNTIL=" + Stamp(ToUtc(zone, lastSecond)) + "Z";
        }
        case kUnitDays: return "FREQ=DAILY" + interval;
        case kUnitWeeks: return "FREQ=WEEKLY" + interval;
        case kUnitMonths: return "FREQ=MONTHLY" + interval;
        case kUnitYears: return "FREQ=YEARLY" + interval;
        default: return {};
    }
}

// A date or date-time value: wall seconds of its own zone (or UTC).
struct TimeValue {
    int64_t seconds = 0;
    bool utc = false, date = false;
};

bool Digits(std::string_view s, size_t at, size_t n, int& v) {
    v = 0;
    if (at + n > s.size()) return false;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    return true;
}

std::optional<TimeValue> ParseTime(std::string_view s) {
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (!Digits(s, 0, 4, y) || !Digits(s, 4, 2, mo) || !Digits(s, 6, 2, d)) return std::nullopt;
    if (y < kFirstYear || y > kLastYear || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo)) return std::nullopt;
    TimeValue t;
    if (s.size() == 8) {
        t.date = true;
    } else {
        if (s.size() < 15 || s[8] != 'T' || !Digits(s, 9, 2, h) || !Digits(s, 11, 2, mi) || !Digits(s, 13, 2, se))
            return std::nullopt;
        if (s.size() == 16 && s[15] == 'Z') t.utc = true;
        else if (s.size() != 15) return std::nullopt;
        if (h > 23 || mi > 59 || se > 60) return std::nullopt;
        if (se == 60) se = 59;  // a leap second
    }
    t.seconds = WallSeconds(EncodeDateTime(y, mo, d, h, mi, se));
    return t;
}

// "[+-]P[nW][nD][T[nH][nM][nS]]" in seconds.
std::optional<int64_t> ParseDuration(std::string_view s) {
    size_t i = 0;
    int sign = 1;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++] == '-' ? -1 : 1;
    if (i >= s.size() || s[i++] != 'P') return std::nullopt;
    int64_t total = 0;
    bool time = false, any = false;
    while (i < s.size()) {
        if (s[i] == 'T') { time = true; ++i; continue; }
        int64_t n = 0;
        const size_t from = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - from < 9) n = n * 10 + (s[i++] - '0');
        if (i == from || i >= s.size()) return std::nullopt;
        const char u = s[i++];
        int64_t unit = 0;
        if (!time && u == 'W') unit = 7 * kDaySeconds;
        else if (!time && u == 'D') unit = kDaySeconds;
        else if (time && u == 'H') unit = 3600;
        else if (time && u == 'M') unit = 60;
        else if (time && u == 'S') unit = 1;
        else return std::nullopt;
        total += n * unit;
        if (total > int64_t{1} << 40) return std::nullopt;  // tens of thousands of years: no real duration
        any = true;
    }
    if (!any) return std::nullopt;
    return sign * total;
}

std::string Duration(int minutes) {
    if (minutes == 0) return "PT0S";
    if (minutes % 1440 == 0) return "-P" + std::to_string(minutes / 1440) + "D";
    if (minutes % 60 == 0) return "-PT" + std::to_string(minutes / 60) + "H";
    return "-PT" + std::to_string(minutes) + "M";
}

// Calls `item` with each part of a list separated by `by`, in order, until it
// returns false; false then. The parts are never gathered: a list the length
// of the file costs no memory.
template <typename F>
bool ForEachItem(std::string_view s, char by, F&& item) {
    for (size_t start = 0;;) {
        const size_t at = s.find(by, start);
        if (!item(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start))) return false;
        if (at == std::string_view::npos) return true;
        start = at + 1;
    }
}

// The parts of a rule ("FREQ=WEEKLY;BYDAY=MO,TU") that a reader asks about,
// upper case; `Other` tells whether it has any other.
struct RuleParts {
    std::map<std::string, std::string, std::less<>> Known;
    bool Other = false;

    const std::string* Part(std::string_view name) const {
        const auto it = Known.find(name);
        return it == Known.end() ? nullptr : &it->second;
    }
};

// None when a part has no "=" or a known part is given twice.
std::optional<RuleParts> ParseRuleParts(std::string_view rule, std::initializer_list<std::string_view> names) {
    RuleParts parts;
    const bool ok = ForEachItem(rule, ';', [&](std::string_view item) {
        if (item.empty()) return true;
        const size_t eq = item.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string name = Upper(item.substr(0, std::min<size_t>(eq, 32)));
        if (std::find(names.begin(), names.end(), name) == names.end() || eq > 32) {
            parts.Other = true;
            return true;
        }
        return parts.Known.emplace(name, Upper(item.substr(eq + 1))).second;
    });
    if (!ok) return std::nullopt;
    return parts;
}

// A weekday of a BYDAY list: its number (0 = Sunday) and ordinal (0 = none).
bool ParseByDay(std::string_view item, int& weekday, int& ordinal) {
    if (item.size() < 2) return false;
    const std::string_view name = item.substr(item.size() - 2);
    weekday = -1;
    for (int d = 0; d < 7; ++d)
        if (name == kDayNames[d]) weekday = d;
    if (weekday < 0) return false;
    ordinal = 0;
    const std::string_view n = item.substr(0, item.size() - 2);
    if (n.empty()) return true;
    return TryParseDecimal(n[0] == '+' ? n.substr(1) : n, ordinal) && ordinal != 0 && ordinal >= -53 &&
           ordinal <= 53;
}

// What the four kinds can hold of a rule; none when the rule says more.
// `untilWall` turns an UNTIL value into the local wall clock.
std::optional<Fields> FieldsOfRule(std::string_view rule, int64_t startWall,
                                   const std::function<std::optional<int64_t>(const std::string&)>& untilWall) {
    const std::optional<RuleParts> parts =
        ParseRuleParts(rule, {"FREQ", "INTERVAL", "UNTIL", "BYDAY", "BYMONTH", "BYMONTHDAY", "WKST"});
    // COUNT, BYSETPOS, BYHOUR ... say more than a kind can.
    if (!parts || parts->Other || !parts->Part("FREQ")) return std::nullopt;
    auto part = [&](std::string_view name) { return parts->Part(name); };
    int interval = 1;
    if (const std::string* i = part("INTERVAL"))
        if (!IsValidCount(*i) || !TryParseDecimal(*i, interval)) return std::nullopt;
    int mask = 0;
    bool startDayOnly = true;  // BYDAY names no weekday but the start's
    if (const std::string* byDay = part("BYDAY")) {
        const bool read = ForEachItem(*byDay, ',', [&](std::string_view item) {
            int weekday = 0, ordinal = 0;
            if (!ParseByDay(item, weekday, ordinal) || ordinal != 0) return false;
            mask |= DayBit(weekday);
            if (weekday != WeekdayOf(startWall)) startDayOnly = false;
            return true;
        });
        if (!read) return std::nullopt;
    }
    const DateTimeParts start = DecodeDateTime(FromWallSeconds(startWall));
    auto onlyStart = [&](const char* name, int value) {
        const std::string* p = part(name);
        int v = 0;
        return !p || (TryParseDecimal(*p, v) && v == value);
    };
    const std::string& freq = *part("FREQ");
    const std::string* until = part("UNTIL");
    if (freq == "MINUTELY" || freq == "HOURLY") {
        // dayloom's own form: every N minutes or hours until the end of the start day.
        if (mask || part("BYMONTH") || part("BYMONTHDAY") || !until) return std::nullopt;
        const std::optional<int64_t> end = untilWall(*until);
        if (!end || *end < startWall || !SameDay(FromWallSeconds(*end), FromWallSeconds(startWall)))
            return std::nullopt;
        return Fields{interval, freq == "MINUTELY" ? kUnitMinutes : kUnitHours, 0};
    }
    if (until) return std::nullopt;
    if (freq == "DAILY" || freq == "WEEKLY") {
        if (part("BYMONTH") || part("BYMONTHDAY")) return std::nullopt;
        if (mask && !(freq == "WEEKLY" && startDayOnly)) {
            if (interval != 1) return std::nullopt;
            return Fields{0, kUnitNone, mask};
        }
        return Fields{interval, freq == "DAILY" ? kUnitDays : kUnitWeeks, 0};
    }
    if (freq == "MONTHLY") {
        if (mask || part("BYMONTH") || !onlyStart("BYMONTHDAY", start.day)) return std::nullopt;
        return Fields{interval, kUnitMonths, 0};
    }
    if (freq == "YEARLY") {
        if (mask || !onlyStart("BYMONTH", start.month) || !onlyStart("BYMONTHDAY", start.day)) return std::nullopt;
        return Fields{interval, kUnitYears, 0};
    }
    return std::nullopt;
}

// The length of a lasting event in the largest unit that measures it exactly.
std::optional<Fields> LastingOf(TDateTime start, TDateTime end) {
    if (!(end > start)) return std::nullopt;
    const double days = end - start;
    for (const int unit : {kUnitYears, kUnitMonths, kUnitWeeks, kUnitDays, kUnitHours, kUnitMinutes}) {
        double units = days * 1440;
        switch (unit) {
            case kUnitYears: units = days / 366; break;
            case kUnitMonths: units = days / 31; break;
            case kUnitWeeks: units = days / 7; break;
            case kUnitDays: units = days; break;
            case kUnitHours: units = days * 24; break;
            default: break;
        }
        // A count has at most four digits; a longer span has no length of dayloom's.
        const int guess = units > 10000 ? 10000 : static_cast<int>(units);
        for (int n = std::max(1, guess - 1); n <= guess + 2 && n <= 9999; ++n)
            if (AddInterval(n, unit, start) == end) return Fields{n, unit, 0};
    }
    return std::nullopt;
}

// "COUNT=24;UNIT=2;MASK=0"
std::string FieldsText(const Fields& f) {
    return "COUNT=" + std::to_string(f.count) + ";UNIT=" + std::to_string(f.unit) + ";MASK=" + std::to_string(f.mask);
}

std::optional<Fields> ParseFieldsText(std::string_view text) {
    const std::optional<RuleParts> parts = ParseRuleParts(text, {"COUNT", "UNIT", "MASK"});
    Fields f;
    if (!parts) return std::nullopt;
    for (const auto& [name, field] : {std::pair{"COUNT", &f.count}, {"UNIT", &f.unit}, {"MASK", &f.mask}}) {
        const std::string* value = parts->Part(name);
        if (!value || !TryParseDecimal(*value, *field)) return std::nullopt;
    }
    if (f.unit < 0 || f.unit > 6 || f.mask < 0 || f.mask > 127 || f.count < 0 || f.count > 9999) return std::nullopt;
    return f;
}

// --- writing ---

uint64_t Fnv1a(std::string_view bytes) {
    uint64_t h = 1469598103934665603ull;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

std::string ZoneParam(const IcsZone& zone) {
    std::string id = zone.Id;
    id.erase(std::remove(id.begin(), id.end(), '"'), id.end());
    if (id.find_first_of(";:,") != std::string::npos) return ";TZID=\"" + id + "\"";
    return ";TZID=" + id;
}

bool InRange(const TTodoItem& e, const IcsExportOptions& o) {
    const TDateTime s = e.CreationDate;
    const TDateTime lo = o.From ? *o.From : -1e9, hi = o.To ? *o.To + 1 : 1e9;
    if (!(s < hi)) return false;
    const Fields f = FieldsOf(e);
    const bool recurs = e.DueDate != 0 && (f.mask > 0 || (f.count > 0 && f.unit >= kUnitDays && f.unit <= kUnitYears));
    if (recurs) return true;
    const TDateTime end = std::max(s, e.CompletionDate);
    return end >= lo || SameDay(end, lo);
}

void WriteEvent(std::string& out, const TTodoItem& e, const std::string& uid, const IcsExportOptions& o,
                const std::string& stamp) {
    const EventKind kind = ExportedKind(e);
    const std::string tz = ZoneParam(o.Zone);
    const int64_t start = WallSeconds(e.CreationDate);
    const char* component = kind == EventKind::ToDo ? "VTODO" : "VEVENT";
    const std::string summary = IcsEscapeText(utf8(e.Subject));
    auto line = [&](const std::string& text) { AppendIcsLine(out, text); };
    line(std::string("BEGIN:") + component);
    line("UID:" + uid);
    line("DTSTAMP:" + stamp);
    line("DTSTART" + tz + ":" + Stamp(start));
    const Fields fields = FieldsOf(e);
    std::optional<Fields> keep;  // what only X-DAYLOOM-FIELDS can carry
    if (kind == EventKind::Lasting) {
        line("DTEND" + tz + ":" + Stamp(WallSeconds(e.CompletionDate)));
        if (LastingOf(e.CreationDate, e.CompletionDate) != Fields{fields.count, fields.unit, 0}) keep = fields;
    } else if (kind == EventKind::ToDo) {
        line("DUE" + tz + ":" + Stamp(WallSeconds(e.CompletionDate)));
        line(e.Complete ? "STATUS:COMPLETED" : "STATUS:NEEDS-ACTION");
    } else if (kind == EventKind::Repeating) {
        const std::string rule = RuleText(fields, start, o.Zone);
        if (!rule.empty()) line("RRULE:" + rule);
        // The start day always counts; a calendar that keeps to the rule
        // strictly learns it from RDATE when its weekday is not in the mask.
        if (fields.mask > 0 && !(fields.mask & DayBit(WeekdayOf(start)))) line("RDATE" + tz + ":" + Stamp(start));
        const auto untilWall = [&](const std::string& v) -> std::optional<int64_t> {
            const auto t = ParseTime(v);
            if (!t) return std::nullopt;
            return t->utc ? ToWall(o.Zone, t->seconds) : t->seconds;
        };
        const std::optional<Fields> read = rule.empty() ? std::nullopt : FieldsOfRule(rule, start, untilWall);
        if (read != fields) keep = fields;
    }
    line("SUMMARY:" + summary);
    std::string notes = e.NotesText();
    while (!notes.empty() && (notes.back() == '\n' || notes.back() == '\r')) notes.pop_back();
    if (!notes.empty()) line("DESCRIPTION:" + IcsEscapeText(utf8(notes)));
    if (kind != EventKind::ToDo && e.Complete) line("X-DAYLOOM-COMPLETED:TRUE");
    if (keep) line("X-DAYLOOM-FIELDS:" + FieldsText(*keep));
    if (e.ImageIndex >= 1 && e.ImageIndex <= 9) {
        line("BEGIN:VALARM");
        line("ACTION:DISPLAY");
        line("DESCRIPTION:" + summary);
        line("TRIGGER:" + Duration(kAlertMinutes[e.ImageIndex]));
        line("END:VALARM");
    }
    line(std::string("END:") + component);
}

// --- reading ---

struct Moment {
    int64_t wall = 0;  // on dayloom's wall clock
    bool allDay = false;
};

struct Fault {
    int line;
    std::string message;
};

std::string BadDate(const IcsProperty& p) { return p.Name + ": неверная дата «" + ShownText(p.Value, 40) + "»"; }

// The moments on dayloom's wall clock that the event file can hold.
constexpr int64_t kFirstWall = -62135596800;  // 0001-01-01 00:00:00
constexpr int64_t kLastWall = 253402300799;   // 9999-12-31 23:59:59

class Reader {
public:
    explicit Reader(const IcsZone& local) : local_(local) {}

    // A DATE or DATE-TIME property on dayloom's wall clock; none with `error` set.
    std::optional<Moment> Read(const IcsProperty& p, std::string& error) const {
        const std::optional<TimeValue> t = ParseTime(p.Value);
        const std::string* type = p.Param("VALUE");
        if (!t || (type && Upper(*type) == "DATE" && !t->date)) {
            error = BadDate(p);
            return std::nullopt;
        }
        const int64_t wall = Wall(*t, p.Param("TZID"));
        if (!OnCalendar(wall)) {
            error = p.Name + ": «" + ShownText(p.Value, 40) + "» на наших часах " +
                    (wall < kFirstWall ? "раньше 1 года" : "выходит за 9999 год");
            return std::nullopt;
        }
        return Moment{wall, t->date};
    }

    // Moved onto our clock, a moment of 1 January 0001 or 31 December 9999
    // may leave the calendar the event file can hold.
    static bool OnCalendar(int64_t wall) { return wall >= kFirstWall && wall <= kLastWall; }

    int64_t Wall(const TimeValue& t, const std::string* tzid) const {
        if (t.date) return t.seconds;
        if (t.utc) return ToWall(local_, t.seconds);
        if (!tzid || *tzid == local_.Id) return t.seconds;
        const auto z = zones_.find(*tzid);
        // A zone the file does not describe: its clock is taken for ours.
        if (z == zones_.end()) return t.seconds;
        return ToWall(local_, ToUtc(z->second, t.seconds));
    }

    // A VTIMEZONE of the file. An offset or a start that does not read is a
    // fault: every time of the zone would come out wrong.
    std::optional<Fault> AddZone(const IcsComponent& c) {
        const IcsProperty* id = c.Find("TZID");
        if (!id) return std::nullopt;
        std::vector<IcsObservance> observances;
        // Every conversion asks each observance: a zone's whole history has a
        // few hundred, and a file that claims more is not served past that.
        constexpr size_t kMostObservances = 1000;
        for (const IcsComponent& part : c.Children) {
            if (part.Name != "STANDARD" && part.Name != "DAYLIGHT") continue;
            if (observances.size() >= kMostObservances) break;
            const IcsProperty* start = part.Find("DTSTART");
            const IcsProperty* from = part.Find("TZOFFSETFROM");
            const IcsProperty* to = part.Find("TZOFFSETTO");
            const auto s = start ? ParseTime(start->Value) : std::nullopt;
            if (start && !s) return Fault{start->Line, BadDate(*start)};
            std::optional<int> offsets[2];
            for (int i = 0; i < 2; ++i) {
                const IcsProperty* p = i == 0 ? from : to;
                if (p && !(offsets[i] = ParseOffset(p->Value)))
                    return Fault{p->Line, p->Name + ": «" + ShownText(p->Value, 40) +
                                              "» — не сдвиг часов от UTC (±ЧЧММ, часы до 23, минуты до 59)"};
            }
            if (!s || !offsets[0] || !offsets[1]) continue;
            IcsObservance o;
            o.StartWall = s->seconds;
            o.OffsetFrom = *offsets[0];
            o.OffsetTo = *offsets[1];
            if (const IcsProperty* rule = part.Find("RRULE")) ReadZoneRule(rule->Value, o);
            for (const IcsProperty* r : part.FindAll("RDATE"))
                ForEachItem(r->Value, ',', [&](std::string_view v) {
                    if (o.ExtraWall.size() >= kMostObservances) return false;
                    if (const auto when = ParseTime(v)) o.ExtraWall.push_back(when->seconds);
                    return true;
                });
            observances.push_back(std::move(o));
        }
        if (!observances.empty()) zones_.emplace(id->Value, ZoneFromObservances(id->Value, std::move(observances)));
        return std::nullopt;
    }

private:
    // "+0300", "-0530", "+013045": what a clock's offset can be.
    static std::optional<int> ParseOffset(std::string_view v) {
        int h = 0, m = 0, s = 0;
        if (v.size() != 5 && v.size() != 7) return std::nullopt;
        if ((v[0] != '+' && v[0] != '-') || !Digits(v, 1, 2, h) || !Digits(v, 3, 2, m)) return std::nullopt;
        if (v.size() == 7 && !Digits(v, 5, 2, s)) return std::nullopt;
        if (h > 23 || m > 59 || s > 59) return std::nullopt;
        const int seconds = h * 3600 + m * 60 + s;
        return v[0] == '-' ? -seconds : seconds;
    }

    // FREQ=YEARLY with BYMONTH and BYDAY (or DTSTART's day); other rules
    // leave the observance at its DTSTART.
    static void ReadZoneRule(std::string_view rule, IcsObservance& o) {
        const auto parts = ParseRuleParts(rule, {"FREQ", "BYMONTH", "BYDAY", "BYMONTHDAY", "UNTIL"});
        if (!parts || !parts->Part("FREQ") || *parts->Part("FREQ") != "YEARLY") return;
        int month = 0;
        const std::string* m = parts->Part("BYMONTH");
        if (!m || !TryParseDecimal(*m, month) || month < 1 || month > 12) return;
        const std::string* d = parts->Part("BYDAY");
        if (d && !ParseByDay(*d, o.Weekday, o.Ordinal)) return;
        if (d && o.Ordinal == 0) {
            const std::string* days = parts->Part("BYMONTHDAY");
            if (!days) return;
            ForEachItem(*days, ',', [&](std::string_view v) {
                int day = 0;
                // A day of the month is one of 31; a longer list says nothing more.
                if (TryParseDecimal(v, day) && day >= 1 && day <= 31 &&
                    std::find(o.MonthDays.begin(), o.MonthDays.end(), day) == o.MonthDays.end())
                    o.MonthDays.push_back(day);
                return true;
            });
        }
        if (const std::string* u = parts->Part("UNTIL")) {
            const auto t = ParseTime(*u);
            if (!t) return;
            o.HasUntil = true;
            o.UntilUtc = t->utc ? t->seconds : t->seconds - o.OffsetFrom;
        }
        o.Month = month;
    }

    const IcsZone& local_;
    std::map<std::string, IcsZone> zones_;
};

// The reminder choice closest to the file's alarms: the earliest alarm,
// rounded to the choice that reminds no later than it.
int AlertOf(const IcsComponent& c, const Reader& reader, int64_t start, std::optional<int64_t> end) {
    std::optional<int64_t> earliest;  // seconds before the start
    for (const IcsComponent& alarm : c.Children) {
        if (alarm.Name != "VALARM") continue;
        const IcsProperty* trigger = alarm.Find("TRIGGER");
        if (!trigger) continue;
        std::optional<int64_t> before;
        const std::string* type = trigger->Param("VALUE");
        if (type && Upper(*type) == "DATE-TIME") {
            if (const auto t = ParseTime(trigger->Value)) before = start - reader.Wall(*t, trigger->Param("TZID"));
        } else if (const auto d = ParseDuration(trigger->Value)) {
            const std::string* related = trigger->Param("RELATED");
            const bool fromEnd = related && Upper(*related) == "END" && end;
            before = (fromEnd ? start - *end : 0) - *d;
        }
        if (before && (!earliest || *before > *earliest)) earliest = before;
    }
    if (!earliest) return 0;  // "Не напоминать"
    const int64_t minutes = *earliest <= 0 ? 0 : (*earliest + 59) / 60;
    for (int choice = 1; choice <= 9; ++choice)
        if (kAlertMinutes[choice] >= minutes) return choice;
    return 9;
}

std::string TextOf(const IcsComponent& c, const char* name) {
    const IcsProperty* p = c.Find(name);
    return p ? IcsUnescapeText(p->Value) : std::string{};
}

std::string OneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
    const size_t a = text.find_first_not_of(' '), b = text.find_last_not_of(' ');
    return a == std::string::npos ? std::string{} : text.substr(a, b - a + 1);
}

bool Done(const IcsComponent& c) {
    const IcsProperty* status = c.Find("STATUS");
    const IcsProperty* percent = c.Find("PERCENT-COMPLETE");
    return (status && Upper(status->Value) == "COMPLETED") || c.Find("COMPLETED") ||
           (percent && percent->Value == "100") ||
           (c.Find("X-DAYLOOM-COMPLETED") && Upper(c.Find("X-DAYLOOM-COMPLETED")->Value) == "TRUE");
}

// One VEVENT or VTODO. Nothing when it has no date (counted); a fault when a
// date it has does not read.
std::optional<TTodoItem> EventOf(const IcsComponent& c, const Reader& reader, const IcsZone& local,
                                 bool& simplified, int& undated, std::optional<Fault>& fault) {
    const bool todo = c.Name == "VTODO";
    std::string error;
    auto read = [&](const char* name) -> std::optional<Moment> {
        const IcsProperty* p = c.Find(name);
        if (!p || fault) return std::nullopt;
        auto m = reader.Read(*p, error);
        if (!m) fault = Fault{p->Line, error};
        return m;
    };
    std::optional<Moment> start = read("DTSTART");
    std::optional<Moment> end = read(todo ? "DUE" : "DTEND");
    if (fault) return std::nullopt;
    if (!end && start) {
        if (const IcsProperty* d = c.Find("DURATION")) {
            const auto seconds = ParseDuration(d->Value);
            if (!seconds || !Reader::OnCalendar(start->wall + *seconds)) {
                fault = Fault{d->Line, "DURATION: неверная длительность «" + ShownText(d->Value, 40) + "»"};
                return std::nullopt;
            }
            end = Moment{start->wall + *seconds, start->allDay};
        }
    }
    if (todo && !start) start = end;
    if (!start) {
        ++undated;
        return std::nullopt;
    }
    // A date without a time is the whole day: it starts at midnight, and a
    // to-do due on a day is due by its last minute.
    if (end && end->allDay && todo) end->wall += kDaySeconds - 60;

    TEditorValues v;
    v.subject = ansi(OneLine(TextOf(c, "SUMMARY")));
    if (v.subject.empty()) v.subject = ansi("(без названия)");
    std::string notes = TextOf(c, "DESCRIPTION");
    if (const std::string place = OneLine(TextOf(c, "LOCATION")); !place.empty())
        notes += (notes.empty() ? "" : "\n") + std::string("Место: ") + place;
    v.start = FromWallSeconds(start->wall);
    v.completed = Done(c);
    v.alert = AlertOf(c, reader, start->wall, end ? std::optional<int64_t>(end->wall) : std::nullopt);

    const IcsProperty* rule = c.Find("RRULE");
    const auto untilWall = [&](const std::string& value) -> std::optional<int64_t> {
        const auto t = ParseTime(value);
        if (!t) return std::nullopt;
        return reader.Wall(*t, c.Find("DTSTART")->Param("TZID"));
    };
    std::optional<Fields> kept;
    if (const IcsProperty* x = c.Find("X-DAYLOOM-FIELDS")) kept = ParseFieldsText(x->Value);

    if (todo) {
        v.kind = EventKind::ToDo;
        v.end = FromWallSeconds(std::max(start->wall, end ? end->wall : start->wall));
        if (rule) simplified = true;  // a to-do does not repeat
    } else if (rule) {
        std::optional<Fields> f = FieldsOfRule(rule->Value, start->wall, untilWall);
        // dayloom's own fields stand while the rule is still the one they give.
        if (kept && Upper(RuleText(*kept, start->wall, local)) == Upper(rule->Value)) f = kept;
        if (f) {
            v.kind = EventKind::Repeating;
            v.unit = f->unit;
            v.countText = std::to_string(f->count);
            v.mask = f->mask;
        } else {
            simplified = true;
        }
    } else if (kept && kept->unit != kUnitNone && !end && RuleText(*kept, start->wall, local).empty()) {
        // A repetition that the standard cannot show at all (a count of 0).
        v.kind = EventKind::Repeating;
        v.unit = kept->unit;
        v.countText = std::to_string(kept->count);
        v.mask = kept->mask;
    }
    if (v.kind == EventKind::Simple && end && end->wall > start->wall) {
        int64_t last = end->wall;
        // Whole days end at midnight after the last day; dayloom's span
        // includes its end day, so it ends at that day's last minute instead.
        if (start->allDay && end->allDay) last -= 60;
        if (last - start->wall >= kDaySeconds || !start->allDay) {
            const TDateTime s = FromWallSeconds(start->wall), e = FromWallSeconds(last);
            std::optional<Fields> f = LastingOf(s, e);
            if (kept && kept->count > 0 && AddInterval(kept->count, kept->unit, s) == e) f = kept;
            if (f) {
                v.kind = EventKind::Lasting;
                v.unit = f->unit;
                v.countText = std::to_string(f->count);
            }
        }
    }
    TTodoItem item = NewItemFromEditor(v);
    // The notes may be most of the file: one copy in the code page at a time.
    std::string memo = ansi(notes);
    std::string().swap(notes);
    item.SetNotesText(memo);
    return item;
}

}  // namespace

std::string IcsUid(const TTodoItem& event) {
    char hash[20];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(event.Subject)));
    return "dayloom-" + Stamp(WallSeconds(event.CreationDate)) + "-" + hash;
}

IcsWritten WriteICalendar(const TodoItems& store, const IcsExportOptions& o) {
    IcsWritten w;
    std::string& out = w.Text;
    AppendIcsLine(out, "BEGIN:VCALENDAR");
    AppendIcsLine(out, "VERSION:2.0");
    AppendIcsLine(out, "PRODID:-//dayloom//dayloom//RU");
    AppendIcsLine(out, "CALSCALE:GREGORIAN");
    for (const std::string& l : VTimeZoneLines(o.Zone, DecodeDateTime(o.Now).year)) AppendIcsLine(out, l);
    const std::string stamp = Stamp(ToUtc(o.Zone, WallSeconds(o.Now))) + "Z";
    std::map<std::string, int> uids;
    for (const TTodoItem& e : store) {
        if (!InCalendar(e.CreationDate) || (e.CompletionDate != 0 && !InCalendar(e.CompletionDate))) continue;
        if (!InRange(e, o)) continue;
        std::string uid = IcsUid(e);
        // Two stored events may share an identity; their UIDs must not.
        if (const int n = ++uids[uid]; n > 1) uid += "-" + std::to_string(n);
        WriteEvent(out, e, uid + "@dayloom", o, stamp);
        ++w.Events;
    }
    AppendIcsLine(out, "END:VCALENDAR");
    return w;
}

namespace {

constexpr const char* kTooLarge = "Файл больше 64 МБ: это не календарь, который можно импортировать.";

// What each of the two walks keeps of a file. The first also counts the
// events and to-dos that have a date, so that the second knows their number.
const IcsKeep kZoneParts{"VCALENDAR",
                         {"VTIMEZONE", "STANDARD", "DAYLIGHT", "VEVENT", "VTODO"},
                         {"TZID", "DTSTART", "DUE", "TZOFFSETFROM", "TZOFFSETTO", "RRULE"},
                         {"RDATE"}};
const IcsKeep kEventParts{"VCALENDAR",
                          {"VEVENT", "VTODO", "VALARM"},
                          {"DTSTART", "DTEND", "DUE", "DURATION", "SUMMARY", "DESCRIPTION", "LOCATION", "STATUS",
                           "PERCENT-COMPLETE", "COMPLETED", "X-DAYLOOM-COMPLETED", "X-DAYLOOM-FIELDS", "RRULE",
                           "TRIGGER"},
                          {}};

IcsRun Failed(int line, const std::string& message) {
    IcsRun run;
    run.Line = line;
    run.Message = line > 0 ? "Строка " + std::to_string(line) + ": " + message + ". Ничего не импортировано." : message;
    return run;
}

// A decoded text, walked twice: the first walk sees the whole file sound and
// gathers each calendar's zones (a VTIMEZONE may follow the events that name
// it), the second reads the events one at a time. Only the component being
// read is held, never the file's tree.
IcsRun ReadDecoded(std::string_view text, const IcsZone& local) {
    std::map<int, Reader> readers;  // by calendar, those with zones
    std::optional<Fault> fault;
    size_t dated = 0;
    const IcsWalk zones = WalkIcsText(text, kZoneParts, [&](int top, IcsComponent& c) {
        if (c.Name == "VEVENT" || c.Name == "VTODO") dated += c.Find("DTSTART") || c.Find("DUE") ? 1 : 0;
        if (c.Name != "VTIMEZONE") return true;
        fault = readers.try_emplace(top, local).first->second.AddZone(c);
        return !fault;
    });
    if (!zones.ok) return Failed(zones.Line, zones.Error);
    if (fault) return Failed(fault->line, fault->message);
    if (zones.Tops == 0) return Failed(0, "В файле нет календаря (BEGIN:VCALENDAR): это не файл iCalendar.");

    IcsRun run;
    // No more than the file's dated components, each at least a few dozen of
    // its bytes: the events' room is taken once, not doubled as they come.
    run.Events.reserve(dated);
    run.Simplified.reserve(dated);
    const Reader noZones(local);
    const IcsWalk events = WalkIcsText(text, kEventParts, [&](int top, IcsComponent& c) {
        if (c.Name != "VEVENT" && c.Name != "VTODO") return true;
        const auto r = readers.find(top);
        bool simplified = false;
        std::optional<TTodoItem> e =
            EventOf(c, r == readers.end() ? noZones : r->second, local, simplified, run.Undated, fault);
        if (fault) return false;
        if (e) {
            run.Events.push_back(std::move(*e));
            run.Simplified.push_back(simplified ? 1 : 0);
        }
        return true;
    });
    if (!events.ok) return Failed(events.Line, events.Error);
    if (fault) return Failed(fault->line, fault->message);
    run.ok = true;
    return run;
}

// `owner`, when given, holds `bytes` and is emptied once they are decoded.
IcsRun DecodeAndRead(std::string_view bytes, std::string* owner, const IcsZone& local) {
    const DecodedText text = DecodeTextToUtf8(bytes);
    if (owner) std::string().swap(*owner);  // an assignment would keep the room
    if (!text.ok) return Failed(text.Line, text.Reason);
    return ReadDecoded(text.Text, local);
}

}  // namespace

IcsRun ReadICalendar(std::string_view bytes, const IcsZone& local) {
    if (bytes.size() > kMaxIcsBytes) return Failed(0, kTooLarge);
    return DecodeAndRead(bytes, nullptr, local);
}

IcsRun ReadICalendarFile(const std::filesystem::path& file, const IcsZone& local) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxIcsBytes) return Failed(0, kTooLarge);
    std::string bytes;
    if (ec || !ReadWholeFile(file, bytes))
        return Failed(0, std::filesystem::exists(file, ec) ? "Файл не читается." : "Файл не найден.");
    // The size asked above may be stale.
    if (bytes.size() > kMaxIcsBytes) return Failed(0, kTooLarge);
    return DecodeAndRead(bytes, &bytes, local);
}

