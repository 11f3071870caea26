#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dayview/agenda.h"
#include "tests/support/mixed_store.h"

namespace {

using Lines = std::vector<std::string>;

// Monday 11 October 2010, 09:00.
const TDateTime kNow = At(2010, 10, 11, 9, 0);

TEST(Agenda, DayListLinesOfEveryKindInTimeOrder) {
    const TodoItems store = MixedStore();
    EXPECT_EQ(AgendaLines(store, Day(2010, 10, 11), kNow, DayListFormats{}),
              (Lines{"Завершено\tСмена" /* the night's to-do, over at 06:00 */,
                     "07:00\tЗарядка",
                     "2 дн.\tОтчёт" /* running: the time left */,
                     "10:00\tВрач",
                     "12:00\tСовещание",
                     "18:00\tТренировка",
                     "19:30\tБассейн"}));
    // The start texts are written for `now`: at 13:00 the meeting is under way.
    EXPECT_EQ(AgendaLines(store, Day(2010, 10, 11), At(2010, 10, 11, 13, 0),
                          DayListFormats{})[4],
              "1 ч. 0 мин.\tСовещание");
    // A time inside the day names the same day.
    EXPECT_EQ(AgendaLines(store, At(2010, 10, 11, 15, 45), kNow, DayListFormats{})[0], "Завершено\tСмена");
    EXPECT_TRUE(AgendaLines(TodoItems{}, Day(2010, 10, 11), kNow, DayListFormats{}).empty());
}

TEST(Agenda, RemindersAreTheTimersCopiesAtTheirShiftedMoments) {
    TodoItems store = MixedStore();
    store.Add(Event("Тихо", At(2010, 10, 11, 11, 0)).Alert(0));                 // "Не напоминать"
    store.Add(Event("Сделано", At(2010, 10, 11, 11, 30)).Done());
    store.Add(Event("Без выбора", At(2010, 10, 11, 15, 0)).Alert(-1));          // never set: on time
    store.Add(Event("Заранее", At(2010, 10, 11, 16, 0)).Alert(8));              // "за 2 часа"
    store.Add(Event("Сдача", At(2010, 10, 12, 15, 0)).Until(At(2010, 10, 12, 16, 0)).Alert(9));
    store.Add(Event("Ночной", At(2010, 10, 12, 0, 10)).Alert(5));               // "за 30 мин"
    // The day before, the copies of the events reminded a day ahead, of any
    // kind, at their own time of day.
    EXPECT_EQ(ReminderLines(store, kNow, DayListFormats{}),
              (Lines{"2010-10-11 07:00\tЗарядка",
                     "2010-10-11 08:00\tПоезд",
                     "2010-10-11 09:00\tОтчёт",
                     "2010-10-11 09:45\tВрач",
                     "2010-10-11 12:00\tСовещание",
                     "2010-10-11 14:00\tЗаранее",
                     "2010-10-11 15:00\tБез выбора",
                     "2010-10-11 15:00\tСдача",
                     "2010-10-11 18:00\tТренировка",
                     "2010-10-11 19:30\tБассейн"}));
    // On its own day the "за 1 день" event is reminded at its start, nothing
    // subtracted; a reminder just after midnight falls on the day before.
    const Lines tuesday = ReminderLines(store, At(2010, 10, 12, 7, 0), DayListFormats{});
    ASSERT_GE(tuesday.size(), 3u);
    EXPECT_EQ(tuesday[0], "2010-10-11 23:40\tНочной");
    EXPECT_EQ(tuesday[2], "2010-10-12 08:00\tПоезд");
}

TEST(Agenda, StoredTextsCannotBreakTheLineLayout) {
    EXPECT_EQ(CliField(ansi("Ёлка")), "Ёлка");
    EXPECT_EQ(CliField("a\tb\r\nc\x1b[31m"), "a b  c [31m");
    EXPECT_EQ(CliField(std::string("x\x98y\x7fz\0w", 7)), "x y z w");
    const TodoItems store = Store({Event("Две\nстроки\tс табом", At(2010, 10, 11, 10, 0))});
    EXPECT_EQ(AgendaLines(store, Day(2010, 10, 11), kNow, DayListFormats{}),
              Lines{"10:00\tДве строки с табом"});
}

}  // namespace
