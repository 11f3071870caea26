#include "dayview/today_caption.h"

#include "events/ansi.h"

const char* MonthNameNominative(int month) {
    static const char* const kNames[12] = {"Январь", "Февраль", "Март",     "Апрель",
                                           "Май",    "Июнь",    "Июль",     "Август",
                                           "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    return month >= 1 && month <= 12 ? kNames[month - 1] : "";
}

std::string TodayCaption(TDateTime now) {
    const DateTimeParts p = DecodeDateTime(now);
    return ansi(std::string(MonthNameNominative(p.month)) + " " + std::to_string(p.day) + ", " +
                std::to_string(p.year));
}
