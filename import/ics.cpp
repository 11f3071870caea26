#include "import/ics.h"

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <deque>
#include <stdexcept>
#include <exception>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <libical/ical.h>

#include "events/ansi.h"
#include "events/event_edit.h"
#include "events/event_store.h"
#include "events/foreign_event.h"
#include "events/recurrence.h"
#include "import/uid_table.h"

namespace {

constexpr int64_t kDaySeconds = 86400;
// Minutes before the start of the reminder choices 1 ("Вовремя") to 9 ("за 1 день").
constexpr int kAlertMinutes[10] = {-1, 0, 1, 5, 15, 30, 45, 60, 120, 1440};
// Weekday bits of the mask, Sunday first, and their names in rules.
constexpr const char* kDayNames[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
int DayBit(int weekday) { return 64 >> weekday; }
int WeekdayOf(int64_t wall) { return DayOfWeek(FromWallSeconds(wall)) - 1; }  // 0 = Sunday

struct Fields {
    int count = 0, unit = 0, mask = 0;
    bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const TTodoItem& e) {
    const TRepetition r = e.Repetition();
    return {r.Count, r.Unit, r.Mask};
}

// --- content lines ---

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\': out += "\\\\"; break;
            case ';': out += "\\;"; break;
            case ',': out += "\\,"; break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out += "\\n";
                break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

// One content line and its CR LF, folded so that no line is longer than 75
// octets and no UTF-8 character is cut.
void AppendLine(std::string& out, std::string_view line) {
    size_t at = 0, room = 75;
    while (line.size() - at > room) {
        size_t cut = at + room;
        while (cut > at && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.substr(at, cut - at));
        out += "\r\n ";
        at = cut;
        room = 74;
    }
    out.append(line.substr(at));
    out += "\r\n";
}

// A content line made of pieces, put together in a line kept for the thread:
// an export makes a dozen lines an event, a million events.
template <typename... Pieces>
void PutLine(std::string& out, const Pieces&... pieces) {
    thread_local std::string line;
    line.clear();
    (line.append(pieces), ...);
    AppendLine(out, line);
}

// --- the kinds dayloom's fields can say ---

// The export goes by DueDate first, unlike the editor (TTodoItem::Kind): a
// repetition whose count no rule can show (0, as the import makes from
// X-DAYLOOM-FIELDS) has its DueDate and nothing else to tell it by.
EventKind ExportedKind(const TTodoItem& e) {
    if (e.DueDate != 0) return EventKind::Repeating;
    if (e.CompletionDate == 0) return EventKind::Simple;
    return e.Repetition().Count != 0 ? EventKind::Lasting : EventKind::ToDo;
}

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
            const int64_t dayStart = startWall - ((startWall % kDaySeconds) + kDaySeconds) % kDaySeconds;
            return std::string(f.unit == kUnitMinutes ? "FREQ=MINUTELY" : "FREQ=HOURLY") + interval +
                   ";UNTIL=" + IcsStamp(ToUtc(zone, dayStart + kDaySeconds - 1)) + "Z";
        }
        case kUnitDays: return "FREQ=DAILY" + interval;
        case kUnitWeeks: return "FREQ=WEEKLY" + interval;
        case kUnitMonths: return "FREQ=MONTHLY" + interval;
        case kUnitYears: return "FREQ=YEARLY" + interval;
        default: return {};
    }
}

// The nearest of dayloom's repetitions to a rule, for readers that know only
// those, and whether it is exact.
Fields NearestFields(const icalrecurrencetype& r, int64_t startWall, bool& exact) {
    const int interval = r.interval > 0 ? r.interval : 1;
    const bool bounded = r.count > 0 || !icaltime_is_null_time(r.until);
    int mask = 0;
    bool ordinals = false, startDayOnly = true;
    for (int i = 0; i < ICAL_BY_DAY_SIZE && r.by_day[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
        const int w = static_cast<int>(icalrecurrencetype_day_day_of_week(r.by_day[i])) - 1;  // 0 = Sunday
        if (w < 0 || w > 6) continue;
        if (icalrecurrencetype_day_position(r.by_day[i]) != 0) ordinals = true;
        mask |= DayBit(w);
        if (w != WeekdayOf(startWall)) startDayOnly = false;
    }
    const bool more = r.by_month[0] != ICAL_RECURRENCE_ARRAY_MAX || r.by_month_day[0] != ICAL_RECURRENCE_ARRAY_MAX ||
                      r.by_set_pos[0] != ICAL_RECURRENCE_ARRAY_MAX || r.by_year_day[0] != ICAL_RECURRENCE_ARRAY_MAX ||
                      r.by_week_no[0] != ICAL_RECURRENCE_ARRAY_MAX || r.by_hour[0] != ICAL_RECURRENCE_ARRAY_MAX ||
                      r.by_minute[0] != ICAL_RECURRENCE_ARRAY_MAX || ordinals;
    exact = !bounded && !more;
    switch (r.freq) {
        case ICAL_DAILY_RECURRENCE:
            if (mask) return {0, kUnitNone, mask};
            return {interval, kUnitDays, 0};
        case ICAL_WEEKLY_RECURRENCE:
            if (mask && !startDayOnly) {
                if (interval != 1) exact = false;
                return {0, kUnitNone, mask};
            }
            return {interval, kUnitWeeks, 0};
        case ICAL_MONTHLY_RECURRENCE: return {interval, kUnitMonths, 0};
        case ICAL_YEARLY_RECURRENCE: return {interval, kUnitYears, 0};
        default: exact = false; return {0, kUnitDays, 0};
    }
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

// dayloom's own fields where the standard has no words for them
// (X-DAYLOOM-FIELDS:COUNT=24;UNIT=2;MASK=0).
std::string FieldsText(const Fields& f) {
    return "COUNT=" + std::to_string(f.count) + ";UNIT=" + std::to_string(f.unit) + ";MASK=" + std::to_string(f.mask);
}

std::optional<Fields> ParseFieldsText(std::string_view text) {
    Fields f;
    int seen = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view item = text.substr(start, end - start);
        const size_t eq = item.find('=');
        if (eq != std::string_view::npos) {
            const std::string_view name = item.substr(0, eq), value = item.substr(eq + 1);
            int* field = name == "COUNT" ? &f.count : name == "UNIT" ? &f.unit : name == "MASK" ? &f.mask : nullptr;
            if (field) {
                if (!TryParseDecimal(value, *field)) return std::nullopt;
                ++seen;
            }
        }
        start = end + 1;
    }
    if (seen != 3 || f.unit < 0 || f.unit > 6 || f.mask < 0 || f.mask > 127 || f.count < 0 || f.count > 9999)
        return std::nullopt;
    return f;
}

uint64_t Fnv1a(std::string_view bytes) {
    uint64_t h = 1469598103934665603ull;
    for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return h;
}

// --- reading ---

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

bool IsTextProperty(std::string_view name) {
    return name == "SUMMARY" || name == "DESCRIPTION" || name == "LOCATION" || name == "COMMENT" ||
           name.substr(0, 2) == "X-";
}

// No real calendar needs more: a logical line is cut at kLongestLine bytes,
// a component keeps its first kMostLines lines of its own and its first
// kMostChildren components (alarms), and a rule line longer than
// kLongestRule is no rule any program writes. A component longer than
// kLargestPart is left out: no file of the size this reader once held whole
// (kMaxIcsBytes) makes one, even with every line break doubled. What a read
// holds at a time stays a small part of the file however the file is made.
constexpr size_t kLongestLine = size_t{1} << 20;
constexpr size_t kMostLines = 10000;
constexpr size_t kMostChildren = 1000;
constexpr size_t kLongestRule = 4000;
constexpr size_t kLargestPart = 2 * kMaxIcsBytes;
const std::string kTooLargePart = "компонент длиннее " + std::to_string(kLargestPart >> 20) + " МБ";

// --- the file a block at a time ---

// A calendar's bytes a block at a time, from the start each time it is
// opened: a file is read three times (its encoding, then two walks) and is
// never held whole.
class CalendarBytes {
public:
    virtual ~CalendarBytes() = default;
    virtual bool Open() = 0;              // false: it cannot be read
    virtual std::string_view Next() = 0;  // the next block; empty at the end or on a failure
    virtual bool Failed() const = 0;      // a read failed before the end
};

class MemoryBytes : public CalendarBytes {
public:
    MemoryBytes(std::string_view text, size_t block) : text_(text), block_(std::max<size_t>(block, 1)) {}
    bool Open() override {
        at_ = 0;
        return true;
    }
    std::string_view Next() override {
        const std::string_view b = text_.substr(at_, block_);
        at_ += b.size();
        return b;
    }
    bool Failed() const override { return false; }

private:
    std::string_view text_;
    size_t block_, at_ = 0;
};

class FileBytes : public CalendarBytes {
public:
    FileBytes(std::filesystem::path file, size_t block, const std::atomic<bool>* stop = nullptr)
        : file_(std::move(file)), buffer_(std::max<size_t>(block, 1), '\0'), stop_(stop) {}
    bool Open() override {
        in_.close();
        in_.clear();
        in_.open(file_, std::ios::binary);
        failed_ = !in_;
        return !failed_;
    }
    std::string_view Next() override {
        if (stop_ && stop_->load()) failed_ = true;
        if (failed_ || !in_) return {};
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        const auto n = static_cast<size_t>(in_.gcount());
        if (in_.bad()) failed_ = true;
        return failed_ ? std::string_view() : std::string_view(buffer_.data(), n);
    }
    bool Failed() const override { return failed_; }

private:
    std::filesystem::path file_;
    std::ifstream in_;
    std::string buffer_;
    const std::atomic<bool>* stop_;
    bool failed_ = false;
};

// The text of a calendar as UTF-8, a piece at a time; empty at its end.
class TextPieces {
public:
    TextPieces(CalendarBytes& bytes, TextEncoding encoding) : bytes_(bytes), utf8_(encoding) {}
    std::string_view Next() {
        while (!ended_) {
            const std::string_view raw = bytes_.Next();
            if (raw.empty()) break;
            read_ += raw.size();
            const std::string_view text = utf8_.Convert(raw);
            if (!text.empty()) return text;
        }
        ended_ = true;
        return {};
    }
    uint64_t BytesRead() const { return read_; }

private:
    CalendarBytes& bytes_;
    Utf8Pieces utf8_;
    uint64_t read_ = 0;
    bool ended_ = false;
};

// Whether a line is a content line (its name, letters, digits and dashes,
// up to ":" or ";"), told from the line's parts as they come.
class ContentName {
public:
    void Feed(std::string_view part) {
        for (size_t i = 0; verdict_ < 0 && i < part.size(); ++i) {
            if (std::isalnum(static_cast<unsigned char>(part[i])) || part[i] == '-') ++length_;
            else verdict_ = length_ > 0 && (part[i] == ':' || part[i] == ';');
        }
    }
    bool IsContentLine() const { return verdict_ == 1; }

private:
    size_t length_ = 0;
    int verdict_ = -1;
};

// The logical lines of a text, one at a time: folds joined; a line that is no
// content line continues the one before it, as a line break of its text (what
// other programs make of a note written with bare line breaks); spaces after
// a value that is no text dropped. Physical lines run on from one piece of
// the text into the next as if it were one.
class LineReader {
public:
    explicit LineReader(TextPieces& text) : text_(text) { Physical(); }

    // The next logical line and the number of its first physical line; false at the end.
    bool Next(std::string& line, int& number) {
        while (have_ && pending_.empty()) Physical();  // blank lines
        if (!have_) return false;
        line.assign(pending_.substr(0, kLongestLine));
        number = number_;
        Physical();
        while (have_ && !pending_.empty() && (pending_[0] == ' ' || pending_[0] == '\t' || !pendingContent_)) {
            if (line.size() < kLongestLine) {
                if (pending_[0] == ' ' || pending_[0] == '\t') line.append(pending_.substr(1, kLongestLine - line.size()));
                else line.append("\\n").append(pending_.substr(0, kLongestLine - line.size()));
            }
            Physical();
        }
        const size_t colon = line.find_first_of(":;");
        if (colon != std::string::npos && !IsTextProperty(Upper(std::string_view(line).substr(0, std::min<size_t>(colon, 64)))))
            while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        return true;
    }

private:
    // No more of a physical line is ever used than a logical line can take.
    static constexpr size_t kKept = kLongestLine + 1;

    // The next physical line into pending_: a view into the piece, or, for a
    // line that runs on into later pieces, its first kKept bytes gathered.
    void Physical() {
        own_.clear();
        ContentName name;
        bool across = false;
        for (;;) {
            if (at_ == piece_.size() && !Refill()) break;
            const size_t end = piece_.find_first_of("\r\n", at_);
            const std::string_view part = piece_.substr(at_, end == std::string_view::npos ? end : end - at_);
            name.Feed(part);
            if (across || end == std::string_view::npos) own_.append(part.substr(0, kKept - own_.size()));
            if (end == std::string_view::npos) {
                across = true;
                at_ = piece_.size();
                continue;
            }
            pending_ = across ? std::string_view(own_) : part;
            at_ = end + 1;
            // CR LF is one line break, even with the LF in the next piece.
            if (piece_[end] == '\r') {
                if (at_ < piece_.size()) at_ += piece_[at_] == '\n';
                else afterCr_ = true;
            }
            Found(name);
            return;
        }
        have_ = across;  // the last line, without a line break
        if (across) {
            pending_ = own_;
            Found(name);
        }
    }
    void Found(const ContentName& name) {
        have_ = true;
        pendingContent_ = name.IsContentLine();
        number_ = ++physical_;
    }
    bool Refill() {
        for (;;) {
            piece_ = text_.Next();
            at_ = 0;
            if (piece_.empty()) return false;
            if (std::exchange(afterCr_, false) && piece_[0] == '\n') ++at_;
            if (at_ < piece_.size()) return true;
        }
    }

    TextPieces& text_;
    std::string_view piece_, pending_;
    std::string own_;
    size_t at_ = 0;
    int physical_ = 0, number_ = 0;
    bool have_ = false, pendingContent_ = false, afterCr_ = false;
};

bool Begins(const std::string& line, const char* what) {
    const size_t n = std::char_traits<char>::length(what);
    return line.size() >= n && Upper(std::string_view(line).substr(0, n)) == what;
}

// A component of a calendar, as its lines.
struct Part {
    std::string name;  // upper case
    int line = 0;
    std::string text;  // its lines joined by CR LF
    bool closed = false;
    std::string fault;  // why it cannot be read though it closed
};

// Hands each component directly inside a VCALENDAR to `take` as it ends (or
// the file does); returns how many calendars there were. Anything outside a
// calendar (a signature, junk after its end) is no part of it.
template <typename Take>
int ForEachPart(TextPieces& text, Take&& take) {
    LineReader lines(text);
    std::string t;
    int number = 0, tops = 0, depth = 0;
    size_t kept = 0, children = 0;
    bool inCalendar = false, skipping = false;
    Part current;
    while (lines.Next(t, number)) {
        if (!inCalendar) {
            if (Upper(t) == "BEGIN:VCALENDAR") inCalendar = true, ++tops;
            continue;
        }
        if (depth == 0) {
            if (Upper(t) == "END:VCALENDAR") inCalendar = false;
            else if (Begins(t, "BEGIN:")) {
                current = Part{Upper(t.substr(6, 64)), number, t + "\r\n", false, {}};
                depth = 1;
                kept = 1;
                children = 0;
                skipping = false;
            }
            continue;  // the calendar's own properties
        }
        const bool begin = Begins(t, "BEGIN:"), end = Begins(t, "END:");
        if (begin) ++depth;
        // Past the limits, whole nested components and lines of the
        // component's own are left out, so what is kept still nests.
        if (begin && depth == 2 && ++children > kMostChildren) skipping = true;
        const bool keep = !skipping && (depth > 1 || end || ++kept <= kMostLines);
        if (keep) {
            if (Begins(t, "RRULE") && t.size() > kLongestRule && current.fault.empty())
                current.fault = "RRULE: правило длиннее " + std::to_string(kLongestRule) + " знаков";
            if (current.text.size() + t.size() + 2 > kLargestPart) {
                if (current.fault.empty()) current.fault = kTooLargePart;
            } else {
                current.text += t;
                current.text += "\r\n";
            }
        }
        if (end && depth == 2) skipping = false;
        if (end && --depth == 0) {
            current.closed = Upper(t.substr(4, 64)) == current.name;
            take(current);
            current = Part{};
        }
    }
    if (depth > 0) take(current);  // left open at the end of the file
    return tops;
}

std::string FirstValue(const std::string& text, const char* name) {
    const size_t n = std::char_traits<char>::length(name);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string_view l(text.data() + at, end - at);
        if (l.size() > n && Upper(l.substr(0, n)) == name && (l[n] == ':' || l[n] == ';')) {
            const size_t colon = l.find(':');
            return colon == std::string_view::npos ? std::string() : std::string(l.substr(colon + 1));
        }
        at = end + 2;
    }
    return {};
}

struct Owned {
    icalcomponent* c = nullptr;
    Owned() = default;
    Owned(Owned&& o) noexcept : c(std::exchange(o.c, nullptr)) {}
    Owned& operator=(Owned&& o) noexcept {
        std::swap(c, o.c);
        return *this;
    }
    ~Owned() {
        if (c) icalcomponent_free(c);
    }
};

std::string TextOf(icalcomponent* c, icalproperty_kind kind) {
    icalproperty* p = icalcomponent_get_first_property(c, kind);
    const char* v = p ? icalproperty_get_value_as_string(p) : nullptr;
    if (!v) return {};
    // libical gives TEXT values escaped; the unescaped text is asked by kind.
    icalvalue* value = icalproperty_get_value(p);
    if (value && icalvalue_isa(value) == ICAL_TEXT_VALUE) return icalvalue_get_text(value) ? icalvalue_get_text(value) : "";
    return v;
}

std::string OneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
    const size_t a = text.find_first_not_of(' '), b = text.find_last_not_of(' ');
    return a == std::string::npos ? std::string{} : text.substr(a, b - a + 1);
}

bool Done(icalcomponent* c) {
    if (icalcomponent_get_first_property(c, ICAL_COMPLETED_PROPERTY)) return true;
    if (icalproperty* s = icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY))
        if (icalproperty_get_status(s) == ICAL_STATUS_COMPLETED) return true;
    if (icalproperty* p = icalcomponent_get_first_property(c, ICAL_PERCENTCOMPLETE_PROPERTY))
        if (icalproperty_get_percentcomplete(p) == 100) return true;
    for (icalproperty* x = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); x;
         x = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
        if (std::string_view(icalproperty_get_x_name(x) ? icalproperty_get_x_name(x) : "") == "X-DAYLOOM-COMPLETED" &&
            Upper(icalproperty_get_x(x) ? icalproperty_get_x(x) : "") == "TRUE")
            return true;
    return false;
}

// Takes away whatever says the component is done.
void Reopen(icalcomponent* c) {
    std::vector<icalproperty*> gone;
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind k = icalproperty_isa(p);
        const char* x = k == ICAL_X_PROPERTY ? icalproperty_get_x_name(p) : nullptr;
        if (k == ICAL_COMPLETED_PROPERTY || (k == ICAL_STATUS_PROPERTY && icalproperty_get_status(p) == ICAL_STATUS_COMPLETED) ||
            (k == ICAL_PERCENTCOMPLETE_PROPERTY && icalproperty_get_percentcomplete(p) == 100) ||
            (x && std::string_view(x) == "X-DAYLOOM-COMPLETED"))
            gone.push_back(p);
    }
    for (icalproperty* p : gone) {
        icalcomponent_remove_property(c, p);
        icalproperty_free(p);
    }
    if (icalcomponent_isa(c) == ICAL_VTODO_COMPONENT && !icalcomponent_get_first_property(c, ICAL_STATUS_PROPERTY))
        icalcomponent_add_property(c, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
}

std::optional<Fields> KeptFields(icalcomponent* c) {
    for (icalproperty* x = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); x;
         x = icalcomponent_get_next_property(c, ICAL_X_PROPERTY))
        if (std::string_view(icalproperty_get_x_name(x) ? icalproperty_get_x_name(x) : "") == "X-DAYLOOM-FIELDS")
            return ParseFieldsText(icalproperty_get_x(x) ? icalproperty_get_x(x) : "");
    return std::nullopt;
}

// The reminder choice closest to the alarms: the earliest, rounded to the
// choice that reminds no later than it.
int AlertOf(icalcomponent* c, int64_t startUtcOrWall, int64_t length) {
    std::optional<int64_t> earliest;  // seconds before the start
    for (icalcomponent* a = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(c, ICAL_VALARM_COMPONENT)) {
        icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!p) continue;
        const icaltriggertype t = icalproperty_get_trigger(p);
        std::optional<int64_t> before;
        if (!icaltime_is_null_time(t.time)) {
            before = startUtcOrWall - static_cast<int64_t>(icaltime_as_timet_with_zone(t.time, icaltimezone_get_utc_timezone()));
        } else {
            icalparameter* rel = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
            const bool fromEnd = rel && icalparameter_get_related(rel) == ICAL_RELATED_END;
            before = (fromEnd ? -length : 0) - icaldurationtype_as_int(t.duration);
        }
        if (!earliest || *before > *earliest) earliest = before;
    }
    if (!earliest) return 0;  // "Не напоминать"
    const int64_t minutes = *earliest <= 0 ? 0 : (*earliest + 59) / 60;
    for (int choice = 1; choice <= 9; ++choice)
        if (kAlertMinutes[choice] >= minutes) return choice;
    return 9;
}

// Two rules say the same, however their parts are ordered.
bool SameRule(const std::string& text, icalrecurrencetype r) {
    if (text.empty()) return false;
    icalrecurrencetype t = icalrecurrencetype_from_string(text.c_str());
    const char* a = icalrecurrencetype_as_string(&t);
    const char* b = icalrecurrencetype_as_string(&r);
    return a && b && std::string_view(a) == b;
}

// The TZIDs a component's lines name.
void TzidsIn(const std::string& text, std::vector<std::string>& out) {
    for (size_t at = text.find(";TZID="); at != std::string::npos; at = text.find(";TZID=", at + 6)) {
        size_t from = at + 6, end;
        if (from < text.size() && text[from] == '"') end = text.find('"', ++from);
        else end = text.find_first_of(":;\r", from);
        if (end == std::string::npos) break;
        std::string id = text.substr(from, end - from);
        if (std::find(out.begin(), out.end(), id) == out.end()) out.push_back(std::move(id));
    }
}

// The record an event of another calendar gets: the nearest of dayloom's
// kinds, its texts in the code page.
TTodoItem Rendered(const TForeignEvent& f, icalcomponent* c) {
    const TOccurrence first = f.First();
    const int64_t startWall = WallSeconds(first.Start), endWall = WallSeconds(first.End);
    TEditorValues v;
    v.subject = ansi(OneLine(f.Summary()));
    if (v.subject.empty()) v.subject = ansi("(без названия)");
    std::string notes = f.Description();
    if (const std::string place = OneLine(TextOf(c, ICAL_LOCATION_PROPERTY)); !place.empty())
        notes += (notes.empty() ? "" : "\n") + std::string("Место: ") + place;
    v.start = first.Start;
    v.completed = Done(c);
    v.alert = AlertOf(c, startWall, endWall - startWall);
    const std::optional<Fields> kept = KeptFields(c);
    if (f.ToDo()) {
        v.kind = EventKind::ToDo;
        int64_t end = std::max(startWall, endWall);
        // A to-do due on a day is due by its last minute.
        if (f.AllDay() && end > startWall) end -= 60;
        v.end = FromWallSeconds(end);
    } else if (f.Repeats()) {
        v.kind = EventKind::Repeating;
        Fields nearest{0, kUnitDays, 0};
        if (icalproperty* rr = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY)) {
            bool exact = false;
            nearest = NearestFields(icalproperty_get_rrule(rr), startWall, exact);
            // dayloom's own fields stand while the rule is still the one they give.
            if (kept && SameRule(RuleText(*kept, startWall, ClockZone()), icalproperty_get_rrule(rr))) nearest = *kept;
        }
        v.unit = nearest.unit;
        v.countText = std::to_string(nearest.count);
        v.mask = nearest.mask;
    } else if (kept && kept->unit != kUnitNone && endWall == startWall &&
               RuleText(*kept, startWall, ClockZone()).empty()) {
        // A repetition the standard cannot show at all (a count of 0).
        v.kind = EventKind::Repeating;
        v.unit = kept->unit;
        v.countText = std::to_string(kept->count);
        v.mask = kept->mask;
    } else if (endWall > startWall) {
        int64_t last = endWall;
        // Whole days end at midnight after the last day; dayloom's span
        // includes its end day, so it ends at that day's last minute instead.
        if (f.AllDay()) last -= 60;
        {
            const TDateTime s = FromWallSeconds(startWall), e = FromWallSeconds(last);
            std::optional<Fields> lasting = LastingOf(s, e);
            if (kept && kept->count > 0 && AddInterval(kept->count, kept->unit, s) == e) lasting = kept;
            v.kind = EventKind::Lasting;
            // A span no count of one unit measures still ends where it ends.
            v.unit = lasting ? lasting->unit : kUnitMinutes;
            v.countText = std::to_string(lasting ? lasting->count : 1);
            v.end = e;
        }
    }
    TTodoItem item = NewItemFromEditor(v);
    if (v.kind == EventKind::Lasting && v.end != 0) item.CompletionDate = v.end;
    item.SetNotesText(ansi(notes));
    return item;
}

IcsRun Failed(int line, const std::string& message) {
    IcsRun run;
    run.Line = line;
    run.Message = line > 0 ? "Строка " + std::to_string(line) + ": " + message + ". Ничего не импортировано." : message;
    return run;
}

constexpr const char* kTooLarge = "Файл больше 64 МБ: это не календарь, который можно импортировать.";

const char* const kUnreadable = "Файл не читается.";
const char* const kChanged = "Файл изменился, пока читался. Ничего не импортировано.";

// One walk over the calendar's components, its bytes opened again from the
// start; the failure that stopped it, if any.
template <typename Take>
std::optional<std::string> Walk(CalendarBytes& bytes, TextEncoding encoding, uint64_t size, int& tops, Take&& take) {
    if (!bytes.Open()) return kUnreadable;
    TextPieces text(bytes, encoding);
    tops = ForEachPart(text, take);
    if (bytes.Failed()) return kUnreadable;
    // What the walks learned of each other holds only for the same bytes.
    if (text.BytesRead() != size) return kChanged;
    return std::nullopt;
}

IcsRun ReadDecoded(CalendarBytes& bytes, TextEncoding encoding, uint64_t size) {
    // The first walk gathers what events of the second need from elsewhere
    // in the file: zones the system lacks, and moved occurrences of series
    // (by UID). The second reads one event at a time and keeps only its record.
    std::map<std::string, std::string> zoneTexts;  // TZID → VTIMEZONE
    std::unordered_map<std::string, std::vector<std::string>> movedTexts;
    // Per UID: a series (no RECURRENCE-ID) is in the file; an event of it was read.
    constexpr char kMaster = 1, kSeen = 2;
    UidTable<> uids;
    size_t components = 0;
    int tops = 0;
    std::optional<std::string> failure = Walk(bytes, encoding, size, tops, [&](Part& p) {
        components += p.name == "VEVENT" || p.name == "VTODO";
        if (p.name == "VTIMEZONE" && p.closed) {
            const std::string id = FirstValue(p.text, "TZID");
            if (!id.empty() && !SystemKnowsZone(id)) zoneTexts.emplace(id, std::move(p.text));
        } else if ((p.name == "VEVENT" || p.name == "VTODO") && p.closed && p.fault.empty()) {
            const std::string uid = FirstValue(p.text, "UID");
            if (uid.empty()) return;
            if (!FirstValue(p.text, "RECURRENCE-ID").empty()) movedTexts[uid].push_back(std::move(p.text));
            else uids.Flags(uid) |= kMaster;
        }
    });
    if (failure) return Failed(0, *failure);
    if (tops == 0) return Failed(0, "В файле нет календаря (BEGIN:VCALENDAR): это не файл iCalendar.");

    IcsRun run;
    // The events' room is taken once, not doubled as they come.
    run.Events.reserve(components);
    run.Simplified.reserve(components);
    failure = Walk(bytes, encoding, size, tops, [&](Part& p) {
        if (p.name != "VEVENT" && p.name != "VTODO") return;
        const std::string uid = FirstValue(p.text, "UID");
        auto skip = [&](std::string why) { run.Skipped.push_back({p.line, uid, std::move(why)}); };
        if (!p.closed) return skip("компонент " + p.name + " не закрыт (нет END:" + p.name + ")");
        if (!p.fault.empty()) return skip(p.fault);
        if (FirstValue(p.text, "DTSTART").empty() && (p.name != "VTODO" || FirstValue(p.text, "DUE").empty())) {
            ++run.Undated;
            return;
        }
        const bool moved = !FirstValue(p.text, "RECURRENCE-ID").empty();
        // A moved occurrence goes with its series; those of a series the
        // file does not give stand together, as one event.
        if (!uid.empty()) {
            char& flags = uids.Flags(uid);
            if (moved && (flags & kMaster)) return;
            const bool again = flags & kSeen;
            flags |= kSeen;
            if (again) {
                run.Repeated += !moved;  // the same event given twice
                return;
            }
        }
        const auto withMoved = uid.empty() ? movedTexts.end() : movedTexts.find(uid);
        std::vector<std::string> zones;
        TzidsIn(p.text, zones);
        std::string parts = p.text;
        if (withMoved != movedTexts.end())
            for (const std::string& m : withMoved->second) {
                if (moved && m == p.text) continue;  // the one above
                if (parts.size() + m.size() > kLargestPart) return skip(kTooLargePart + " вместе с перенесёнными повторениями");
                TzidsIn(m, zones);
                parts += m;
            }
        std::string own;
        for (const std::string& z : zones)
            if (const auto t = zoneTexts.find(z); t != zoneTexts.end()) own += t->second;
        own += parts;
        std::string problem;
        TTodoItem item;
        bool plain = false;
        std::shared_ptr<const TForeignEvent> f =
            TForeignEvent::Read(std::move(own), &problem, [&](const TForeignEvent& e, icalcomponent* c) {
                // A to-do stays dayloom's own kind, as do dayloom's own events
                // (known by their identity) and an event that says nothing its
                // record cannot: no UID, rule, zone or letter outside the code
                // page. The others keep what their calendar said.
                const bool ours = uid.size() > 8 && uid.compare(uid.size() - 8, 8, "@dayloom") == 0;
                plain = e.ToDo() || ours ||
                        (uid.empty() && !e.Repeats() && e.ZoneName().empty() && utf8(ansi(e.Summary())) == e.Summary() &&
                         utf8(ansi(e.Description())) == e.Description());
                item = Rendered(e, c);
            });
        if (!f) return skip(problem);
        if (!plain) item.Raw.setForeign(std::move(f));
        run.Events.push_back(std::move(item));
        run.Simplified.push_back(0);
    });
    if (failure) return Failed(0, *failure);
    if (run.Events.empty() && !run.Skipped.empty()) {
        const IcsSkipped& s = run.Skipped.front();
        return Failed(s.Line, s.Reason);
    }
    run.ok = true;
    return run;
}

IcsRun ReadCalendar(CalendarBytes& bytes) {
    // The encoding is the whole text's, known only at its end: a walk of its
    // own before the two that read it.
    if (!bytes.Open()) return Failed(0, kUnreadable);
    TextEncodingScan scan;
    uint64_t size = 0;
    for (std::string_view block = bytes.Next(); !block.empty(); block = bytes.Next()) {
        scan.Feed(block);
        size += block.size();
    }
    if (bytes.Failed()) return Failed(0, kUnreadable);
    const DecodedText text = scan.Finish();
    if (!text.ok) return Failed(text.Line, text.Reason);
    return ReadDecoded(bytes, text.Encoding, size);
}

// --- writing ---

// Whether every BEGIN of the text has its END, nested in order. A text a
// calendar sent with one missing came in whole, but written out as it is it
// would take every component after it into itself for the next reader.
bool Balanced(std::string_view text) {
    std::vector<std::string> open;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(at, end - at);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        at = end + 1;
        const std::string up = Upper(l.substr(0, std::min<size_t>(l.size(), 80)));
        if (up.rfind("BEGIN:", 0) == 0) {
            open.push_back(up.substr(6));
        } else if (up.rfind("END:", 0) == 0) {
            if (open.empty() || open.back() != up.substr(4)) return false;
            open.pop_back();
        }
    }
    return open.empty();
}

// A component's lines; none for one libical cannot write.
std::string_view Text(icalcomponent* c) {
    const char* text = c ? icalcomponent_as_ical_string(c) : nullptr;
    return text ? std::string_view(text) : std::string_view();
}

// A zone's text as it came when it nests whole, else as libical reads it.
std::string Nested(const std::string& zone) {
    if (Balanced(zone)) return zone;
    Owned cal;
    const std::string whole = "BEGIN:VCALENDAR\r\n" + zone + "END:VCALENDAR\r\n";
    cal.c = icalparser_parse_string(whole.c_str());
    if (!cal.c) return {};
    icalcomponent_strip_errors(cal.c);
    std::string out;
    for (icalcomponent* c = icalcomponent_get_first_component(cal.c, ICAL_VTIMEZONE_COMPONENT); c;
         c = icalcomponent_get_next_component(cal.c, ICAL_VTIMEZONE_COMPONENT))
        out += Text(c);
    return out;
}

bool InRange(const TTodoItem& e, const IcsExportOptions& o) {
    const TDateTime s = e.CreationDate;
    const TDateTime lo = o.From ? *o.From : -1e9, hi = o.To ? *o.To + 1 : 1e9;
    if (const TForeignEvent* f = e.Foreign()) {
        if (!(f->First().Start < hi)) return false;
        return !o.From || f->AnyFrom(lo);
    }
    if (!(s < hi)) return false;
    const Fields f = FieldsOf(e);
    const bool recurs = e.DueDate != 0 && (f.mask > 0 || (f.count > 0 && f.unit >= kUnitDays && f.unit <= kUnitYears));
    if (recurs) return true;
    const TDateTime end = std::max(s, e.CompletionDate);
    return end >= lo || SameDay(end, lo);
}

std::string Duration(int minutes) {
    if (minutes == 0) return "PT0S";
    if (minutes % 1440 == 0) return "-P" + std::to_string(minutes / 1440) + "D";
    if (minutes % 60 == 0) return "-PT" + std::to_string(minutes / 60) + "H";
    return "-PT" + std::to_string(minutes) + "M";
}

// A span of whole days: from a midnight to the last minute of a day.
bool WholeDays(TDateTime s, TDateTime e) {
    return MsOfDay(s) == 0 && MsOfDay(e) == (kMsPerDay - 60000) && e > s;
}

// The hashes of the UIDs written so far, in one open-addressed table: a
// million inserts without a node allocated for each. An export writes one
// UID per event, so the table, twice that size, never fills past half.
class HashSet {
public:
    explicit HashSet(size_t expected) {
        size_t n = 16;
        while (n < expected * 2) n *= 2;
        slots_.assign(n, 0);
    }
    // False when `h` is there already.
    bool Insert(uint64_t h) {
        uint64_t& slot = Find(h);
        if (slot != 0) return false;
        slot = h == 0 ? 1 : h;
        return true;
    }
    bool Contains(uint64_t h) { return Find(h) != 0; }

private:
    // The slot holding `h`, or the empty one where it would go.
    uint64_t& Find(uint64_t h) {
        if (h == 0) h = 1;  // 0 marks an empty slot
        for (size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1))
            if (slots_[i] == h || slots_[i] == 0) return slots_[i];
    }

    std::vector<uint64_t> slots_;
};

class Writer {
public:
    Writer(const TodoItems& store, const IcsExportOptions& o) : store_(store), o_(o) {
        stampLine_ = "DTSTAMP:" + IcsStamp(ToUtc(o.Zone, WallSeconds(o.Now))) + "Z";
        zoned_ = NamedZone(o.Zone.Id).has_value() && o.Zone.Id != "UTC";
        if (zoned_) {
            std::string id = o.Zone.Id;
            id.erase(std::remove(id.begin(), id.end(), '"'), id.end());
            tz_ = id.find_first_of(";:,") != std::string::npos ? ";TZID=\"" + id + "\"" : ";TZID=" + id;
        }
    }

    // Whether the event goes into this file at all.
    bool Included(const TTodoItem& e) const {
        if (!InCalendar(e.CreationDate) || (e.CompletionDate != 0 && !InCalendar(e.CompletionDate))) return false;
        return InRange(e, o_);
    }

    // The UID an event goes out with before another event's claim on it is
    // known: the one a server knows it by, else its calendar's own, else its
    // identity's.
    std::string BaseUid(const TTodoItem& e) const {
        std::string uid(e.SyncUid());
        if (uid.empty()) uid = IcsUid(e) + "@dayloom";
        return uid;
    }

    // The event's component under `uid`; false when it cannot be written.
    bool Write(const TTodoItem& e, const std::string& uid, std::string& out) const {
        return e.Foreign() ? WriteForeign(e, uid, out) : WriteOwn(e, uid, out);
    }

    // The calendar's head and every zone its events name, with the zones' history.
    void Head(std::string& out) const {
        AppendLine(out, "BEGIN:VCALENDAR");
        AppendLine(out, "VERSION:2.0");
        AppendLine(out, "PRODID:-//dayloom//dayloom//RU");
        AppendLine(out, "CALSCALE:GREGORIAN");
        std::vector<std::string> names;
        if (zoned_) names.push_back(o_.Zone.Id);
        std::unordered_set<std::string> described;
        for (const TTodoItem& e : store_) {
            const TForeignEvent* f = e.Foreign();
            if (!f) continue;
            const std::string& text = f->Text();
            // A zone the system lacks came in the event's text, before its VEVENT.
            const size_t body = text.find("BEGIN:V", 1);
            if (text.rfind("BEGIN:VTIMEZONE", 0) == 0 && body != std::string::npos) {
                size_t at = 0;
                while (at < text.size() && text.compare(at, 15, "BEGIN:VTIMEZONE") == 0) {
                    const size_t end = text.find("END:VTIMEZONE", at);
                    if (end == std::string::npos) break;
                    const size_t after = text.find('\n', end) + 1;
                    const std::string zone = text.substr(at, after - at);
                    if (described.insert(zone).second) out += Nested(zone);
                    at = after;
                }
            }
            if (!f->ZoneName().empty() && std::find(names.begin(), names.end(), f->ZoneName()) == names.end() &&
                SystemKnowsZone(f->ZoneName()))
                names.push_back(f->ZoneName());
        }
        for (const std::string& n : names) {
            icaltimezone* z = icaltimezone_get_builtin_timezone(n.c_str());
            if (!z) continue;
            icalcomponent* own = icaltimezone_get_component(z);
            if (!own) continue;  // zone data that does not read: the times still carry its name
            icalcomponent* vtz = icalcomponent_new_clone(own);
            // The zone goes under the name the events give it, not libical's own.
            if (icalproperty* id = icalcomponent_get_first_property(vtz, ICAL_TZID_PROPERTY)) icalproperty_set_tzid(id, n.c_str());
            out += Text(vtz);
            icalcomponent_free(vtz);
        }
    }

    const TodoItems& Store() const { return store_; }

private:
    // An event of another calendar as it came, with what the user changed:
    // its name, its notes, its completion.
    bool WriteForeign(const TTodoItem& e, const std::string& uid, std::string& out) const {
        const TForeignEvent& f = *e.Foreign();
        const std::string& text = f.Text();
        size_t body = 0;
        while (text.compare(body, 15, "BEGIN:VTIMEZONE") == 0) {
            const size_t end = text.find("END:VTIMEZONE", body);
            if (end == std::string::npos) break;
            body = text.find('\n', end) + 1;
        }
        const std::string_view events = std::string_view(text).substr(body);
        std::string notes = e.NotesText();
        while (!notes.empty() && (notes.back() == '\n' || notes.back() == '\r')) notes.pop_back();
        const bool sameName = e.Subject == ansi(OneLine(f.Summary())) || (f.Summary().empty() && e.Subject == ansi("(без названия)"));
        const bool sameNotes = ansi(f.Description()) == ansi(notes) || f.Description().empty() == notes.empty();
        // A text that may say it is done is read: a reopened event must not
        // go out as done again.
        const bool mayBeDone = text.find("COMPLETE") != std::string::npos;
        if (sameName && sameNotes && !e.Complete && !mayBeDone && uid == f.Uid() && Balanced(events)) {
            out.append(events);
            return true;
        }
        Owned cal;
        const std::string whole = "BEGIN:VCALENDAR\r\n" + std::string(events) + "END:VCALENDAR\r\n";
        cal.c = icalparser_parse_string(whole.c_str());
        if (!cal.c) return false;
        // The parser's own notes on what it could not read quote the raw
        // bytes; they are not the calendar's and would go out as its text.
        icalcomponent_strip_errors(cal.c);
        for (icalcomponent* c = icalcomponent_get_first_component(cal.c, ICAL_ANY_COMPONENT); c;
             c = icalcomponent_get_next_component(cal.c, ICAL_ANY_COMPONENT)) {
            icalcomponent_set_uid(c, uid.c_str());
            const bool master = !icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY);
            if (!sameName) icalcomponent_set_summary(c, utf8(e.Subject).c_str());
            if (!sameNotes && master) icalcomponent_set_description(c, utf8(notes).c_str());
            if (master && e.Complete != Done(c)) {
                if (e.Complete) {
                    icalproperty* x = icalproperty_new_x("TRUE");
                    icalproperty_set_x_name(x, "X-DAYLOOM-COMPLETED");
                    icalcomponent_add_property(c, x);
                } else {
                    Reopen(c);
                }
            }
            out += Text(c);
        }
        return true;
    }

    void PutTime(std::string& out, const char* name, int64_t wall, bool date = false) const {
        if (date) return PutLine(out, name, ";VALUE=DATE:", IcsStamp(wall, true));
        if (zoned_) return PutLine(out, name, tz_, ":", IcsStamp(wall));
        PutLine(out, name, ":", IcsStamp(ToUtc(o_.Zone, wall)), "Z");
    }

    // One of the user's own events.
    bool WriteOwn(const TTodoItem& e, const std::string& uid, std::string& out) const {
        const EventKind kind = ExportedKind(e);
        const int64_t start = WallSeconds(e.CreationDate);
        const char* component = kind == EventKind::ToDo ? "VTODO" : "VEVENT";
        const std::string summary = EscapeText(utf8(e.Subject));
        PutLine(out, "BEGIN:", component);
        PutLine(out, "UID:", uid);
        PutLine(out, stampLine_);
        const Fields fields = FieldsOf(e);
        std::optional<Fields> keep;  // what only X-DAYLOOM-FIELDS can carry
        if (kind == EventKind::Lasting && WholeDays(e.CreationDate, e.CompletionDate)) {
            // Whole days are dates, ending at the midnight after the last one.
            PutTime(out, "DTSTART", start, true);
            PutTime(out, "DTEND", WallSeconds(e.CompletionDate) + 60, true);
            if (LastingOf(e.CreationDate, e.CompletionDate) != Fields{fields.count, fields.unit, 0}) keep = fields;
        } else {
            PutTime(out, "DTSTART", start);
        }
        if (kind == EventKind::Lasting && !WholeDays(e.CreationDate, e.CompletionDate)) {
            PutTime(out, "DTEND", WallSeconds(e.CompletionDate));
            if (LastingOf(e.CreationDate, e.CompletionDate) != Fields{fields.count, fields.unit, 0}) keep = fields;
        } else if (kind == EventKind::ToDo) {
            PutTime(out, "DUE", WallSeconds(e.CompletionDate));
            PutLine(out, e.Complete ? "STATUS:COMPLETED" : "STATUS:NEEDS-ACTION");
        } else if (kind == EventKind::Repeating) {
            const std::string rule = RuleText(fields, start, o_.Zone);
            if (!rule.empty()) PutLine(out, "RRULE:", rule);
            // The start day always counts; a calendar that keeps to the rule
            // strictly learns it from RDATE when its weekday is not in the mask.
            if (fields.mask > 0 && !(fields.mask & DayBit(WeekdayOf(start)))) PutTime(out, "RDATE", start);
            bool exact = false;
            const icalrecurrencetype r = icalrecurrencetype_from_string(rule.c_str());
            const Fields read = rule.empty() ? Fields{} : NearestFields(r, start, exact);
            if (rule.empty() || !exact || read != fields) keep = fields;
        }
        PutLine(out, "SUMMARY:", summary);
        std::string notes = e.NotesText();
        while (!notes.empty() && (notes.back() == '\n' || notes.back() == '\r')) notes.pop_back();
        if (!notes.empty()) PutLine(out, "DESCRIPTION:", EscapeText(utf8(notes)));
        if (kind != EventKind::ToDo && e.Complete) PutLine(out, "X-DAYLOOM-COMPLETED:TRUE");
        if (keep) PutLine(out, "X-DAYLOOM-FIELDS:", FieldsText(*keep));
        if (e.ImageIndex >= 1 && e.ImageIndex <= 9) {
            PutLine(out, "BEGIN:VALARM");
            PutLine(out, "ACTION:DISPLAY");
            PutLine(out, "DESCRIPTION:", summary);
            PutLine(out, "TRIGGER:", Duration(kAlertMinutes[e.ImageIndex]));
            PutLine(out, "END:VALARM");
        }
        PutLine(out, "END:", component);
        return true;
    }

    const TodoItems& store_;
    IcsExportOptions o_;
    std::string stampLine_, tz_;
    bool zoned_ = false;
};

uint64_t UidHash(std::string_view uid) { return std::hash<std::string_view>{}(uid); }

// The file a piece at a time on the caller's thread.
class SequentialSource {
public:
    SequentialSource(const TodoItems& store, const IcsExportOptions& o)
        : writer_(store, o), uids_(static_cast<size_t>(store.Count())) {}

    std::string_view Next(int* events) {
        chunk_.clear();
        if (stage_ == 0) {
            writer_.Head(chunk_);
            stage_ = 1;
        }
        const TodoItems& store = writer_.Store();
        while (stage_ == 1 && chunk_.size() < (size_t{1} << 20)) {
            if (next_ >= static_cast<size_t>(store.Count())) {
                AppendLine(chunk_, "END:VCALENDAR");
                stage_ = 2;
                break;
            }
            if (WriteResolved(writer_, store[static_cast<int>(next_++)], uids_, chunk_)) {
                ++written_;
                if (events) *events = written_;
            }
        }
        return chunk_;
    }

    // The event under its UID made unique among those written before it:
    // two stored events may share an identity, their UIDs must not.
    static bool WriteResolved(const Writer& w, const TTodoItem& e, HashSet& uids, std::string& out) {
        if (!w.Included(e)) return false;
        std::string uid = w.BaseUid(e);
        for (int n = 2; !uids.Insert(UidHash(uid)); ++n) uid += "-" + std::to_string(n);
        return w.Write(e, uid, out);
    }

private:
    Writer writer_;
    HashSet uids_;
    std::string chunk_;
    int stage_ = 0, written_ = 0;
    size_t next_ = 0;
};

// Where a block of events comes from: a stretch of a store, or records read
// from the event file. `events` points into `owned` or into the store; false
// at the end.
using BlockFeed = std::function<bool(std::vector<TTodoItem>& owned, std::vector<const TTodoItem*>& events)>;

// The file made by several threads, a block of events each, and handed out
// in order. A block is written with each event's own UID; the caller's
// thread then checks them in order against all before them and writes again
// the rare event whose UID is taken, as the sequential writer would. The
// bytes are the same either way. The caller's thread also feeds the blocks,
// a few ahead of what it hands out.
class ParallelSource {
public:
    ParallelSource(const TodoItems& head, const IcsExportOptions& o, int threads, size_t expected, BlockFeed feed)
        : writer_(head, o), uids_(expected), feed_(std::move(feed)) {
        for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
    }
    ~ParallelSource() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : workers_) t.join();
    }

    std::string_view Next(int* events) {
        Recycle(std::move(chunk_));
        chunk_.clear();
        if (!headDone_) {
            writer_.Head(chunk_);
            headDone_ = true;
            return chunk_;
        }
        while (chunk_.empty()) {
            Feed();
            if (taken_ == fed_) {
                if (!endDone_) AppendLine(chunk_, "END:VCALENDAR");
                endDone_ = true;
                return chunk_;
            }
            Block b = Take();
            Resolve(b);
            if (events) *events = written_;
        }
        return chunk_;
    }

private:
    struct Made {
        int index;      // in the block
        uint64_t uid;   // its UID's hash
        size_t end;     // where its text ends in the block's
        bool written;
    };
    struct Block {
        std::vector<TTodoItem> owned;
        std::vector<const TTodoItem*> items;
        std::string text;
        std::vector<Made> events;  // every event included, written or not
    };

    // A few blocks ahead of what is handed out, no more: memory stays that
    // of a few pieces, not of the file.
    void Feed() {
        while (!fedAll_ && fed_ < taken_ + kAhead) {
            Block b;
            if (!feed_(b.owned, b.items)) {
                fedAll_ = true;
                break;
            }
            std::lock_guard<std::mutex> hold(mutex_);
            todo_.emplace_back(fed_++, std::move(b));
            wake_.notify_one();
        }
    }

    // The block's events in order under UIDs unique among all before them,
    // as the sequential writer makes them: an event whose UID is taken is
    // written again under the next free one.
    void Resolve(Block& b) {
        std::vector<std::pair<size_t, std::string>> again;  // position, its own text
        for (size_t j = 0; j < b.events.size(); ++j) {
            const Made& m = b.events[j];
            if (uids_.Insert(m.uid)) {
                written_ += m.written;
                continue;
            }
            const TTodoItem& e = *b.items[static_cast<size_t>(m.index)];
            std::string text;
            written_ += SequentialSource::WriteResolved(writer_, e, uids_, text);
            again.emplace_back(j, std::move(text));
        }
        if (again.empty()) {
            chunk_.swap(b.text);
        } else {
            chunk_ = Spare();
            size_t from = 0, k = 0;
            for (size_t j = 0; j < b.events.size(); ++j) {
                if (k < again.size() && again[k].first == j) {
                    chunk_ += again[k++].second;
                } else {
                    chunk_.append(b.text, from, b.events[j].end - from);
                }
                from = b.events[j].end;
            }
        }
        Recycle(std::move(b.text));
    }

    // Pieces handed out are made again in the same room: a million events
    // would otherwise take fresh memory a megabyte at a time.
    void Recycle(std::string&& text) {
        if (text.capacity() < (size_t{1} << 16)) return;
        std::lock_guard<std::mutex> hold(mutex_);
        if (spare_.size() < kAhead) spare_.push_back(std::move(text));
    }
    std::string Spare() {
        std::string text;
        std::lock_guard<std::mutex> hold(mutex_);
        if (!spare_.empty()) {
            text = std::move(spare_.back());
            spare_.pop_back();
        }
        text.clear();
        return text;
    }

    Block Take() {
        std::unique_lock<std::mutex> hold(mutex_);
        done_.wait(hold, [&] { return failure_ || ready_.count(taken_); });
        if (failure_) std::rethrow_exception(failure_);
        auto it = ready_.find(taken_);
        Block b = std::move(it->second);
        ready_.erase(it);
        ++taken_;
        return b;
    }

    void Work() {
        try {
            for (;;) {
                std::pair<size_t, Block> job;
                {
                    std::unique_lock<std::mutex> hold(mutex_);
                    wake_.wait(hold, [&] { return stop_ || !todo_.empty(); });
                    if (stop_) return;
                    job = std::move(todo_.front());
                    todo_.pop_front();
                }
                Make(job.second);
                std::lock_guard<std::mutex> hold(mutex_);
                ready_.emplace(job.first, std::move(job.second));
                done_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> hold(mutex_);
            if (!failure_) failure_ = std::current_exception();
            done_.notify_all();
        }
    }

    void Make(Block& b) {
        b.text = Spare();
        for (size_t i = 0; i < b.items.size(); ++i) {
            const TTodoItem& e = *b.items[i];
            if (!writer_.Included(e)) continue;
            const std::string uid = writer_.BaseUid(e);
            const bool written = writer_.Write(e, uid, b.text);
            b.events.push_back({static_cast<int>(i), UidHash(uid), b.text.size(), written});
        }
    }

    static constexpr size_t kAhead = 8;
    const Writer writer_;
    HashSet uids_;
    BlockFeed feed_;
    std::string chunk_;
    bool headDone_ = false, endDone_ = false, fedAll_ = false;
    int written_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<std::pair<size_t, Block>> todo_;
    std::map<size_t, Block> ready_;
    std::vector<std::string> spare_;  // pieces handed out before, for their room
    size_t fed_ = 0, taken_ = 0;
    bool stop_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

int ExportThreads(const IcsExportOptions& o) {
    return o.Threads > 0 ? o.Threads : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}
size_t ExportBlock(const IcsExportOptions& o) { return o.BlockEvents > 0 ? o.BlockEvents : 4096; }

}  // namespace

std::string IcsUid(const TTodoItem& event) {
    if (const TForeignEvent* f = event.Foreign(); f && !f->Uid().empty()) return f->Uid();
    // Made for every event of an export: digits by hand, not printf.
    char hash[16];
    uint64_t h = Fnv1a(event.Subject);
    for (int i = 15; i >= 0; --i, h >>= 4) hash[i] = "0123456789abcdef"[h & 15];
    std::string uid;
    uid.reserve(8 + 15 + 1 + 16 + 9);
    uid.append("dayloom-").append(IcsStamp(WallSeconds(event.CreationDate))).append("-").append(hash, 16);
    return uid;
}

ChunkSource ICalendarChunks(const TodoItems& store, const IcsExportOptions& options, int* events) {
    if (events) *events = 0;
    // A large store is written by a thread per core; the caller's thread
    // checks the UIDs and writes the file meanwhile.
    const size_t block = ExportBlock(options), count = static_cast<size_t>(store.Count());
    const int threads = ExportThreads(options);
    if (threads > 1 && count >= 2 * block) {
        auto next = std::make_shared<size_t>(0);
        BlockFeed feed = [&store, next, block, count](std::vector<TTodoItem>&, std::vector<const TTodoItem*>& events) {
            if (*next >= count) return false;
            const size_t end = std::min(*next + block, count);
            for (; *next < end; ++*next) events.push_back(&store[static_cast<int>(*next)]);
            return true;
        };
        auto source = std::make_shared<ParallelSource>(store, options, threads, count, std::move(feed));
        return [source, events]() { return source->Next(events); };
    }
    auto source = std::make_shared<SequentialSource>(store, options);
    return [source, events]() { return source->Next(events); };
}

ChunkSource ICalendarChunks(EventFileStream& file, const TodoItems& foreign, const IcsExportOptions& options,
                            int* events) {
    if (events) *events = 0;
    const size_t block = ExportBlock(options), count = static_cast<size_t>(file.Count());
    const int threads = ExportThreads(options);
    auto read = [&file](TTodoItem& item) {
        if (!file.Next(item)) throw std::runtime_error(file.problem());
    };
    if (threads > 1 && count >= 2 * block) {
        auto next = std::make_shared<size_t>(0);
        BlockFeed feed = [read, next, block, count](std::vector<TTodoItem>& owned, std::vector<const TTodoItem*>& events) {
            if (*next >= count) return false;
            const size_t n = std::min(block, count - *next);
            owned.resize(n);
            for (TTodoItem& item : owned) read(item);
            *next += n;
            for (const TTodoItem& item : owned) events.push_back(&item);
            return true;
        };
        auto source = std::make_shared<ParallelSource>(foreign, options, threads, count, std::move(feed));
        return [source, events]() { return source->Next(events); };
    }
    // A small file is read whole first: one thread writes it from memory.
    auto store = std::make_shared<TodoItems>();
    store->Reserve(count);
    for (size_t i = 0; i < count; ++i) read(store->Add());
    auto source = std::make_shared<SequentialSource>(*store, options);
    return [store, source, events]() { return source->Next(events); };
}

IcsWritten WriteICalendar(const TodoItems& store, const IcsExportOptions& options) {
    IcsWritten w;
    const ChunkSource next = ICalendarChunks(store, options, &w.Events);
    for (std::string_view piece = next(); !piece.empty(); piece = next()) w.Text.append(piece);
    return w;
}

IcsRun ReadICalendar(std::string_view bytes, const IcsZone&, size_t blockBytes) {
    if (bytes.size() > kMaxIcsBytes) return Failed(0, kTooLarge);
    MemoryBytes blocks(bytes, blockBytes);
    return ReadCalendar(blocks);
}

IcsRun ReadICalendarFile(const std::filesystem::path& file, const IcsZone&, size_t blockBytes,
                         const std::atomic<bool>* stop) {
    std::error_code ec;
    // A folder opens as a file on some systems, and reads as nothing.
    if (!std::filesystem::is_regular_file(file, ec))
        return Failed(0, std::filesystem::exists(file, ec) ? kUnreadable : "Файл не найден.");
    FileBytes blocks(file, blockBytes, stop);
    return ReadCalendar(blocks);
}

std::string SkippedText(const IcsSkipped& s) {
    std::string text = "строка " + std::to_string(s.Line);
    if (!s.Uid.empty()) text += ", UID " + ShownText(s.Uid, 60);
    return text + ": " + s.Reason;
}
