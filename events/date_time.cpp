#include "events/date_time.h"

#include <chrono>
#include <climits>
#include <cmath>

namespace {
using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1899} / December / 30};

int64_t ToDayCount(int y, int m, int d) {
    const year_month_day ymd{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
    return (sys_days{ymd} - kEpoch).count();
}

// Splits into whole day and milliseconds of the day; values before the epoch
// keep their time of day as a positive fraction, as the stored format does.
void Split(TDateTime v, int64_t& dayCount, int64_t& ms) {
    // Far outside the calendar there is no date; such values decode as the
    // epoch instead of overflowing.
    if (!std::isfinite(v) || std::fabs(v) > 3.0e6) { dayCount = 0; ms = 0; return; }
    double whole = std::trunc(v);
    double frac = std::fabs(v - whole);
    dayCount = static_cast<int64_t>(whole);
    // Rounded half away from zero, as llround does, without the library call:
    // the subtraction of the whole part is exact at these sizes.
    const double x = frac * kMsPerDay;
    ms = static_cast<int64_t>(x);
    if (x - static_cast<double>(ms) >= 0.5) ++ms;
    if (ms >= kMsPerDayInt) {  // rounding reached the next midnight
        ms -= kMsPerDayInt;
        dayCount += (v < 0) ? -1 : 1;
    }
}
}  // namespace

TDateTime EncodeDateTime(int y, int mo, int d, int h, int mi, int s, int ms) {
    const double days = static_cast<double>(ToDayCount(y, mo, d));
    const double t = (h * 3600000.0 + mi * 60000.0 + s * 1000.0 + ms) / kMsPerDay;
    return days < 0 ? days - t : days + t;
}

TDateTime EncodeDate(int y, int m, int d) { return static_cast<double>(ToDayCount(y, m, d)); }

DateTimeParts DecodeDateTime(TDateTime v) {
    int64_t dayCount, ms;
    Split(v, dayCount, ms);
    const year_month_day ymd{kEpoch + days{dayCount}};
    DateTimeParts p;
    p.year = static_cast<int>(ymd.year());
    p.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    p.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.millisecond = static_cast<int>(ms % 1000);
    return p;
}

int64_t DayNumber(TDateTime v) {
    int64_t dayCount, ms;
    Split(v, dayCount, ms);
    return dayCount;
}

TDateTime DateOf(TDateTime v) { return static_cast<double>(DayNumber(v)); }

TDateTime TimeOf(TDateTime v) {
    int64_t dayCount, ms;
    Split(v, dayCount, ms);
    return static_cast<double>(ms) / kMsPerDay;
}

TDateTime DropSeconds(TDateTime v) {
    const DateTimeParts p = DecodeDateTime(v);
    return EncodeDateTime(p.year, p.month, p.day, p.hour, p.minute);
}

int DayOfWeek(TDateTime v) {
    const weekday wd{kEpoch + days{DayNumber(v)}};
    return static_cast<int>(wd.c_encoding()) + 1;
}

int DaysInMonth(int y, int m) {
    const year_month_day_last l{year{y} / month{static_cast<unsigned>(m)} / last};
    return static_cast<int>(static_cast<unsigned>(l.day()));
}

bool SameDay(TDateTime a, TDateTime b) { return DayNumber(a) == DayNumber(b); }

bool InCalendar(TDateTime v) {
    // A day before the epoch subtracts its time of day: 10:00 of the first
    // day lies below kFirstCalendarDay. The day number decides, after rounding.
    if (!(v > kFirstCalendarDay - 1.0 && v < kLastCalendarDay + 1.0)) return false;
    const int64_t day = DayNumber(v);
    return day >= static_cast<int64_t>(kFirstCalendarDay) && day <= static_cast<int64_t>(kLastCalendarDay);
}

int64_t SafeDayNumber(TDateTime v) {
    // InCalendar's test, with the day number it splits out kept.
    if (!(v > kFirstCalendarDay - 1.0 && v < kLastCalendarDay + 1.0)) return INT64_MIN;
    const int64_t day = DayNumber(v);
    return day >= static_cast<int64_t>(kFirstCalendarDay) && day <= static_cast<int64_t>(kLastCalendarDay)
               ? day
               : INT64_MIN;
}

int64_t MsOfDay(TDateTime v) {
    if (!InCalendar(v)) return 0;
    int64_t dayCount, ms;
    Split(v, dayCount, ms);
    return ms;
}

TDateTime ComposeDateTime(int64_t dayNumber, int64_t msOfDay) {
    const double d = static_cast<double>(dayNumber);
    const double t = static_cast<double>(msOfDay) / kMsPerDay;
    return d < 0 ? d - t : d + t;
}

namespace {
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

TDateTime AddMinutes(TDateTime value, int64_t minutes) {
    // Beyond the calendar there is nothing exact to keep; plain arithmetic.
    constexpr int64_t kLimit = int64_t{1} << 40;
    if (!InCalendar(value) || minutes > kLimit || minutes < -kLimit)
        return value + static_cast<double>(minutes) * kOneMinute;
    const int64_t total = MsOfDay(value) + minutes * 60000;
    const int64_t day = DayNumber(value) + FloorDiv(total, kMsPerDayInt);
    const int64_t ms = total - FloorDiv(total, kMsPerDayInt) * kMsPerDayInt;
    return ComposeDateTime(day, ms);
}

sys_days SysDaysOf(TDateTime v) { return kEpoch + days{DayNumber(v)}; }

year_month_day YmdOf(TDateTime v) { return year_month_day{SysDaysOf(v)}; }
