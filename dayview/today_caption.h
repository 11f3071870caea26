#pragma once
// The date line under the calendar: "Октябрь 11, 2010".
#include <string>

#include "events/date_time.h"

// Month name in the nominative (1..12), UTF-8.
const char* MonthNameNominative(int month);
// Today's caption as Windows-1251 bytes, like every text of the library.
std::string TodayCaption(TDateTime now);
