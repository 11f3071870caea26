#include "import/good_days.h"

#include <array>
#include <initializer_list>
#include <unordered_set>

#include "events/ansi.h"

namespace {

constexpr uint32_t Days(std::initializer_list<int> days) {
    uint32_t bits = 0;
    for (int d : days) bits |= 1u << d;
    return bits;
}

enum Weekday : uint8_t { Sun = 1 << 1, Mon = 1 << 2, Tue = 1 << 3, Wed = 1 << 4, Thu = 1 << 5, Fri = 1 << 6, Sat = 1 << 7 };

// Days of the month of one soul number, and their kind: `onDays` on the
// weekdays of `weekdays`, `otherwise` on the rest.
struct KindRow {
    int soul;
    uint32_t days;
    uint8_t weekdays;
    TDayKind onDays, otherwise;
};

using K = TDayKind;
constexpr KindRow kKinds[] = {
    {1, Days({4, 10, 13, 21, 22}), 0, K::Good, K::Good},
    {1, Days({1}), 0, K::Special, K::Special},
    {1, Days({19, 28}), Sun | Mon, K::Excellent, K::Special},
    {2, Days({2, 11, 20, 29}), Mon, K::Special, K::Good},
    {2, Days({1, 4, 7, 13, 16, 19, 22, 25}), Sun | Mon, K::Excellent, K::Special},
    {3, Days({3, 12, 21, 30}), 0, K::Good, K::Good},
    {3, Days({6, 9, 15, 18, 24, 27}), Mon | Wed | Thu, K::Excellent, K::Special},
    {4, Days({4, 13, 22, 31}), 0, K::Good, K::Good},
    {4, Days({1, 3, 5, 12, 14, 19, 21}), Sun | Mon | Sat, K::Excellent, K::None},
    {5, Days({5, 14, 23}), Wed | Fri, K::Excellent, K::Good},
    {6, Days({6, 15, 24}), Wed | Fri, K::Special, K::Good},
    {6, Days({3, 9, 12, 18, 21, 30}), Wed | Fri, K::Excellent, K::Special},
    {7, Days({2, 7, 11, 13, 16, 20, 22, 25, 29, 31}), Sun | Mon | Wed, K::Excellent, K::Good},
    {7, Days({1, 10, 19, 28}), Sun | Mon | Wed, K::Special, K::Good},
    {8, Days({8, 17, 26}), Sat, K::Excellent, K::Good},
    {8, Days({10, 12, 15, 19, 21, 24, 28, 30}), Sat, K::Special, K::Good},
    {9, Days({9, 18, 27}), Tue | Fri, K::Special, K::Good},
    {9, Days({3, 6, 15, 21, 24, 30}), Tue | Fri, K::Excellent, K::Good},
};

// The periods in which a day with a kind is very favourable, both ends
// included; dates as month * 100 + day.
struct Period {
    int soul, from, to;
};

constexpr Period kPeriods[] = {
    {1, 321, 428},
    {2, 620, 722},
    {3, 219, 320}, {3, 1121, 1220},
    {4, 321, 421}, {4, 723, 820},
    {5, 521, 620}, {5, 821, 920},
    {6, 420, 520}, {6, 921, 1019},
    {7, 621, 720},
    {8, 120, 226}, {8, 920, 1023}, {8, 1221, 1231},
    {9, 321, 420},
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int GetSoulNumber(std::string_view text) {
    uint64_t sum = 0;
    for (char c : text)
        if (IsDigit(c)) sum += static_cast<uint64_t>(c - '0');
    while (sum > 9) {
        uint64_t next = 0;
        for (; sum > 0; sum /= 10) next += sum % 10;
        sum = next;
    }
    return static_cast<int>(sum);
}

const std::string& DayKindText(TDayKind kind) {
    static const std::array<std::string, 5> kTexts = {"", ansi("Хороший день."), ansi("Особенный день."),
                                                      ansi("Отличный день."), ansi("Очень благоприятный день.")};
    const int i = static_cast<int>(kind) + 1;
    return kTexts[i >= 0 && i < 5 ? static_cast<size_t>(i) : 0];
}

TDayKind GetDayKind(int day, int month, int weekday, int soul) {
    if (day < 1 || day > 31 || month < 1 || month > 12) return TDayKind::None;
    const uint8_t weekdayBit = weekday >= 1 && weekday <= 7 ? static_cast<uint8_t>(1u << weekday) : 0;
    TDayKind kind = TDayKind::None;
    for (const KindRow& row : kKinds)
        if (row.soul == soul && (row.days >> day & 1u) != 0) {
            kind = (row.weekdays & weekdayBit) != 0 ? row.onDays : row.otherwise;
            break;
        }
    if (kind == TDayKind::None) return kind;
    const int date = month * 100 + day;
    for (const Period& p : kPeriods)
        if (p.soul == soul && date >= p.from && date <= p.to) return TDayKind::VeryFavourable;
    return kind;
}

std::string GoodDaysMarker(int birthDay) { return ImportMarker(TImportKind::FavourableDays) + std::to_string(birthDay); }

std::vector<ZetNewEvent> Find_GoodDays(int year, int month, int soul, int birthDay, bool aboutDay) {
    std::vector<ZetNewEvent> events;
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return events;
    const std::string marker = GoodDaysMarker(birthDay);
    for (int d = 1, last = DaysInMonth(year, month); d <= last; ++d) {
        const TDateTime start = EncodeDateTime(year, month, d, 7, 0, 0);
        const TDayKind kind = GetDayKind(d, month, DayOfWeek(start), soul);
        if (kind == TDayKind::None) continue;
        ZetNewEvent& e = events.emplace_back();
        e.Subject = aboutDay ? marker + " : " + DayKindText(kind) : marker;
        e.Start = start;
        e.AlertIndex = 0;  // "Не напоминать"
        e.Kind = EventKind::Simple;
        e.Source = TImportKind::FavourableDays;
    }
    return events;
}

SettledYear SettleGoodDaysYear(std::string_view text, int calendarYear) {
    SettledYear s;
    if (text.empty()) {
        s.year = calendarYear;
    } else {
        // Digits only; leading zeros are harmless, a fifth significant digit is out of range.
        int value = 0;
        for (char c : text) {
            if (!IsDigit(c)) {
                value = -1;
                break;
            }
            value = value * 10 + (c - '0');
            if (value > kLastGoodDaysYear) break;
        }
        s.year = value;
    }
    s.ok = s.year >= kFirstGoodDaysYear && s.year <= kLastGoodDaysYear;
    if (!s.ok) s.message = GoodDaysMessage::BadYear();
    return s;
}

GoodDaysRun FindGoodDaysOfYear(const GoodDaysRequest& r, const ZetProgress& progress) {
    GoodDaysRun run;
    if (r.BirthDay < 1 || r.BirthDay > 31) {
        run.Status = GoodDaysStatus::NoBirthDay;
        run.Message = GoodDaysMessage::NoBirthDay();
    } else if (r.Year < kFirstGoodDaysYear || r.Year > kLastGoodDaysYear) {
        run.Status = GoodDaysStatus::BadYear;
        run.Message = GoodDaysMessage::BadYear();
    } else if (!r.Months.Any()) {
        run.Status = GoodDaysStatus::NoMonths;
        run.Message = GoodDaysMessage::NoMonths();
    }
    if (!run.ok()) return run;
    const int soul = GetSoulNumber(std::to_string(r.BirthDay));
    for (int m = 1; m <= 12; ++m) {
        if (r.Months.Has(m)) {
            std::vector<ZetNewEvent> month = Find_GoodDays(r.Year, m, soul, r.BirthDay, r.AboutDay);
            run.Events.insert(run.Events.end(), std::make_move_iterator(month.begin()),
                              std::make_move_iterator(month.end()));
        }
        if (progress) progress(m, 12);
    }
    return run;
}

namespace GoodDaysMessage {

std::string NoBirthDay() { return "Определите число месяца рождения."; }
std::string NoMonths() { return "Выберите месяц(ы) для добавления."; }
std::string BadYear() {
    return "Текущий год должен быть числом от " + std::to_string(kFirstGoodDaysYear) + " до " +
           std::to_string(kLastGoodDaysYear) + ".";
}

}  // namespace GoodDaysMessage
