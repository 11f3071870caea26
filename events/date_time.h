#pragma once
// Date-times as the event file stores them: days since 1899-12-30 00:00,
// the fraction being the time of day.
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
bool IsLeapYear(int year);
bool SameDay(TDateTime a, TDateTime b);

constexpr double kMsPerDay = 86400000.0;
constexpr double kOneMinute = 1.0 / 1440.0;
