#include "events/recurrence.h"

#include <chrono>
#include <climits>
#include <cmath>

namespace {
using namespace std::chrono;
}  // namespace

int PeriodDays(int count, int unit) {
    int64_t p = 0;
    if (unit == kUnitDays) p = count;
    else if (unit == kUnitWeeks) p = int64_t{7} * count;
    if (p > INT_MAX) return INT_MAX;
    if (p < INT_MIN) return INT_MIN;
    return static_cast<int>(p);
}

bool IsDayInPeriod(int period, TDateTime s, TDateTime d) {
    if (period <= 0) return false;
    const int64_t ks = SafeDayNumber(s), kd = SafeDayNumber(d);
    if (ks == INT64_MIN || kd == INT64_MIN) return false;
    const int64_t diff = kd - ks;
    return diff >= 0 && diff % period == 0;
}

bool RepeatsOnDay(TDateTime s, TDateTime e, int count, int unit, TDateTime d) {
    if (e != 0) return false;
    if (unit < kUnitMinutes || unit > kUnitYears) return false;
    const int64_t ks = SafeDayNumber(s), kd = SafeDayNumber(d);
    if (ks == INT64_MIN || kd == INT64_MIN) return false;
    // Minutes and hours repeat as reminders, not as days; and a repetition
    // without a usable count keeps the event on its start day rather than
    // losing it from every day.
    if (unit == kUnitMinutes || unit == kUnitHours || count <= 0) return ks == kd;
    if (unit == kUnitDays || unit == kUnitWeeks) return IsDayInPeriod(PeriodDays(count, unit), s, d);
    const year_month_day ys = YmdOf(s), yd = YmdOf(d);
    if (yd.day() != ys.day()) return false;
    const int years = static_cast<int>(yd.year()) - static_cast<int>(ys.year());
    if (unit == kUnitYears) return yd.month() == ys.month() && years >= 0 && years % count == 0;
    const int months = years * 12 + static_cast<int>(static_cast<unsigned>(yd.month())) -
                       static_cast<int>(static_cast<unsigned>(ys.month()));
    return months >= 0 && months % count == 0;
}

bool RepeatsOnDay(TDateTime s, TDateTime e, std::string_view countText, std::string_view unitText,
                  TDateTime d) {
    if (countText.empty() || unitText.empty()) return false;
    return RepeatsOnDay(s, e, DecimalOrZero(countText), DecimalOrZero(unitText), d);
}

bool WeekdayMatch(TDateTime s, int mask, TDateTime d) {
    if (mask == 0) return false;
    const int64_t ks = SafeDayNumber(s), kd = SafeDayNumber(d);
    if (kd == INT64_MIN) return false;
    const int w = DayOfWeek(d);  // 1 = Sunday ... 7 = Saturday
    if (((static_cast<unsigned>(mask) >> (7 - w)) & 1u) && d >= s) return true;
    return ks == kd;
}

bool WeekdayMatch(TDateTime s, std::string_view maskText, TDateTime d) {
    return WeekdayMatch(s, DecimalOrZero(maskText), d);
}

int DaysInPeriods(int count, bool yearly, TDateTime s) {
    if (count <= 0 || !InCalendar(s)) return 0;
    constexpr sys_days kLast = sys_days{year{kLastYear} / December / 31};
    sys_days x = SysDaysOf(s);
    int64_t total = 0;
    for (int i = 0; i < count && x <= kLast; ++i) {
        const year_month_day ymd{x};
        const unsigned n = yearly ? (ymd.year().is_leap() ? 366u : 365u)
                                  : static_cast<unsigned>((ymd.year() / ymd.month() / last).day());
        total += n;
        x += days{n + 1};
    }
    return total > INT_MAX ? INT_MAX : static_cast<int>(total);
}

TDateTime AddInterval(int count, int unit, TDateTime s) {
    switch (unit) {
        case kUnitMinutes: return AddMinutes(s, count);
        case kUnitHours: return AddMinutes(s, int64_t{count} * 60);
        case kUnitDays: return AddMinutes(s, int64_t{count} * 1440);
        case kUnitWeeks: return AddMinutes(s, int64_t{count} * 10080);
        case kUnitMonths: return AddMinutes(s, int64_t{DaysInPeriods(count, false, s)} * 1440);
        case kUnitYears: return AddMinutes(s, int64_t{DaysInPeriods(count, true, s)} * 1440);
        default: return s;
    }
}

std::string IntToBinStr(int value, int topBit) {
    if (topBit < 0) return {};
    if (topBit > 63) topBit = 63;
    std::string out;
    out.reserve(static_cast<size_t>(topBit) + 1);
    const auto u = static_cast<uint32_t>(value);
    for (int b = topBit; b >= 0; --b) {
        const bool set = b < 32 ? ((u >> b) & 1u) != 0 : value < 0;
        out += set ? '1' : '0';
    }
    return out;
}

int BinStrToInt(std::string_view text) {
    uint32_t v = 0;
    for (const char c : text) v = v * 2 + (c == '1' ? 1u : 0u);
    return static_cast<int>(v);
}

int GetDaysFromList(const std::array<bool, 7>& checked) {
    std::string text;
    for (const bool c : checked) text += c ? '1' : '0';
    return BinStrToInt(text);
}

std::array<bool, 7> SetDaysInList(int mask) {
    const std::string text = IntToBinStr(mask, 6);
    std::array<bool, 7> out{};
    for (size_t i = 0; i < 7; ++i) out[i] = text[i] == '1';
    return out;
}
