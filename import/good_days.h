#pragma once
// Favourable days: the soul number of a day of birth, the kind of each day of
// a month for that number, and the events that mark them ("#" and the day of
// birth, at 07:00, without a reminder). They go in as an import batch and go
// out by their marker, as the ZET imports do (import/import_batch.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/todo_item.h"
#include "import/imported_events.h"
#include "import/zet_import.h"

// The digits of the text added up, then the digits of the sum, until one
// digit is left; 0 when the text holds no digit other than 0.
int GetSoulNumber(std::string_view text);

enum class TDayKind : int8_t { None = -1, Good = 0, Special = 1, Excellent = 2, VeryFavourable = 3 };

// "Хороший день." … "Очень благоприятный день." (Windows-1251); empty for None.
const std::string& DayKindText(TDayKind kind);

// The kind of a day for a soul number 1..9 (anything else gives None).
// `weekday` counts 1 = Sunday … 7 = Saturday.
TDayKind GetDayKind(int day, int month, int weekday, int soul);

// "#" and the day of birth: the start of every subject these events carry.
std::string GoodDaysMarker(int birthDay);

// One event for each day of `month` of `year` that has a kind for `soul`,
// in date order. The subject is the marker of `birthDay`, followed by " : "
// and the kind's text when `aboutDay`.
std::vector<ZetNewEvent> Find_GoodDays(int year, int month, int soul, int birthDay, bool aboutDay);

// The years the finder works on. Earlier ones the field never took; later
// ones have no date.
constexpr int kFirstGoodDaysYear = 1901, kLastGoodDaysYear = kLastYear;

struct SettledYear {
    bool ok = false;
    int year = 0;
    std::string message;  // why the text was refused (Windows-1251)
};

// The year field as adding and removing read it: an empty field takes the
// calendar's year; a number is kept when it lies within the finder's years;
// anything else is refused with a message.
SettledYear SettleGoodDaysYear(std::string_view text, int calendarYear);

struct GoodDaysRequest {
    int BirthDay = 0;  // 1..31
    int Year = 0;      // kFirstGoodDaysYear..kLastGoodDaysYear
    MonthChoice Months;
    bool AboutDay = true;
};

enum class GoodDaysStatus { Ok, NoBirthDay, BadYear, NoMonths };

struct GoodDaysRun {
    GoodDaysStatus Status = GoodDaysStatus::Ok;
    std::vector<ZetNewEvent> Events;  // Ok only, in date order
    std::string Message;              // for the user (UTF-8); empty when Ok
    bool ok() const { return Status == GoodDaysStatus::Ok; }
};

// Every favourable day of the chosen months; `progress` hears (month, 12)
// after each month. A request without a day of birth, with a year outside the
// finder's years or without a month gives no event and says why.
GoodDaysRun FindGoodDaysOfYear(const GoodDaysRequest& request, const ZetProgress& progress = {});

namespace GoodDaysMessage {
std::string NoBirthDay();  // "Определите число месяца рождения."
std::string NoMonths();    // "Выберите месяц(ы) для добавления."
std::string BadYear();     // the year field holds no year the finder works on
}  // namespace GoodDaysMessage
