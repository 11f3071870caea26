#pragma once
// Date-times as the event file stores them: days since 1899-12-30 00:00,
// the fraction being the time of day.
#include <chrono>
#include <cstdint>

using TDateTime = double;

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Exact encoding: days + (h*3600000 + m*60000 + s*1000 + ms) / 86400000.
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                         int second = 0, int millisecond = 0);
TDateTime EncodeDate(int year, int month, int day);
DateTimeParts DecodeDateTime(TDateTime value);

// Midnight of the value's day.
TDateTime DateOf(TDateTime value);
// Time of day as a fraction of a day (always 0 <= t < 1).
TDateTime TimeOf(TDateTime value);
// Whole day number (the day the value falls on).
int64_t DayNumber(TDateTime value);

// The same date, hour and minute with seconds and milliseconds zero.
TDateTime DropSeconds(TDateTime value);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);
int DaysInMonth(int year, int month);
bool SameDay(TDateTime a, TDateTime b);

constexpr double kMsPerDay = 86400000.0;
constexpr int64_t kMsPerDayInt = 86400000;
constexpr double kOneMinute = 1.0 / 1440.0;

// --- the calendar the program handles: 1 January 0001 to 31 December 9999 ---
// One rule for every reader: a damaged file can hold any double, and nothing
// outside this range has a calendar date.
constexpr int kFirstYear = 1, kLastYear = 9999;
constexpr double kFirstCalendarDay = -693593.0;  // 0001-01-01
constexpr double kLastCalendarDay = 2958465.0;   // 9999-12-31

// The value falls on a day of the calendar (NaN does not).
bool InCalendar(TDateTime value);
// DayNumber for values inside the calendar; anything else gives INT64_MIN,
// which no real day has.
int64_t SafeDayNumber(TDateTime value);
// Time of day in whole milliseconds (0 <= ms < 86400000); 0 outside the calendar.
int64_t MsOfDay(TDateTime value);
// Builds the stored value of a day number and a time of day in milliseconds
// (0 <= msOfDay < 86400000), with the same encoding as EncodeDateTime.
TDateTime ComposeDateTime(int64_t dayNumber, int64_t msOfDay);
// The value moved by whole minutes, without the drift of adding 1/1440 steps.
TDateTime AddMinutes(TDateTime value, int64_t minutes);

// The day the value falls on, for calendar arithmetic with std::chrono.
std::chrono::sys_days SysDaysOf(TDateTime value);
std::chrono::year_month_day YmdOf(TDateTime value);
