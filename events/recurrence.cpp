#include "events/recurrence.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>

#include "events/foreign_event.h"

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

bool WeekdayMatch(TDateTime s, int mask, TDateTime d) {
    if (mask == 0) return false;
    const int64_t ks = SafeDayNumber(s), kd = SafeDayNumber(d);
    if (kd == INT64_MIN) return false;
    const int w = DayOfWeek(d);  // 1 = Sunday ... 7 = Saturday
    if (((static_cast<unsigned>(mask) >> (7 - w)) & 1u) && d >= s) return true;
    return ks == kd;
}

bool RecursByUnitOn(const TTodoItem& event, TDateTime d) {
    if (const TForeignEvent* f = event.Foreign()) return ForeignRecursOn(*f, d);
    const TRepetition r = event.Repetition();
    return RepeatsOnDay(event.CreationDate, event.CompletionDate, r.PairedCount(), r.PairedUnit(), d);
}

bool ForeignRecursOn(const TForeignEvent& f, TDateTime d) {
    const int64_t day = SafeDayNumber(d);
    return f.Repeats() && day != INT64_MIN && f.OccursOnDay(day);
}

bool RecursOn(const TTodoItem& event, TDateTime d) {
    if (const TForeignEvent* f = event.Foreign()) return ForeignRecursOn(*f, d);
    const TRepetition r = event.Repetition();
    const TDateTime s = event.CreationDate, e = event.CompletionDate;
    const int unit = r.PairedUnit();
    if (RepeatsOnDay(s, e, r.PairedCount(), unit, d) || WeekdayMatch(s, r.Mask, d)) return true;
    const bool unreadable = event.DueDate != 0 && e == 0 && r.Mask == 0 && (unit < kUnitMinutes || unit > kUnitYears);
    if (!unreadable) return false;
    const int64_t ks = SafeDayNumber(s);
    return ks != INT64_MIN && ks == SafeDayNumber(d);
}

void DaysByUnit(const TTodoItem& event, int64_t first, int64_t last, std::vector<int64_t>& days) {
    days.clear();
    if (const TForeignEvent* f = event.Foreign()) {
        if (f->Repeats()) f->StartDays(first, last, days);
        return;
    }
    const TRepetition r = event.Repetition();
    const int count = r.PairedCount(), unit = r.PairedUnit();
    const int64_t ks = SafeDayNumber(event.CreationDate);
    if (event.CompletionDate != 0 || unit < kUnitMinutes || unit > kUnitYears || ks == INT64_MIN) return;
    first = std::max(first, ks);  // nothing before the start
    if (first > last) return;
    if (unit == kUnitMinutes || unit == kUnitHours || count <= 0) {
        if (ks == first) days.push_back(ks);
        return;
    }
    if (unit == kUnitDays || unit == kUnitWeeks) {
        const int64_t p = PeriodDays(count, unit);
        for (int64_t d = ks + (first - ks + p - 1) / p * p; d <= last; d += p) days.push_back(d);
        return;
    }
    // Months and years: the start's day of the month in every count-th month
    // (or year, in the start's month) that has it.
    const sys_days start = SysDaysOf(event.CreationDate);
    const year_month_day ys{start};
    const year_month_day yf = YmdOf(static_cast<TDateTime>(first)), yl = YmdOf(static_cast<TDateTime>(last));
    const int64_t step = unit == kUnitYears ? int64_t{12} * count : count;
    auto index = [](const year_month_day& x) {
        return int64_t{static_cast<int>(x.year())} * 12 + static_cast<unsigned>(x.month()) - 1;
    };
    const int64_t k0 = index(ys), kf = index(yf), kl = index(yl);
    const unsigned sd = static_cast<unsigned>(ys.day());
    for (int64_t k = k0 + (kf - k0 + step - 1) / step * step; k <= kl; k += step) {
        const year_month_day x{year{static_cast<int>(k / 12)}, month{static_cast<unsigned>(k % 12 + 1)}, day{sd}};
        if (!x.ok()) continue;  // no 31st in this month, no 29 February in this year
        const int64_t n = ks + (sys_days{x} - start).count();
        if (n >= first && n <= last) days.push_back(n);
    }
}

bool KeepsRecurring(const TRepetition& r) {
    constexpr int kWeekdayBits = 127;  // Sunday 64 down to Saturday 1
    return (r.Mask & kWeekdayBits) != 0 || (r.Unit >= kUnitDays && r.Unit <= kUnitYears);
}

bool KeepsRecurring(const TTodoItem& e, TDateTime now) {
    if (const TForeignEvent* f = e.Foreign()) return f->AnyFrom(std::floor(now));
    return KeepsRecurring(e.Repetition());
}

bool RepeatsByDays(const TTodoItem& e) {
    if (const TForeignEvent* f = e.Foreign()) return f->Repeats();
    const int unit = e.Repetition().PairedUnit();
    return unit >= kUnitDays && unit <= kUnitYears;
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
