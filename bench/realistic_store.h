#pragma once
// A store as a user collects it over ten years, shared by the benchmarks and
// the peer comparison: 70% one-off events, 20% lasting ones, 10% repeating
// ones. Names are short, most notes are the editor's one empty line. The
// repeating ones are shaped so that other calendars can state the same rule:
// monthly starts on day 1..28, a weekday mask holds the start's own weekday,
// no Feb 29 yearly starts, lasting ones end before midnight or on a later day.
#include <random>
#include <string>

#include "events/ansi.h"
#include "events/date_time.h"
#include "events/recurrence.h"
#include "events/todo_item.h"

namespace bench {

inline TodoItems MakeRealisticStore(int count, TDateTime firstDay, unsigned seed = 2010) {
    static const std::string kNames[] = {
        ansi("Врач"), ansi("Позвонить маме"), ansi("Совещание"), ansi("Спортзал"),
        ansi("Оплатить счета"), ansi("День рождения"), ansi("Купить хлеб"), ansi("Отчёт"),
        ansi("Стоматолог"), ansi("Встреча с заказчиком"), ansi("Бассейн"), ansi("Урок")};
    static const std::string kNotes[] = {ansi("Взять документы."), ansi("Кабинет 12"),
                                         ansi("Обсудить план на квартал.\r\nПодготовить слайды.")};
    std::mt19937 rng(seed);
    TodoItems store;
    store.Reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TTodoItem& e = store.Add();
        e.Subject = kNames[rng() % 12] + " " + std::to_string(i % 1000);
        const unsigned notes = rng() % 20;
        e.SetNotesText(notes < 16 ? std::string("\r\n") : kNotes[notes % 3]);
        TDateTime day = firstDay + static_cast<int>(rng() % 3650);
        const int minute = 7 * 60 + 15 * static_cast<int>(rng() % 60);  // 07:00 .. 21:45
        e.Category = e.Project = e.Resource = "0";
        static const int kAlerts[] = {0, 0, 0, 0, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        e.ImageIndex = kAlerts[rng() % 15];
        e.Complete = rng() % 40 == 0;
        const unsigned kind = rng() % 100;
        if (kind < 70) {
            e.CreationDate = AddMinutes(day, minute);
        } else if (kind < 90) {  // lasting: one or two hours, or days, or a week
            e.CreationDate = AddMinutes(day, minute);
            const unsigned how = rng() % 10;
            const int unit = how < 4 ? kUnitHours : how < 9 ? kUnitDays : kUnitWeeks;
            const int n = unit == kUnitHours ? 1 + static_cast<int>(rng() % 2)
                          : unit == kUnitDays ? 1 + static_cast<int>(rng() % 5) : 1;
            e.Category = std::to_string(n);
            e.Project = std::to_string(unit);
            e.CompletionDate = AddInterval(n, unit, e.CreationDate);
        } else {  // repeating
            const unsigned how = rng() % 20;
            if (how < 8) {  // yearly
                DateTimeParts p = DecodeDateTime(day);
                if (p.month == 2 && p.day == 29) day -= 1;
                e.Category = "1";
                e.Project = std::to_string(kUnitYears);
            } else if (how < 14) {  // monthly, on day 1..28
                const DateTimeParts p = DecodeDateTime(day);
                day = EncodeDate(p.year, p.month, 1 + static_cast<int>(rng() % 28));
                e.Category = "1";
                e.Project = std::to_string(kUnitMonths);
            } else if (how < 17) {  // every week or two
                e.Category = std::to_string(1 + rng() % 2);
                e.Project = std::to_string(kUnitWeeks);
            } else if (how < 18) {  // every 2..30 days
                e.Category = std::to_string(2 + rng() % 29);
                e.Project = std::to_string(kUnitDays);
            } else {  // on chosen weekdays, the start's own among them
                const int own = 1 << (7 - DayOfWeek(day));
                e.Resource = std::to_string(own | static_cast<int>(rng() % 128));
            }
            e.CreationDate = e.DueDate = AddMinutes(day, minute);
        }
    }
    return store;
}

}  // namespace bench
