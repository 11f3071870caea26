#include "import/zet_import.h"

#include <algorithm>
#include <unordered_set>

#include "events/ansi.h"
#include "events/event_store.h"
#include "import/zet_messages.h"
#include "import/zet_text.h"

namespace {

const std::string& MoonHeader() { static const std::string s = ansi("Журнал Лунных дней"); return s; }
const std::string& SunHeader() { static const std::string s = ansi("восходов Солнца"); return s; }
const std::string& TimeZoneMark() { static const std::string s = ansi("Временная зона:"); return s; }
const std::string& MoonDaySubject() { static const std::string s = ansi("~Лунный день - "); return s; }
const std::string& MoonPhaseSubject() { static const std::string s = ansi("~Лунная фаза -"); return s; }
const std::string& SunriseSubject() { static const std::string s = ansi("* Восход Солнца"); return s; }
const std::string& SunsetSubject() { static const std::string s = ansi("* Заход Солнца"); return s; }
const std::string& VoidSubject() { static const std::string s = ansi(">Луна без курса"); return s; }
const std::string& VoidNotes() { static const std::string s = ansi("Луна без курса"); return s; }
constexpr char kDegree = '\xB0';  // "°" in Windows-1251

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

ZetRun Status(ZetStatus status, std::string message = {}) {
    ZetRun r;
    r.Status = status;
    r.Message = std::move(message);
    return r;
}

ZetRun Fault(size_t index, std::string_view line, std::string_view reason) {
    ZetRun r = Status(ZetStatus::BadLine);
    r.Line = static_cast<int>(index + 1);
    r.Message = ZetMessage::LineFault(r.Line, line, reason);
    return r;
}

void Report(const ZetProgress& progress, size_t index, size_t total) {
    if (progress) progress(static_cast<int>(index + 1), static_cast<int>(total));
}

bool Whole(std::string_view text, int& value, std::string& error) {
    if (TryParseDecimal(text, value)) return true;
    error = ZetMessage::NotWhole(text);
    return false;
}

// The header's year: its last word but one; `empty` when there is none.
bool HeaderYear(std::string_view header, int empty, int& year, std::string& error) {
    const std::string field = GetFieldFromEnd(" ", TrimZet(header), 1);
    if (field.empty()) {
        year = empty;
        return true;
    }
    if (!Whole(field, year, error)) return false;
    if (year < kFirstYear || year > kLastYear) {
        error = ZetMessage::NoSuchYear(year);
        return false;
    }
    return true;
}

// A date word of the sunrise journal or of pasted text. A dotted date is
// day.month(.year) and a slashed one month/day(/year), each line read in its
// own form. `withYear`: three parts, the year last.
struct DateWord {
    int day = 0, month = 0, year = 0;
};

bool ReadDateWord(std::string_view word, bool withYear, DateWord& d, std::string& error) {
    const bool slash = !Contains(word, ".") && Contains(word, "/");
    int first = 0, middle = 0;
    if (withYear) {
        if (!Whole(FieldAfterDelimiter(".", word, 0), d.year, error) ||
            !Whole(FieldAfterDelimiter(".", word, 1), middle, error) ||
            !Whole(GetFieldFromEnd(".", word, 2), first, error))
            return false;
    } else {
        if (!Whole(FieldAfterDelimiter(".", word, 0), middle, error) ||
            !Whole(GetFieldFromEnd(".", word, 1), first, error))
            return false;
    }
    d.day = slash ? middle : first;
    d.month = slash ? first : middle;
    return true;
}

// "HH:MM" or, `withSeconds`, "HH:MM:SS".
struct TimeWord {
    int hour = 0, minute = 0, second = 0;
};

bool ReadTimeWord(std::string_view word, bool withSeconds, TimeWord& t, std::string& error) {
    const int h = withSeconds ? 2 : 1;
    if (withSeconds && !Whole(FieldAfterDelimiter(":", word, 0), t.second, error)) return false;
    return Whole(FieldAfterDelimiter(":", word, h - 1), t.minute, error) &&
           Whole(GetFieldFromEnd(":", word, h), t.hour, error);
}

bool Compose(const DateWord& d, const TimeWord& t, TDateTime& moment, std::string& error) {
    if (d.year < kFirstYear || d.year > kLastYear) {
        error = ZetMessage::NoSuchYear(d.year);
        return false;
    }
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > DaysInMonth(d.year, d.month)) {
        error = ZetMessage::NoSuchDate(d.day, d.month, d.year);
        return false;
    }
    if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 || t.second < 0 || t.second > 59) {
        error = ZetMessage::NoSuchTime(t.hour, t.minute, t.second, 0);
        return false;
    }
    moment = EncodeDateTime(d.year, d.month, d.day, t.hour, t.minute, t.second);
    return true;
}

int MonthOf(TDateTime moment) { return DecodeDateTime(moment).month; }

// The first line that is not blank; npos when there is none.
size_t FirstFilledLine(const std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (!TrimZet(lines[i]).empty()) return i;
    return std::string::npos;
}

}  // namespace

ZetRun LoadZetJournalMoonDays(const std::vector<std::string>& lines, const ZetImportOptions& options,
                              const ZetProgress& progress) {
    if (lines.empty() || !Contains(lines[0], MoonHeader())) return Status(ZetStatus::NotThisKind);
    if (!options.Months.Any()) return Status(ZetStatus::NoMonths, ZetMessage::NoMonthsToImport());

    ZetRun run;
    run.Kind = TImportKind::MoonDays;
    std::string error;
    int year = 0;
    if (!HeaderYear(lines[0], 2000, year, error)) return Fault(0, lines[0], error);
    const std::string& line3 = lines.size() >= 3 ? lines[2] : std::string{};

    size_t first = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (TrimZet(lines[i]).empty()) { first = i + 1; break; }

    TDateTime previous = options.Now;
    for (size_t i = first; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (TrimZet(line).empty()) continue;
        const ZetParsed<TDateTime> moment = ParseJournalDateTime(line, year, previous, options.SummerTime);
        if (!moment.ok()) return Fault(i, line, moment.Error);
        if (moment.Value != 0) {
            previous = moment.Value;
            if (options.Months.Has(MonthOf(moment.Value))) {
                const ZetParsed<int> n = GetMoonDayNumber(line);
                if (!n.ok()) return Fault(i, line, n.Error);
                ZetNewEvent& e = run.Events.emplace_back();
                e.Start = moment.Value;
                e.AlertIndex = options.AlertIndex;
                e.Source = TImportKind::MoonDays;
                const std::string after = GetTextAfterTime(line);
                if (n.Value == -1) {
                    e.Subject = MoonPhaseSubject() + after;
                    e.Notes = line3;
                } else {
                    e.Subject = MoonDaySubject() + std::to_string(n.Value);
                    e.Notes = options.MoonDayNotes ? after + " -" + line3 + GetMoonDayNote(n.Value) : after;
                }
            }
        }
        Report(progress, i, lines.size());
    }
    return run;
}

ZetRun LoadSunData(const std::vector<std::string>& lines, const ZetImportOptions& options,
                   const ZetProgress& progress) {
    if (lines.empty() || !Contains(TrimZet(lines[0]), SunHeader())) return Status(ZetStatus::NotThisKind);
    if (!options.Months.Any()) return Status(ZetStatus::NoMonths, ZetMessage::NoMonthsToLoad());

    ZetRun run;
    run.Kind = TImportKind::SunRiseSet;
    std::string error;
    int year = 0;
    if (!HeaderYear(lines[0], 2012, year, error)) return Fault(0, lines[0], error);
    std::string notes;
    if (lines.size() >= 2) notes += lines[1];
    if (lines.size() >= 3) notes += lines[2];

    size_t first = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (Contains(lines[i], "GMT") || Contains(lines[i], TimeZoneMark())) { first = i + 2; break; }

    for (size_t i = first; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        if (Contains(line, ":")) {
            const std::vector<std::string> words = SplitZetWords(line);
            DateWord date;
            TimeWord rise, set;
            TDateTime sunrise = 0, sunset = 0;
            if (!words.empty() && !ReadDateWord(words[0], false, date, error)) return Fault(i, line, error);
            date.year = year;
            if (words.size() >= 3 && (!ReadTimeWord(words[2], false, rise, error) ||
                                      !Compose(date, rise, sunrise, error)))
                return Fault(i, line, error);
            if (words.size() >= 4 && (!ReadTimeWord(words[3], false, set, error) ||
                                      !Compose(date, set, sunset, error)))
                return Fault(i, line, error);
            if (words.size() >= 4 && options.Months.Has(date.month)) {
                for (const auto& [subject, start] : {std::pair{&SunriseSubject(), sunrise},
                                                     std::pair{&SunsetSubject(), sunset}}) {
                    ZetNewEvent& e = run.Events.emplace_back();
                    e.Subject = *subject;
                    e.Notes = notes;
                    e.Start = start;
                    e.AlertIndex = options.AlertIndex;
                    e.Source = TImportKind::SunRiseSet;
                }
            }
        }
        Report(progress, i, lines.size());
    }
    return run;
}

ZetRun LoadActualAspectMoon(const std::vector<std::string>& lines, const ZetImportOptions& options,
                            const ZetProgress& progress) {
    ZetRun run;
    run.Kind = TImportKind::MoonAspects;
    std::string error;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (TrimZet(line).empty()) continue;
        const size_t c = line.rfind(':');
        if (c == std::string_view::npos) return Fault(i, line, ZetMessage::NoTime());
        const size_t q = line.rfind('"');
        if (q == std::string_view::npos) return Fault(i, line, ZetMessage::NoAspectText());
        const std::string_view cut = line.substr(0, std::min(c + 3, line.size()));
        size_t sep = cut.rfind('.');
        if (sep == std::string_view::npos) sep = cut.rfind('/');
        if (sep == std::string_view::npos) return Fault(i, line, ZetMessage::NoDate());
        // The year is the four characters after the date's last separator;
        // digits running on belong to it, so that 99999 is refused, not read as 9999.
        size_t dateEnd = std::min(sep + 5, cut.size());
        while (dateEnd < cut.size() && cut[dateEnd] >= '0' && cut[dateEnd] <= '9') ++dateEnd;
        const std::string_view dateText = cut.substr(0, dateEnd);
        const size_t space = cut.rfind(' ');
        const std::string_view timeText = space == std::string_view::npos ? cut : cut.substr(space + 1);

        DateWord date;
        TimeWord time;
        TDateTime moment = 0;
        if (!ReadDateWord(dateText, true, date, error) || !ReadTimeWord(timeText, true, time, error) ||
            !Compose(date, time, moment, error))
            return Fault(i, line, error);
        ZetNewEvent& e = run.Events.emplace_back();
        e.Subject = "\"" + std::string(TrimZet(q + 4 < line.size() ? line.substr(q + 4) : std::string_view{}));
        e.Notes = c + 3 < line.size() ? std::string(line.substr(c + 3)) : std::string{};
        e.Start = moment;
        e.AlertIndex = options.AlertIndex;
        e.Source = TImportKind::MoonAspects;
        Report(progress, i, lines.size());
    }
    return run;
}

ZetRun MoonWithOutKurs(const std::vector<std::string>& lines, const ZetImportOptions& options,
                       const ZetProgress& progress) {
    ZetRun run;
    run.Kind = TImportKind::VoidOfCourse;
    std::string error;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (TrimZet(line).empty()) continue;
        if (Contains(line, ":")) {
            std::vector<std::string> words = SplitZetWords(line);
            // A lone hyphen separates start and end; one that ends the line
            // stays, so that the line fails as the half period it is.
            if (!words.empty()) {
                const auto last = words.end() - 1;
                words.erase(std::remove(words.begin(), last, "-"), last);
            }
            DateWord startDate, endDate;
            TimeWord startTime, endTime;
            TDateTime start = 0, end = 0;
            if (!words.empty() && !ReadDateWord(words[0], true, startDate, error))
                return Fault(i, line, error);
            if (words.size() >= 2 && (!ReadTimeWord(words[1], false, startTime, error) ||
                                      !Compose(startDate, startTime, start, error)))
                return Fault(i, line, error);
            if (words.size() >= 3 && !ReadDateWord(words[2], true, endDate, error))
                return Fault(i, line, error);
            if (words.size() >= 4 && (!ReadTimeWord(words[3], false, endTime, error) ||
                                      !Compose(endDate, endTime, end, error)))
                return Fault(i, line, error);
            if (words.size() >= 4) {
                if (end < start) return Fault(i, line, ZetMessage::EndBeforeStart());
                ZetNewEvent& e = run.Events.emplace_back();
                e.Subject = VoidSubject();
                e.Notes = VoidNotes();
                e.Start = start;
                e.End = end;
                e.Kind = EventKind::ToDo;
                e.AlertIndex = options.AlertIndex;
                e.Source = TImportKind::VoidOfCourse;
            }
        }
        Report(progress, i, lines.size());
    }
    return run;
}

ZetRun ImportZetJournal(const std::vector<std::string>& lines, const ZetImportOptions& options,
                        const ZetProgress& progress) {
    ZetRun moon = LoadZetJournalMoonDays(lines, options, progress);
    if (moon.Status != ZetStatus::Ok && moon.Status != ZetStatus::NotThisKind) return moon;
    ZetRun sun = LoadSunData(lines, options, progress);
    if (sun.Status != ZetStatus::Ok && sun.Status != ZetStatus::NotThisKind) return sun;
    if (moon.Status == ZetStatus::NotThisKind && sun.Status == ZetStatus::NotThisKind)
        return Status(ZetStatus::NotAJournal, ZetMessage::NotAJournal());
    if (moon.Status == ZetStatus::NotThisKind) return sun;
    if (sun.Status == ZetStatus::Ok)  // a first line that names both kinds
        moon.Events.insert(moon.Events.end(), std::make_move_iterator(sun.Events.begin()),
                           std::make_move_iterator(sun.Events.end()));
    return moon;
}

ZetRun ImportPastedZetText(const std::vector<std::string>& lines, ZetPastedKind kind,
                           const ZetImportOptions& options, const ZetProgress& progress) {
    const size_t first = FirstFilledLine(lines);
    if (first == std::string::npos) return Status(ZetStatus::EmptyText, ZetMessage::PasteData());
    const std::string_view head = lines[first];
    if (kind == ZetPastedKind::MoonAspects) {
        if (Contains(head, "\"") && (Contains(head, std::string_view(&kDegree, 1)) || Contains(head, "^")) &&
            Contains(head, ":"))
            return LoadActualAspectMoon(lines, options, progress);
    } else if (Contains(head, "-") && Contains(head, ":")) {
        return MoonWithOutKurs(lines, options, progress);
    }
    return Status(ZetStatus::WrongKind, ZetMessage::WrongPastedKind());
}

