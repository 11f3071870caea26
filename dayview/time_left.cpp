#include "dayview/time_left.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "dayview/today_caption.h"
#include "events/ansi.h"

namespace {

constexpr int64_t kMsHour = 3600000;
constexpr int64_t kMsDay = 86400000;
constexpr int64_t kMsWeek = 7 * kMsDay;
constexpr int64_t kMsMonth = 2629800000;   // 30.4375 days
constexpr int64_t kMsYear = 31557600000;   // 365.25 days

void AppendNumber(std::string& out, int64_t n, int width) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    if (n < 0) out += '-';
    for (int i = static_cast<int>(digits.size()); i < width; ++i) out += '0';
    out += digits;
}

const std::string& WeekdayName(int wd, bool full) {
    static const std::string kShort[7] = {ansi("Вс"), ansi("Пн"), ansi("Вт"), ansi("Ср"),
                                          ansi("Чт"), ansi("Пт"), ansi("Сб")};
    static const std::string kFull[7] = {ansi("воскресенье"), ansi("понедельник"),
                                         ansi("вторник"),     ansi("среда"),
                                         ansi("четверг"),     ansi("пятница"),
                                         ansi("суббота")};
    return full ? kFull[wd - 1] : kShort[wd - 1];
}

const std::string& MonthName(int month, bool full) {
    static const std::string kShort[12] = {ansi("янв"), ansi("фев"), ansi("мар"), ansi("апр"),
                                           ansi("май"), ansi("июн"), ansi("июл"), ansi("авг"),
                                           ansi("сен"), ansi("окт"), ansi("ноя"), ansi("дек")};
    static const auto kFull = [] {
        std::array<std::string, 12> names;
        for (int m = 1; m <= 12; ++m) names[static_cast<size_t>(m - 1)] = ansi(MonthNameNominative(m));
        return names;
    }();
    return full ? kFull[static_cast<size_t>(month - 1)] : kShort[month - 1];
}

// Does the pattern, outside quoted text, ask for AM/PM?
bool HasAmPm(std::string_view p) {
    bool quoted = false;
    for (const char c : p) {
        if (c == '\'') quoted = !quoted;
        else if (!quoted && (c == 'A' || c == 'a')) return true;
    }
    return false;
}

}  // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    if (!InCalendar(value)) value = 0;
    const DateTimeParts p = DecodeDateTime(value);
    const bool twelveHour = HasAmPm(pattern);
    std::string out;
    out.reserve(pattern.size() + 8);
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '\'') {  // '' is one quote
                out += '\'';
                i = j + 1;
                continue;
            }
            while (j < pattern.size() && pattern[j] != '\'') out += pattern[j++];
            i = j + 1;
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        const int w = run >= 2 ? 2 : 1;
        switch (c) {
            case 'd':
                if (run <= 2) AppendNumber(out, p.day, w);
                else out += WeekdayName(DayOfWeek(value), run >= 4);
                break;
            case 'M':
                if (run <= 2) AppendNumber(out, p.month, w);
                else out += MonthName(p.month, run >= 4);
                break;
            case 'y':
                if (run == 2) AppendNumber(out, p.year % 100, 2);
                else AppendNumber(out, p.year, 4);
                break;
            case 'H': AppendNumber(out, p.hour, w); break;
            case 'h': {
                int h = p.hour;
                if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
                AppendNumber(out, h, w);
                break;
            }
            case 'm': AppendNumber(out, p.minute, w); break;
            case 's': AppendNumber(out, p.second, w); break;
            case 'z': AppendNumber(out, p.millisecond, 3); break;
            case 'A':
            case 'a': {
                const bool upper = c == 'A';
                out += p.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
                // "AP" / "ap": the P belongs to the marker.
                i += run;
                if (i < pattern.size() && (pattern[i] == 'P' || pattern[i] == 'p')) ++i;
                continue;
            }
            default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

std::string DateToStr(TDateTime value, const DayListFormats& fmt) {
    return FormatDateTime(fmt.ShortDateFormat, value);
}

std::string DateTimeToStr(TDateTime value, const DayListFormats& fmt) {
    std::string out = FormatDateTime(fmt.ShortDateFormat, value);
    if (MsOfDay(value) != 0) {
        out += ' ';
        out += FormatDateTime(fmt.LongTimeFormat, value);
    }
    return out;
}

std::string TimeLeftText(TDateTime target, TDateTime now, bool splitRemainingTime) {
    static const std::string kYears = ansi(" г."), kMonths = ansi(" мес."), kWeeks = ansi(" нед."),
                             kDays = ansi(" дн."), kHoursAfterDays = ansi("ч."),
                             kHours = ansi(" ч. "), kMinutes = ansi(" мин.");
    double span = std::fabs(target - now);
    if (std::isnan(span)) return {};
    if (span > 1e7) span = 1e7;
    // Whole milliseconds: two stored moments differ by a value that is not
    // exact, and truncating 1.9999999 hours would lose an hour.
    const int64_t ms = std::llround(span * kMsPerDay);
    const int64_t hours = ms / kMsHour, days = ms / kMsDay, weeks = ms / kMsWeek,
                  months = ms / kMsMonth, years = ms / kMsYear;
    std::string text;
    if (splitRemainingTime) {
        if (years > 0) text += std::to_string(years) + kYears;
        if (months >= 1 && months <= 11) text += std::to_string(months) + kMonths;
        if (weeks > 0 && months == 0) text += std::to_string(weeks) + kWeeks;
        if (days != 0 && weeks <= 4) {
            const int64_t rest = std::llabs(7 * weeks - days);
            if (rest != 0) text += std::to_string(rest) + kDays;
        }
    } else if (days != 0) {
        const int64_t q = hours / 24, rest = hours - 24 * q;
        if (q != 0) text = std::to_string(q) + kDays;
        if (rest > 0) text += " " + std::to_string(rest) + kHoursAfterDays;
    }
    if (hours > 0 && hours < 24) text += std::to_string(hours) + kHours;
    if (hours < 24 && !(now > target)) {
        const int64_t msT = MsOfDay(target), msN = MsOfDay(now);
        int64_t m = (msT / 60000) % 60 - (msN / 60000) % 60;
        if (m < 0) m += 60;
        // Equal minute fields mean a whole number of hours, or just short of
        // one when now's seconds are past the target's (14:50:30 to 15:50 is
        // 59 minutes, 14:50 to 15:50 is none).
        if (now < target && m == 0 && msN % 60000 > msT % 60000) m = 59;
        text += std::to_string(m) + kMinutes;
    }
    return text;
}

std::string HintEvent(const TTodoItem& source, const TDayRow& row, const DayListFormats& fmt) {
    static const std::string kLeft = ansi("_____\r\nОсталось: "), kStart = ansi("Начало: "),
                             kEnd = ansi("Завершение: ");
    // A time left always has a dot, a start time a colon, the states neither.
    std::string state = row.StartText;
    if (state.find('.') != std::string::npos) state = kLeft + state;
    else if (state.find(':') != std::string::npos) state.clear();
    else state = "_____\r\n" + state;

    std::string hint = kStart + DateTimeToStr(source.CreationDate, fmt) + "\r\n";
    if (source.CompletionDate != 0) hint += kEnd + DateTimeToStr(source.CompletionDate, fmt) + "\r\n";
    hint += "_____\r\n";
    hint += source.NotesText();
    hint += state;
    return hint;
}

std::optional<std::string> HintEvent(const TodoItems& store, int sourceIndex,
                                     const TDayRows& dayList, int listIndex,
                                     const DayListFormats& fmt) {
    if (sourceIndex < 0 || sourceIndex >= store.Count() || listIndex < 0 ||
        listIndex >= static_cast<int>(dayList.size()))
        return std::nullopt;
    return HintEvent(store[sourceIndex], dayList[static_cast<size_t>(listIndex)], fmt);
}
