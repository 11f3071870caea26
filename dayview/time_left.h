#pragma once
// Time-left texts ("2 нед.6 дн.", "1 ч. 59 мин."), the hint of a day-list
// item, and the small date-time formatter the day view writes its dates with.
// All texts are Windows-1251 bytes.
#include <optional>
#include <string>
#include <string_view>

#include "events/date_time.h"
#include "events/todo_item.h"
#include "widgets/day_row.h"

// What the day view needs from the user's settings. The shell fills the two
// formats from the system locale (as Windows-1251 bytes, like every text
// here); the defaults are the Russian ones.
struct DayListFormats {
    std::string ShortDateFormat = "dd.MM.yyyy";
    std::string LongTimeFormat = "H:mm:ss";
    bool SplitRemainingTime = true;  // years / months / weeks / days instead of days and hours
};

// Formats a date-time by a locale pattern. Pattern letters: d dd (day),
// ddd dddd (weekday name), M MM (month), MMM MMMM (month name), yy yyyy,
// H HH (hour 0-23), h hh (hour 1-12 when the pattern has AP/ap, else 0-23),
// m mm, s ss, z zzz (milliseconds), AP ap (AM/PM). Text in single quotes is
// copied as it stands ('' is one quote); any other character is copied.
// Values outside years 1 to 9999 are written as 1899-12-30 00:00.
std::string FormatDateTime(std::string_view pattern, TDateTime value);
// The date in the short date format.
std::string DateToStr(TDateTime value, const DayListFormats& fmt);
// Date and time in the short date and long time formats; the time is left
// out when it is exactly midnight.
std::string DateTimeToStr(TDateTime value, const DayListFormats& fmt);

// The time left from `now` until `target` (an event's end), e.g. "45 мин.",
// "2 ч. 20 мин.", "3 дн. 5ч." (split off) or "2 нед.6 дн." (split on).
// Spans are of the absolute difference; minutes are written only below a day
// and while now is not after target.
std::string TimeLeftText(TDateTime target, TDateTime now, bool splitRemainingTime);

// The hint of a day-list row whose stored event is `source`: start, end
// (when it has one), a separator, the notes, and the row's state or time
// left. It uses the start text the row got when the list was built, so the
// hint says what the "Старт" column says.
std::string HintEvent(const TTodoItem& source, const TDayRow& row, const DayListFormats& fmt);
// The same by positions: row listIndex of the day list, its event at
// sourceIndex of the store. No text when either position names nothing
// (the shell then keeps the previous hint).
std::optional<std::string> HintEvent(const TodoItems& store, int sourceIndex,
                                     const TDayRows& dayList, int listIndex,
                                     const DayListFormats& fmt);
