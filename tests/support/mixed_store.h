#pragma once
// One event of every kind around Monday 11 October 2010, for the day list
// and the reminders of that week as the library builds them and as
// dayloom-cli prints them.
#include "tests/support/builders.h"

inline TodoItems MixedStore() {
    return Store({
        Event("Врач", At(2010, 10, 11, 10, 0)).Alert(4),                         // "за 15 мин"
        Event("Отчёт", At(2010, 10, 10, 9, 0)).Until(At(2010, 10, 13, 18, 0)),   // running
        Event("Смена", At(2010, 10, 10, 22, 0)).Until(At(2010, 10, 11, 6, 0)),   // over, < 23 h
        Event("Совещание", At(2010, 10, 11, 12, 0)).Lasting(2, kUnitHours),
        Event("Зарядка", At(2010, 10, 1, 7, 0)).Repeat("1", "3"),                // daily
        Event("Бассейн", At(2010, 10, 4, 19, 30)).Repeat("1", "4"),              // weekly, Mondays
        Event("Тренировка", At(2010, 10, 6, 18, 0)).Repeat("0", "0", "42"),      // Mon, Wed, Fri
        Event("Старое", At(2010, 10, 1, 8, 0)).Repeat("1", "3").Done(),          // completed: not today
        Event("Поезд", At(2010, 10, 12, 8, 0)).Alert(9),                         // "за 1 день", tomorrow
        Event("Ремонт", At(2010, 10, 12, 10, 0)).Until(At(2010, 10, 14, 18, 0)), // not begun yet
    });
}
