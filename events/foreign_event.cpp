#include "events/foreign_event.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>

#include <libical/ical.h>

#include "events/ansi.h"
#include "events/clock_zone.h"

namespace {

constexpr int64_t kDay = 86400;
// Occurrences are remembered in blocks of this many seconds of the series'
// own time: a year, as starting libical's walk costs far more than a step of it.
constexpr int64_t kBlock = 366 * kDay;
constexpr size_t kMostBlocks = 8;
// No real series has more occurrences than this in one block, nor a
// finite one more in all: a rule that would give more is cut there.
constexpr size_t kMostInBlock = 5000;
constexpr size_t kMostInAll = 100000;
// A rule by the hour or minute is walked from its start; this many steps at most.
constexpr int kMostSteps = 400000;
// The ends of what the event file can hold (years 1..9999), on any clock.
constexpr int64_t kFirstSecond = -62135596800 + 2 * kDay;
constexpr int64_t kLastSecond = 253402300799 - 2 * kDay;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

icaltimezone* Utc() { return icaltimezone_get_utc_timezone(); }

// Seconds of a time read as if it were UTC: its wall clock.
int64_t WallOf(icaltimetype t) {
    t.zone = nullptr;
    return static_cast<int64_t>(icaltime_as_timet_with_zone(t, Utc()));
}

// Zones a calendar described in VTIMEZONE, kept for the run: many events
// name the same few, and each is read once.
icaltimezone* DescribedZone(icalcomponent* vtimezone) {
    // Never destroyed: events may use the zones to the last moment of the run.
    static auto* const zones = new std::map<std::string, icaltimezone*>;
    const char* text = icalcomponent_as_ical_string(vtimezone);
    if (!text) return nullptr;
    auto [it, added] = zones->try_emplace(text, nullptr);
    if (added) {
        icaltimezone* z = icaltimezone_new();
        if (icaltimezone_set_component(z, icalcomponent_new_clone(vtimezone))) it->second = z;
        else icaltimezone_free(z, 1);
    }
    return it->second;
}

// A zone by the name a calendar gives it: the system's zone of that name, or
// of its last two parts ("/mozilla.org/20050126_1/Europe/Berlin").
icaltimezone* SystemZone(const std::string& name) {
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(name.c_str())) return z;
    if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(name.c_str())) return z;
    size_t slash = name.rfind('/');
    if (slash != std::string::npos && slash > 0) slash = name.rfind('/', slash - 1);
    if (slash != std::string::npos) return icaltimezone_get_builtin_timezone(name.c_str() + slash + 1);
    return nullptr;
}

struct ZoneTable {
    std::map<std::string, icaltimezone*> described;
    // None for the clock's own zone, whose times are the clock's as written
    // (a time its clock skips stays as written, as the user's own would),
    // and for a zone nobody describes, taken for the clock's.
    icaltimezone* Find(const char* tzid) const {
        if (!tzid || !*tzid || ClockZone().Id == tzid) return nullptr;
        const auto it = described.find(tzid);
        if (it != described.end() && it->second) return it->second;
        return SystemZone(tzid);
    }
};

// The zone a property's TZID names; `fallback` when it has none.
icaltimezone* ZoneOf(icalproperty* p, const ZoneTable& zones, icaltimezone* fallback, std::string* name = nullptr) {
    icalparameter* tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    if (!tz) return fallback;
    const char* id = icalparameter_get_tzid(tz);
    if (name && id) *name = id;
    return zones.Find(id);
}

// A time of the file as a moment of the series.
TForeignEvent::When WhenOf(icaltimetype t, icaltimezone* zone) {
    TForeignEvent::When w;
    if (t.is_date || (!icaltime_is_utc(t) && !zone)) {
        w.t = WallOf(t);
        w.floating = true;
    } else if (icaltime_is_utc(t)) {
        w.t = WallOf(t);
    } else {
        t.zone = nullptr;
        w.t = static_cast<int64_t>(icaltime_as_timet_with_zone(t, zone));
    }
    return w;
}

int64_t LocalWall(const TForeignEvent::When& w) { return w.floating ? w.t : ToWall(ClockZone(), w.t); }

// What libical could not read of a component that matters for its dates;
// empty when they all read.
std::string DateFault(icalcomponent* c) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_XLICERROR_PROPERTY)) {
        const std::string what = icalproperty_get_xlicerror(p) ? icalproperty_get_xlicerror(p) : "";
        for (const char* name : {"DTSTART", "DTEND", "DUE", "DURATION", "RRULE", "EXDATE", "RDATE", "RECURRENCE-ID"}) {
            if (what.find(std::string(" ") + name + " ") == std::string::npos) continue;
            const size_t colon = what.rfind(": ");
            const std::string value = colon == std::string::npos ? std::string() : what.substr(colon + 2);
            return std::string(name) + ": не читается «" + ShownText(value, 40) + "»";
        }
    }
    return {};
}

bool Usable(icaltimetype t) { return !icaltime_is_null_time(t) && icaltime_is_valid_time(t) && t.year >= 1 && t.year <= 9999; }

}  // namespace

std::string IcsStamp(int64_t wall, bool dateOnly) {
    // Written for every event of an export: digits by hand, not printf.
    const int64_t days = FloorDiv(wall, kDay), s = wall - days * kDay;
    const DateTimeParts p = DecodeDateTime(FromWallSeconds(days * kDay));
    char text[16];
    auto put = [&](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10) text[at + i] = static_cast<char>('0' + value % 10);
    };
    put(0, p.year, 4);
    put(4, p.month, 2);
    put(6, p.day, 2);
    if (dateOnly) return std::string(text, 8);
    text[8] = 'T';
    put(9, static_cast<int>(s / 3600), 2);
    put(11, static_cast<int>(s / 60 % 60), 2);
    put(13, static_cast<int>(s % 60), 2);
    return std::string(text, 15);
}

struct TForeignEvent::Series {
    icaltimetype start{};            // DTSTART with its zone, for the rule's walk
    icaltimezone* zone = nullptr;    // not owned; none: UTC or floating
    When first;
    std::string rule;                // RRULE, empty when none
    bool hasCount = false, byDayOrMore = false;
    std::vector<int64_t> left;       // EXDATE and RECURRENCE-ID moments, sorted
    std::vector<int> leftDays;       // EXDATE dates (YYYYMMDD) of a series with times
    std::vector<When> extra;         // RDATE and moved occurrences, sorted
    std::vector<When> all;           // every moment, when `complete`
    bool complete = false, tried = false;

    // A series with a known end is worked out whole, once, when first asked;
    // one without, a block at a time.
    void TryWhole() {
        if (std::exchange(tried, true)) return;
        std::vector<When> found;
        bool whole = true;
        if (rule.empty()) {
            if (!Left(start, first)) found.push_back(first);
        } else if (hasCount || !byDayOrMore) {
            whole = Walk(kFirstSecond, kLastSecond, false, kMostInAll, found) || hasCount;
        } else {
            const icalrecurrencetype r = icalrecurrencetype_from_string(rule.c_str());
            whole = !icaltime_is_null_time(r.until) && Walk(kFirstSecond, kLastSecond, false, kMostInBlock, found);
        }
        if (!whole) return;
        found.insert(found.end(), extra.begin(), extra.end());
        std::sort(found.begin(), found.end());
        all = std::move(found);
        complete = true;
    }

    bool Left(icaltimetype t, const When& w) const {
        if (std::binary_search(left.begin(), left.end(), w.t)) return true;
        return !leftDays.empty() &&
               std::binary_search(leftDays.begin(), leftDays.end(), t.year * 10000 + t.month * 100 + t.day);
    }

    // The rule's moments from `lo` to `hi`, from its start or (`jump`) from
    // about `lo`; false when cut short by the limits.
    bool Walk(int64_t lo, int64_t hi, bool jump, size_t most, std::vector<When>& out) const {
        if (rule.empty()) return true;
        const icalrecurrencetype r = icalrecurrencetype_from_string(rule.c_str());
        if (r.freq == ICAL_NO_RECURRENCE) return true;
        icalrecur_iterator* it = icalrecur_iterator_new(r, start);
        if (!it) return true;
        if (jump && lo > first.t + 2 * kDay) {
            const int64_t from = lo - 2 * kDay;
            icaltimetype s = first.floating ? icaltime_from_timet_with_zone(static_cast<time_t>(from), 0, nullptr)
                                            : icaltime_from_timet_with_zone(static_cast<time_t>(from), 0, zone ? zone : Utc());
            s.hour = s.minute = s.second = 0;
            s.is_date = start.is_date;
            if (first.floating) s.zone = nullptr;
            icalrecur_iterator_set_start(it, s);
        }
        bool whole = true;
        int steps = 0;
        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t); t = icalrecur_iterator_next(it)) {
            if (++steps > kMostSteps || out.size() >= most) {
                whole = false;
                break;
            }
            When w = WhenOf(t, zone);
            w.length = first.length;
            if (w.t > hi) break;
            if (w.t >= lo && !Left(t, w)) out.push_back(w);
        }
        icalrecur_iterator_free(it);
        return whole;
    }
};

TForeignEvent::~TForeignEvent() = default;

std::shared_ptr<const TForeignEvent> TForeignEvent::Read(std::string text, std::string* problem, const Visit& visit) {
    auto fail = [&](const char* why) -> std::shared_ptr<const TForeignEvent> {
        if (problem) *problem = why;
        return nullptr;
    };
    const std::string wrapped = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + text + "\r\nEND:VCALENDAR\r\n";
    icalcomponent* cal = icalparser_parse_string(wrapped.c_str());
    if (!cal) return fail("текст события не читается");
    struct Free {
        icalcomponent* c;
        ~Free() { icalcomponent_free(c); }
    } freeCal{cal};
    if (icalcomponent_isa(cal) != ICAL_VCALENDAR_COMPONENT) return fail("текст события не читается");

    ZoneTable zones;
    for (icalcomponent* z = icalcomponent_get_first_component(cal, ICAL_VTIMEZONE_COMPONENT); z;
         z = icalcomponent_get_next_component(cal, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(z, ICAL_TZID_PROPERTY);
        if (id && icalproperty_get_tzid(id)) zones.described[icalproperty_get_tzid(id)] = DescribedZone(z);
    }
    icalcomponent* master = nullptr;
    std::vector<icalcomponent*> moved;
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind k = icalcomponent_isa(c);
        if (k != ICAL_VEVENT_COMPONENT && k != ICAL_VTODO_COMPONENT) continue;
        const bool isMoved = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY) != nullptr;
        const std::string fault = DateFault(c);
        if (!fault.empty()) {
            // A moved occurrence whose dates do not read is left out; a series, refused.
            if (isMoved) continue;
            if (problem) *problem = fault;
            return nullptr;
        }
        if (isMoved) moved.push_back(c);
        else if (!master) master = c;
    }
    if (!master && !moved.empty()) {  // a moved occurrence whose series the calendar did not give
        master = moved.front();
        moved.erase(moved.begin());
    }
    if (!master) return fail("нет VEVENT");
    const bool todo = icalcomponent_isa(master) == ICAL_VTODO_COMPONENT;
    icalproperty* dtstart = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    // A to-do may have only its due date: it starts then.
    if (!dtstart && todo) dtstart = icalcomponent_get_first_property(master, ICAL_DUE_PROPERTY);
    if (!dtstart) return fail("нет DTSTART");

    std::shared_ptr<TForeignEvent> e(new TForeignEvent());
    e->series_ = std::make_unique<Series>();
    Series& s = *e->series_;
    s.start = icalproperty_get_dtstart(dtstart);
    if (icalproperty_isa(dtstart) == ICAL_DUE_PROPERTY) s.start = icalproperty_get_due(dtstart);
    if (!Usable(s.start)) return fail("DTSTART не читается");
    s.zone = s.start.is_date || icaltime_is_utc(s.start) ? nullptr : ZoneOf(dtstart, zones, nullptr, &e->zoneName_);
    if (!s.zone && e->zoneName_ != ClockZone().Id) e->zoneName_.clear();
    if (s.zone) s.start = icaltime_set_timezone(&s.start, s.zone);
    s.first = WhenOf(s.start, s.zone);
    if (s.first.t < kFirstSecond || s.first.t > kLastSecond) return fail("DTSTART вне 1–9999 годов");
    e->allDay_ = s.start.is_date != 0;
    e->todo_ = todo;

    // The length: to DTEND, or DURATION; a day for a date alone.
    int64_t length = e->allDay_ ? kDay : 0;
    icalproperty* end = icalcomponent_get_first_property(master, todo ? ICAL_DUE_PROPERTY : ICAL_DTEND_PROPERTY);
    if (end == dtstart) end = nullptr;
    if (end) {
        const icaltimetype t = todo ? icalproperty_get_due(end) : icalproperty_get_dtend(end);
        if (Usable(t)) {
            const When w = WhenOf(t, icaltime_is_utc(t) || t.is_date ? nullptr : ZoneOf(end, zones, s.zone));
            if (w.floating == s.first.floating) length = w.t - s.first.t;
        }
    } else if (icalproperty* d = icalcomponent_get_first_property(master, ICAL_DURATION_PROPERTY)) {
        length = icaldurationtype_as_int(icalproperty_get_duration(d));
    }
    // Nothing lasts less than nothing, nor for centuries.
    s.first.length = static_cast<int32_t>(std::clamp<int64_t>(length, 0, int64_t{100} * 366 * kDay));
    e->longest_ = s.first.length;

    if (const char* uid = icalcomponent_get_uid(master)) e->uid_ = uid;
    if (const char* v = icalcomponent_get_summary(master)) e->summary_ = v;
    if (const char* v = icalcomponent_get_description(master)) e->description_ = v;

    if (icalproperty* rr = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype r = icalproperty_get_rrule(rr);
        if (r.freq != ICAL_NO_RECURRENCE) {
            if (const char* v = icalrecurrencetype_as_string(&r)) s.rule = v;
            s.hasCount = r.count > 0;
            s.byDayOrMore = r.freq >= ICAL_DAILY_RECURRENCE;
        }
    }
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype t = icalproperty_get_exdate(p);
        if (!Usable(t)) continue;
        if (t.is_date && !s.start.is_date) s.leftDays.push_back(t.year * 10000 + t.month * 100 + t.day);
        else s.left.push_back(WhenOf(t, icaltime_is_utc(t) ? nullptr : ZoneOf(p, zones, s.zone)).t);
    }
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype d = icalproperty_get_rdate(p);
        const bool period = icaltime_is_null_time(d.time);
        const icaltimetype t = period ? d.period.start : d.time;
        if (!Usable(t)) continue;
        icaltimezone* z = icaltime_is_utc(t) || t.is_date ? nullptr : ZoneOf(p, zones, s.zone);
        When w = WhenOf(t, z);
        w.length = s.first.length;
        if (period && Usable(d.period.end)) w.length = static_cast<int32_t>(std::max<int64_t>(0, WhenOf(d.period.end, z).t - w.t));
        if (w.t >= kFirstSecond && w.t <= kLastSecond) s.extra.push_back(w);
    }
    for (icalcomponent* c : moved) {
        icalproperty* rid = icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
        const icaltimetype id = icalproperty_get_recurrenceid(rid);
        if (!Usable(id)) continue;
        s.left.push_back(WhenOf(id, icaltime_is_utc(id) || id.is_date ? nullptr : ZoneOf(rid, zones, s.zone)).t);
        if (icalcomponent_get_status(c) == ICAL_STATUS_CANCELLED) continue;
        icalproperty* ds = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        const icaltimetype t = ds ? icalproperty_get_dtstart(ds) : id;
        if (!Usable(t)) continue;
        When w = WhenOf(t, icaltime_is_utc(t) || t.is_date ? nullptr : ZoneOf(ds ? ds : rid, zones, s.zone));
        w.length = s.first.length;
        if (icalproperty* end = icalcomponent_get_first_property(c, ICAL_DTEND_PROPERTY)) {
            const icaltimetype te = icalproperty_get_dtend(end);
            if (Usable(te)) {
                const When we = WhenOf(te, icaltime_is_utc(te) || te.is_date ? nullptr : ZoneOf(end, zones, s.zone));
                if (we.floating == w.floating) w.length = static_cast<int32_t>(std::clamp<int64_t>(we.t - w.t, 0, INT32_MAX));
            }
        } else if (icalproperty* d = icalcomponent_get_first_property(c, ICAL_DURATION_PROPERTY)) {
            w.length = static_cast<int32_t>(std::clamp(icaldurationtype_as_int(icalproperty_get_duration(d)), 0, INT32_MAX));
        }
        if (w.t >= kFirstSecond && w.t <= kLastSecond) s.extra.push_back(w);
    }
    std::sort(s.left.begin(), s.left.end());
    std::sort(s.leftDays.begin(), s.leftDays.end());
    std::sort(s.extra.begin(), s.extra.end());
    for (const When& w : s.extra) e->longest_ = std::max<int64_t>(e->longest_, w.length);
    e->repeats_ = !s.rule.empty() || !s.extra.empty();

    e->text_ = std::move(text);
    if (visit) visit(*e, master);
    return e;
}

void TForeignEvent::Moments(int64_t lo, int64_t hi, std::vector<When>& out) const {
    Series& s = *series_;
    std::lock_guard lock(cacheMutex_);
    s.TryWhole();
    if (s.complete) {
        auto from = std::lower_bound(s.all.begin(), s.all.end(), When{lo});
        for (; from != s.all.end() && from->t <= hi; ++from) out.push_back(*from);
        return;
    }
    for (int64_t b = FloorDiv(lo, kBlock); b <= FloorDiv(hi, kBlock); ++b) {
        auto found = std::find_if(blocks_.begin(), blocks_.end(), [&](const auto& x) { return x.first == b; });
        if (found == blocks_.end()) {
            if (blocks_.size() >= kMostBlocks) blocks_.clear();
            std::vector<When> block;
            s.Walk(b * kBlock, b * kBlock + kBlock - 1, true, kMostInBlock, block);
            blocks_.emplace_back(b, std::move(block));
            found = std::prev(blocks_.end());
        }
        for (const When& w : found->second)
            if (w.t >= lo && w.t <= hi) out.push_back(w);
    }
    for (const When& w : s.extra)
        if (w.t >= lo && w.t <= hi) out.push_back(w);
    std::sort(out.begin(), out.end());
}

void TForeignEvent::Occurrences(int64_t wallFrom, int64_t wallTo, std::vector<TOccurrence>& out) const {
    // The series' own seconds differ from the clock's by less than two days.
    thread_local std::vector<When> moments;
    moments.clear();
    Moments(wallFrom - longest_ - 2 * kDay, wallTo + 2 * kDay, moments);
    for (const When& w : moments) {
        const int64_t a = LocalWall(w);
        const int64_t b = w.floating ? w.t + w.length : LocalWall(When{w.t + w.length, 0, false});
        // An occurrence is on a day when it starts there or lasts into it.
        if (a < wallTo && (a >= wallFrom || b > wallFrom)) out.push_back({FromWallSeconds(a), FromWallSeconds(b)});
    }
}

TOccurrence TForeignEvent::First() const {
    const When& f = series_->first;
    const int64_t a = LocalWall(f);
    const int64_t b = f.floating ? f.t + f.length : LocalWall(When{f.t + f.length, 0, false});
    return {FromWallSeconds(a), FromWallSeconds(b)};
}

namespace {
constexpr int64_t kUnixDay = 25569;
}

void TForeignEvent::OnDay(int64_t day, std::vector<TOccurrence>& out) const {
    const int64_t from = (day - kUnixDay) * kDay;
    Occurrences(from, from + kDay, out);
}

bool TForeignEvent::OccursOnDay(int64_t day) const {
    thread_local std::vector<TOccurrence> scratch;
    scratch.clear();
    OnDay(day, scratch);
    return !scratch.empty();
}

void TForeignEvent::StartDays(int64_t first, int64_t last, std::vector<int64_t>& days) const {
    days.clear();
    std::vector<TOccurrence> occ;
    const int64_t from = (first - kUnixDay) * kDay, to = (last + 1 - kUnixDay) * kDay;
    Occurrences(from, to, occ);
    for (const TOccurrence& o : occ) {
        const int64_t d = SafeDayNumber(o.Start);
        if (d >= first && d <= last && (days.empty() || days.back() != d)) days.push_back(d);
    }
    std::sort(days.begin(), days.end());
    days.erase(std::unique(days.begin(), days.end()), days.end());
}

bool TForeignEvent::AnyFrom(TDateTime moment) const {
    Series& s = *series_;
    {
        std::lock_guard lock(cacheMutex_);
        s.TryWhole();
    }
    if (!s.complete) return true;
    const int64_t wall = WallSeconds(moment);
    for (auto it = s.all.rbegin(); it != s.all.rend(); ++it) {
        const int64_t end = it->floating ? it->t + it->length : LocalWall(When{it->t + it->length, 0, false});
        if (end >= wall) return true;
        if (it->t + longest_ + 2 * kDay < wall) break;  // no earlier one reaches further

    }
    return false;
}

bool SystemKnowsZone(const std::string& tzid) { return SystemZone(tzid) != nullptr; }
