#include <gtest/gtest.h>

#include <cmath>

#include "events/recurrence.h"
#include "dayview/time_left.h"
#include "events/ansi.h"
#include "tests/support/builders.h"

namespace {

TEST(TimeLeft, WorkedTable) {
    const TDateTime now = At(2010, 10, 11, 14, 10);
    auto plus = [&](int days, int hours) { return AddMinutes(now, days * 1440 + hours * 60); };
    struct Case { TDateTime now, target; bool split; const char* text; };
    const Case cases[] = {
        {now, At(2010, 10, 11, 14, 55), true, "45 мин."},
        {now, At(2010, 10, 11, 16, 30), true, "2 ч. 20 мин."},
        {now, plus(3, 5), false, "3 дн. 5ч."}, {now, plus(3, 5), true, "3 дн."},
        {now, plus(3, 1), false, "3 дн. 1ч."}, {now, plus(20, 3), false, "20 дн. 3ч."},
        {now, plus(20, 3), true, "2 нед.6 дн."}, {now, plus(33, 0), true, "1 мес.5 дн."},
        {now, plus(40, 0), true, "1 мес."}, {now, plus(400, 0), true, "1 г."},
        {now, plus(370, 0), true, "1 г."},  // a year and a few days is no "12 months" as well
        {now, plus(1, 0), false, "1 дн."}, {now, plus(14, 0), true, "2 нед."},
        {At(2010, 10, 11, 14, 50, 30), At(2010, 10, 11, 16, 50), true, "1 ч. 59 мин."},
        {At(2010, 10, 11, 14, 50, 30), At(2010, 10, 11, 15, 50), true, "59 мин."},
        // Whole hours are whole hours: the 59 above comes from now's seconds.
        {now, At(2010, 10, 11, 16, 10), true, "2 ч. 0 мин."},
        {At(2010, 10, 11, 1, 0), At(2010, 10, 12, 0, 0), true, "23 ч. 0 мин."},
        {At(2010, 10, 11, 14, 50), At(2010, 10, 11, 14, 50, 30), true, "0 мин."},
        {now, now, true, "0 мин."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8(TimeLeftText(c.target, c.now, c.split)), c.text)
            << c.text << (c.split ? " (split)" : "");
}

TEST(TimeLeft, PastTargetHasNoMinutesAndBadValuesGiveText) {
    // A target behind now counts the span the other way and writes no minutes.
    EXPECT_EQ(utf8(TimeLeftText(At(2010, 10, 11, 12, 0), At(2010, 10, 11, 14, 10), true)), "2 ч. ");
    EXPECT_EQ(TimeLeftText(std::nan(""), At(2010, 10, 11, 14, 10), true), "");
    EXPECT_FALSE(TimeLeftText(1e300, At(2010, 10, 11, 14, 10), false).empty());
}

TEST(DateFormatting, LocalePatterns) {
    const TDateTime v = At(2010, 3, 5, 21, 5, 7);
    EXPECT_EQ(FormatDateTime("dd.MM.yyyy", v), "05.03.2010");
    EXPECT_EQ(FormatDateTime("H:mm:ss", v), "21:05:07");
    EXPECT_EQ(FormatDateTime("M/d/yy h:mm:ss AP", v), "3/5/10 9:05:07 PM");
    EXPECT_EQ(FormatDateTime("hh:mm", v), "21:05");  // no AM/PM: 24 hours
    EXPECT_EQ(FormatDateTime("h AP", At(2010, 3, 5, 0, 30)), "12 AM");
    EXPECT_EQ(FormatDateTime("h AP", At(2010, 3, 5, 12, 30)), "12 PM");
    EXPECT_EQ(utf8(FormatDateTime("MMMM", At(2010, 12, 5))), "Декабрь");
    EXPECT_EQ(utf8(FormatDateTime("MMMM, d MMM", At(2011, 1, 5))), "Январь, 5 янв");
    EXPECT_EQ(utf8(FormatDateTime(ansi("d MMMM yyyy 'г.'"), v)), "5 Март 2010 г.");
    EXPECT_EQ(utf8(FormatDateTime("ddd, dd", v)), "Пт, 05");
    EXPECT_EQ(FormatDateTime("'It''s' HH", At(2010, 3, 5, 7, 0)), "Its 07");
    EXPECT_EQ(FormatDateTime("dd.MM.yyyy", std::nan("")), "30.12.1899");

    const DayListFormats fmt;
    EXPECT_EQ(DateTimeToStr(At(2010, 10, 12, 9, 5), fmt), "12.10.2010 9:05:00");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2010, 10, 12), fmt), "12.10.2010");
}

TEST(Hints, TextByState) {
    const DayListFormats fmt;
    TTodoItem ev;
    ev.CreationDate = At(2010, 10, 12, 10, 0);
    ev.Notes = {ansi("Купить хлеб"), ansi("и молоко")};
    TDayRow row;
    row.StartText = "10:00";
    EXPECT_EQ(utf8(HintEvent(ev, row, fmt)),
              "Начало: 12.10.2010 10:00:00\r\n_____\r\nКупить хлеб\r\nи молоко\r\n");

    ev.CompletionDate = At(2010, 10, 12, 11, 0);
    row.StartText = ansi("45 мин.");
    EXPECT_EQ(utf8(HintEvent(ev, row, fmt)),
              "Начало: 12.10.2010 10:00:00\r\nЗавершение: 12.10.2010 11:00:00\r\n_____\r\n"
              "Купить хлеб\r\nи молоко\r\n_____\r\nОсталось: 45 мин.");

    ev.Notes.clear();
    row.StartText = ansi("Завершено");
    EXPECT_EQ(utf8(HintEvent(ev, row, fmt)),
              "Начало: 12.10.2010 10:00:00\r\nЗавершение: 12.10.2010 11:00:00\r\n_____\r\n"
              "_____\r\nЗавершено");

    TodoItems store;
    store.Add(ev);
    const TDayRows list = {row};
    EXPECT_TRUE(HintEvent(store, 0, list, 0, fmt).has_value());
    EXPECT_FALSE(HintEvent(store, 1, list, 0, fmt).has_value());
    EXPECT_FALSE(HintEvent(store, 0, list, -1, fmt).has_value());
}

}  // namespace
