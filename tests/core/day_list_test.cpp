#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dayview/day_list.h"
#include "tests/support/builders.h"

namespace {

using Moments = std::vector<TDateTime>;
using Names = std::vector<std::string>;

struct Built {
    TDayRows rows;
    std::vector<int> sources;
};

Built Build(const TodoItems& store, TDateTime d, ListMode mode = ListMode::Day,
            TDateTime now = At(2010, 10, 1, 12, 0)) {
    Built b;
    UpDateTdList(store, d, mode, now, DayListFormats{}, b.rows, &b.sources);
    return b;
}

// The moments of the rows, in list order.
Moments MomentsOf(const Built& b) {
    Moments m;
    for (const TDayRow& r : b.rows) m.push_back(r.Moment);
    return m;
}

Names NamesOf(const Built& b) {
    Names n;
    for (const TDayRow& r : b.rows) n.push_back(utf8(r.Subject));
    return n;
}

std::vector<EventKind> KindsOf(const Built& b) {
    std::vector<EventKind> k;
    for (const TDayRow& r : b.rows) k.push_back(r.Kind);
    return k;
}

TEST(DayList, SimpleEventAndItsRow) {
    const TodoItems store = Store({Event("Врач", At(2010, 10, 12, 10, 0)).Alert(4).Notes("заметка").Done()});
    const Built b = Build(store, Day(2010, 10, 12));
    ASSERT_EQ(b.rows.size(), 1u);
    const TDayRow& r = b.rows[0];
    EXPECT_EQ(utf8(r.Subject), "Врач");
    EXPECT_EQ(r.StartText, "10:00");
    EXPECT_EQ(r.Moment, At(2010, 10, 12, 10, 0));
    EXPECT_EQ(r.CreationDate, store[0].CreationDate);
    EXPECT_EQ(r.CompletionDate, 0);
    EXPECT_TRUE(r.Complete);
    EXPECT_EQ(r.ImageIndex, 4);
    EXPECT_EQ(r.Kind, EventKind::Simple);
    EXPECT_EQ(b.sources, std::vector<int>{0});
}

// The days an event spanning days shows on, and its time of day there.
TEST(DayList, SpansAndCompletedEventsShowOnTheirDays) {
    const TTodoItem night = Event("ночь", At(2010, 10, 10, 22, 0)).Until(At(2010, 10, 11, 6, 0));
    const TTodoItem day23 = Event("23 часа", At(2010, 10, 20, 7, 0)).Until(At(2010, 10, 21, 6, 0));
    const TTodoItem project = Event("проект", At(2010, 11, 10, 9, 0)).Until(At(2010, 11, 13, 18, 0));
    const TTodoItem leave = Event("отпуск", At(2010, 10, 10, 9, 0)).Lasting(3, kUnitDays);
    const TTodoItem daily = Event("ежедневно", At(2010, 10, 10, 9, 0)).Repeat("1", "3");
    const TTodoItem fridays = Event("по пятницам", At(2010, 10, 13, 9, 0)).Repeat("0", "0", "2");
    auto done = [](TTodoItem e) { e.Complete = true; return e; };
    struct Case { const char* what; TTodoItem event; TDateTime day; Moments want; };
    const Case cases[] = {
        {"short to-do: start day", night, Day(2010, 10, 10), {At(2010, 10, 10, 22, 0)}},
        {"short to-do: end day, at its end", night, Day(2010, 10, 11), {At(2010, 10, 11, 6, 0)}},
        {"short to-do: after", night, Day(2010, 10, 12), {}},
        {"short to-do: before", night, Day(2010, 10, 9), {}},
        // 23 hours is not below 23: the next day shows the start time.
        {"23 hours", day23, Day(2010, 10, 21), {At(2010, 10, 21, 7, 0)}},
        {"long to-do: start day", project, Day(2010, 11, 10), {At(2010, 11, 10, 9, 0)}},
        {"long to-do: inside", project, Day(2010, 11, 12), {At(2010, 11, 12, 9, 0)}},
        {"long to-do: end day", project, Day(2010, 11, 13), {At(2010, 11, 13, 9, 0)}},
        {"long to-do: after", project, Day(2010, 11, 14), {}},
        {"lasting: last day", leave, Day(2010, 10, 13), {At(2010, 10, 13, 9, 0)}},
        {"lasting: after", leave, Day(2010, 10, 14), {}},
        {"daily: later", daily, Day(2010, 10, 15), {At(2010, 10, 15, 9, 0)}},
        {"Fridays: a Friday", fridays, Day(2010, 10, 15), {At(2010, 10, 15, 9, 0)}},
        // Completed, each shows on its start day only.
        {"completed to-do: start day", done(project), Day(2010, 11, 10), {At(2010, 11, 10, 9, 0)}},
        {"completed to-do: inside", done(project), Day(2010, 11, 12), {}},
        {"completed lasting: inside", done(leave), Day(2010, 10, 12), {}},
        {"completed daily: start day", done(daily), Day(2010, 10, 10), {At(2010, 10, 10, 9, 0)}},
        {"completed daily: later", done(daily), Day(2010, 10, 15), {}},
        {"completed Fridays: start, a Wednesday", done(fridays), Day(2010, 10, 13), {At(2010, 10, 13, 9, 0)}},
        {"completed Fridays: a Friday", done(fridays), Day(2010, 10, 15), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(MomentsOf(Build(Store({c.event}), c.day)), c.want) << c.what;
}

TEST(DayList, StartTextsOfSpansFollowNow) {
    const TTodoItem project = Event("проект", At(2010, 11, 10, 9, 0)).Until(At(2010, 11, 13, 18, 0));
    const TTodoItem leave = Event("отпуск", At(2010, 11, 10, 9, 0)).Lasting(3, kUnitDays);
    struct Case { const char* what; TTodoItem event; TDateTime now; const char* text; };
    // Beside the agenda's texts of each kind, the moments in between.
    const Case cases[] = {
        {"to-do, exactly at the start", project, At(2010, 11, 10, 9, 0), ""},
        {"to-do running: time left to the end", project, At(2010, 11, 13, 17, 15), "45 мин."},
        {"to-do, exactly at the end", project, At(2010, 11, 13, 18, 0), ""},
        {"to-do over at midnight", project, At(2010, 11, 14, 0, 0), "Завершено"},
        {"lasting, an earlier day: the time", leave, At(2010, 11, 9, 9, 0), "09:00"},
        {"lasting running", leave, At(2010, 11, 11, 9, 0), "2 дн."},
        {"lasting over", leave, At(2010, 11, 14, 9, 0), "Завершено"},
    };
    for (const Case& c : cases) {
        const Built b = Build(Store({c.event}), Day(2010, 11, 11), ListMode::Day, c.now);
        ASSERT_EQ(b.rows.size(), 1u) << c.what;
        EXPECT_EQ(utf8(b.rows[0].StartText), c.text) << c.what;
    }
}

TEST(DayList, RepeatingEvents) {
    const TodoItems store = Store({Event("ежемесячно", At(2010, 10, 15, 12, 0)).Repeat("1", "5"),
                                   Event("пн ср пт", At(2010, 10, 13, 10, 0)).Repeat("0", "0", "42"),
                                   Event("каждые 5 мин", At(2010, 10, 13, 8, 0)).Repeat("5", "1")});
    // Nothing before the start month (mended: January of the start year once counted).
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 1, 15))), Names{});
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 11, 15))), (Names{"пн ср пт", "ежемесячно"}));
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 13))), (Names{"каждые 5 мин", "пн ср пт"}));
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 14))), Names{});

    const Built b = Build(store, Day(2011, 3, 15));
    ASSERT_EQ(b.rows.size(), 1u);
    const TDayRow& r = b.rows[0];
    EXPECT_EQ(r.Moment, At(2011, 3, 15, 12, 0));  // time of day of the stored DueDate
    EXPECT_EQ(r.StartText, "12:00");
    EXPECT_EQ(r.Kind, EventKind::Repeating);
    // The repetition the reminder timer reads its repeats from.
    EXPECT_EQ(r.Repetition.PairedCount(), 1);
    EXPECT_EQ(r.Repetition.PairedUnit(), kUnitMonths);
}

// The rule that listed a row is the kind it is shown as; in the reminder
// list a day-ahead reminder of any kind is a simple row the day before.
TEST(DayList, EachRowKeepsTheRuleThatListedIt) {
    const TodoItems store = Store({
        Event("дело", At(2010, 10, 12, 7, 0)).Until(At(2010, 10, 12, 8, 0)),
        Event("простое", At(2010, 10, 12, 9, 0)),
        Event("три дня", At(2010, 10, 11, 10, 0)).Lasting(3, kUnitDays),
        Event("ежедневно", At(2010, 10, 1, 11, 0)).Repeat("1", "3"),
        Event("завтра", At(2010, 10, 13, 12, 0)).Repeat("1", "3").Alert(9),
    });
    EXPECT_EQ(KindsOf(Build(store, Day(2010, 10, 12))),
              (std::vector<EventKind>{EventKind::ToDo, EventKind::Simple, EventKind::Lasting,
                                      EventKind::Repeating}));
    EXPECT_EQ(KindsOf(Build(store, At(2010, 10, 12, 6, 0), ListMode::Reminder)),
              (std::vector<EventKind>{EventKind::ToDo, EventKind::Simple, EventKind::Lasting,
                                      EventKind::Repeating, EventKind::Simple}));
}

TEST(DayList, BadNumbersHideOnlyTheirOwnRepetition) {
    TTodoItem badLength = Event("плохая длительность", At(2010, 10, 10, 7, 0)).Lasting(3, kUnitDays);
    badLength.Category = "три";
    const TodoItems store = Store({Event("обычное", At(2010, 10, 12, 10, 0)),
                                   Event("плохой счёт", At(2010, 10, 10, 9, 0)).Repeat("abc", "3"),
                                   Event("плохая единица", At(2010, 10, 10, 9, 30)).Repeat("2", "дни"),
                                   Event("плохая маска", At(2010, 10, 10, 8, 0)).Repeat("0", "0", "пн"),
                                   badLength,
                                   Event("пустые", At(2010, 10, 12, 11, 0)).Repeat("", "", ""),
                                   Event("позже", At(2010, 10, 12, 12, 0))});
    // A lasting event without a count runs as a to-do; repeating ones that
    // cannot be read keep their start day.
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 12))), (Names{"плохая длительность", "обычное", "пустые", "позже"}));
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 10))),
              (Names{"плохая длительность", "плохая маска", "плохой счёт", "плохая единица"}));
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 11))), Names{"плохая длительность"});
    EXPECT_EQ(NamesOf(Build(store, Day(2010, 10, 14))), Names{});
}

TEST(DayList, TimeOrderAndWayBackToTheStore) {
    const TodoItems store = Store({Event("полдень", At(2010, 10, 12, 12, 0)),
                                   Event("утро", At(2010, 10, 13, 8, 0)),  // another day
                                   Event("утро", At(2010, 10, 12, 8, 0)),
                                   Event("тоже утро", At(2010, 10, 12, 8, 0)),
                                   Event("полдень", At(2010, 10, 12, 12, 0))});  // the first's identity
    Built b = Build(store, Day(2010, 10, 12));
    EXPECT_EQ(NamesOf(b), (Names{"утро", "тоже утро", "полдень", "полдень"}));
    EXPECT_EQ(b.sources, (std::vector<int>{2, 3, 0, 4}));
    // By start and name the row finds the first event alike.
    EXPECT_EQ(getIdxOfList(0, b.rows, store), 2);
    EXPECT_EQ(getIdxOfList(1, b.rows, store), 3);
    EXPECT_EQ(getIdxOfList(3, b.rows, store), 0);
    EXPECT_EQ(getIdxOfList(4, b.rows, store), -1);
    EXPECT_EQ(getIdxOfList(-1, b.rows, store), -1);
    TodoItems renamed = store;
    renamed[3].Subject = ansi("вечер");
    EXPECT_EQ(getIdxOfList(1, b.rows, renamed), -1);

    // A deleted event takes the first row of its identity along; a name
    // differing in case is another event.
    EXPECT_EQ(DeleteRowOf(b.rows, Event("ПОЛДЕНЬ", At(2010, 10, 12, 12, 0))), -1);
    EXPECT_EQ(DeleteRowOf(b.rows, store[4]), 2);
    EXPECT_EQ(NamesOf(b), (Names{"утро", "тоже утро", "полдень"}));
    EXPECT_EQ(DeleteRowOf(b.rows, store[1]), -1);  // another day's event has no row
    EXPECT_EQ(b.rows.size(), 3u);
}

TEST(DayRows, SortKeepsEqualRowsInOrderAndFollowsSelection) {
    TDayRows rows;
    const double moments[] = {5, 3, 5, 1, 3};
    for (int i = 0; i < 5; ++i) {
        TDayRow& r = rows.emplace_back();
        r.Moment = moments[i];
        r.Subject = std::string(1, static_cast<char>('a' + i));
        r.StartText = std::string(1, static_cast<char>('e' - i));
    }
    auto order = [&] {
        std::string o;
        for (const TDayRow& r : rows) o += r.Subject;
        return o;
    };
    const int followed = SortRows(rows, TodoData::tdDueDate, TSortDirection::sdAscending, 2);
    EXPECT_EQ(order(), "dbeac");
    EXPECT_EQ(rows[size_t(followed)].Subject, "c");
    // The start text has no order: the rows stay as they are, in both directions.
    SortRows(rows, TodoData::tdCategory, TSortDirection::sdDescending);
    EXPECT_EQ(order(), "dbeac");
    SortRows(rows, TodoData::tdDueDate, TSortDirection::sdDescending);
    EXPECT_EQ(order(), "acbed");
    EXPECT_EQ(SortRows(rows, TodoData::tdSubject, TSortDirection::sdAscending, -1), -1);
    EXPECT_EQ(order(), "abcde");
}

TEST(DayList, HelpersAndBadReferenceDay) {
    EXPECT_EQ(TimeOfDay(At(2010, 10, 12, 9, 5, 30, 900)), At(1899, 12, 30, 9, 5, 30));
    // The reminder choices, from "Не напоминать" (0) to "за 1 день" (9), in minutes before.
    const int before[] = {0, 0, 0, 1, 5, 15, 30, 45, 60, 120, 1440, 0};
    for (int alert = -1; alert <= 10; ++alert)
        EXPECT_EQ(getDtTimeWithAlertTime(alert, At(2010, 10, 12, 1, 0)),
                  AddMinutes(At(2010, 10, 12, 1, 0), -before[alert + 1])) << alert;

    const TodoItems store = Store({Event("x", At(2010, 10, 12, 10, 0)), Event("nan", std::nan("")).Until(1e300)});
    TDayRows out(1);
    UpDateTdList(store, std::nan(""), ListMode::Day, 0, DayListFormats{}, out);
    EXPECT_TRUE(out.empty());
    UpDateTdList(store, Day(2010, 10, 12), ListMode::Day, 0, DayListFormats{}, out);
    EXPECT_EQ(out.size(), 1u);
}

}  // namespace

namespace {

// The command line keeps only the events that fall on its day; the lists
// built from those must be the lists built from the whole store.
// A start's day is the day its value rounds into, and may be two days or
// more from the chosen moment and still list: a reminder a day ahead,
// started a hair before the midnight two days on, asked for a moment that
// rounds up to the chosen day's midnight, or for a moment on day 0 written
// below zero. On days before 1899-12-30 too.
TEST(DayList, StartsAtTheEdgesOfTheirDaysListOnTheRightDay) {
    const TDateTime hair = 0.0004 / 86400;  // under half a millisecond
    struct Case {
        const char* what;
        TDateTime start, d;
        ListMode mode;
        bool listed;
    };
    const Case cases[] = {
        {"a day ahead, two days on", Day(2010, 10, 13) - 2 * hair, Day(2010, 10, 11) - hair, ListMode::Reminder, true},
        {"a day ahead, rounded past it", Day(2010, 10, 13) - hair, Day(2010, 10, 11) - hair, ListMode::Reminder, false},
        {"a day ahead, the same day", At(2010, 10, 11, 23, 59), Day(2010, 10, 11), ListMode::Reminder, true},
        {"a day ahead, three days on", At(2010, 10, 13, 0, 1), Day(2010, 10, 11) - hair, ListMode::Reminder, false},
        {"rounded into the day", Day(2010, 10, 11) - hair, Day(2010, 10, 11), ListMode::Day, true},
        {"rounded out of the day before", Day(2010, 10, 11) - hair, Day(2010, 10, 10), ListMode::Day, false},
        {"before 1899, late", -3 - (1 - 2 * hair), -3, ListMode::Day, true},
        {"before 1899, a day ahead", -3 - (1 - 2 * hair), -4 - hair, ListMode::Reminder, true},
        // Either side of 0 a value reads forward from midnight: -0.999 is late on day 0.
        {"across 1899-12-30, a day ahead", At(1899, 12, 31, 23, 59), -0.999, ListMode::Reminder, true},
    };
    for (const Case& c : cases) {
        const TodoItems store = Store({Event("событие", c.start).Alert(kAlertDayBefore)});
        EXPECT_EQ(Build(store, c.d, c.mode).rows.size(), c.listed ? 1u : 0u) << c.what;
        EXPECT_EQ(FallsOnDay(c.d, c.mode)(store[0]), c.listed) << c.what;
    }
}

TodoItems AroundTheTwelfth() {
    return Store({
        Event("простое", At(2010, 10, 12, 9, 0)),
        Event("за день", At(2010, 10, 13, 9, 0)).Alert(9),
        Event("за 2 часа", At(2010, 10, 12, 1, 0)).Alert(8),
        Event("дело", At(2010, 10, 11, 22, 0)).Until(At(2010, 10, 14, 8, 0)),
        Event("готовое дело", At(2010, 10, 11, 22, 0)).Until(At(2010, 10, 14, 8, 0)).Done(),
        Event("три дня", At(2010, 10, 11, 8, 0)).Lasting(3, kUnitDays),
        Event("ежемесячно", At(2010, 9, 12, 12, 0)).Repeat("1", "5"),
        Event("ежегодно", At(2009, 10, 12, 7, 0)).Repeat("1", "6"),
        Event("по неделям", At(2010, 9, 28, 18, 0)).Repeat("2", "4"),
        Event("пн ср пт", At(2010, 10, 4, 10, 0)).Repeat("0", "0", "42"),
        Event("каждые 5 мин", At(2010, 10, 12, 8, 0)).Repeat("5", "1"),
        Event("сломанное", At(2010, 10, 12, 11, 0)).Repeat("x", "y", "z"),
        Event("простое", At(2010, 10, 12, 9, 0)),  // the same identity twice
    });
}

TEST(DayList, EventsThatFallOnADayGiveTheWholeStoresList) {
    const TodoItems store = AroundTheTwelfth();
    for (int day = 10; day <= 15; ++day) {
        for (const ListMode mode : {ListMode::Day, ListMode::Reminder}) {
            const TDateTime d = mode == ListMode::Day ? Day(2010, 10, day) : At(2010, 10, day, 6, 30);
            TodoItems kept;
            const FallsOnDay falls(d, mode);
            for (const TTodoItem& e : store)
                if (falls(e)) kept.Add(e);
            const Built all = Build(store, d, mode), some = Build(kept, d, mode);
            EXPECT_EQ(NamesOf(some), NamesOf(all)) << day;
            EXPECT_EQ(MomentsOf(some), MomentsOf(all)) << day;
            for (size_t i = 0; i < all.rows.size() && i < some.rows.size(); ++i)
                EXPECT_EQ(some.rows[i].StartText, all.rows[i].StartText) << day;
            EXPECT_LT(kept.Count(), store.Count()) << day;  // the others were left out
        }
    }
}

// A list changed in place after events were taken out or appended is the
// list a rebuild makes: the same rows in the same order, with the events'
// new positions.
TEST(DayList, RowsChangedInPlaceAreTheRebuiltOnes) {
    TodoItems all = AroundTheTwelfth();
    // Events of other days after them: many taken are kept a bit a slot.
    for (int i = 0; i < 150; ++i) all.Add(Event("фон", At(2010, 9, 1 + i % 28, 8, 0)));
    const auto same = [](const Built& got, const Built& rebuilt, const std::string& what) {
        EXPECT_EQ(NamesOf(got), NamesOf(rebuilt)) << what;
        EXPECT_EQ(MomentsOf(got), MomentsOf(rebuilt)) << what;
        EXPECT_EQ(KindsOf(got), KindsOf(rebuilt)) << what;
        EXPECT_EQ(got.sources, rebuilt.sources) << what;
        for (size_t i = 0; i < got.rows.size() && i < rebuilt.rows.size(); ++i)
            EXPECT_EQ(got.rows[i].StartText, rebuilt.rows[i].StartText) << what;
    };
    struct Taking {
        const char* what;
        bool (*gone)(int position);
    };
    const Taking takings[] = {
        {"none", [](int) { return false; }},
        {"every other", [](int p) { return p % 2 == 0; }},
        {"the first of two twins and the daily one", [](int p) { return p == 0 || p == 10; }},
        {"all", [](int) { return true; }},
    };
    for (int day = 10; day <= 15; ++day)
        for (const ListMode mode : {ListMode::Day, ListMode::Reminder}) {
            const TDateTime d = mode == ListMode::Day ? Day(2010, 10, day) : At(2010, 10, day, 6, 30);
            const std::string on = std::to_string(day) + (mode == ListMode::Day ? " day" : " reminders");
            for (const Taking& t : takings) {
                TodoItems store = all;
                Built b = Build(store, d, mode);
                std::vector<uint32_t> slots;
                for (const int src : b.sources) slots.push_back(store.SlotOf(src));
                const TakenEvents taken = store.Take(0, [&](int position, uint32_t) { return t.gone(position); });
                const int before = static_cast<int>(b.rows.size());
                const int gone = TakeRowsOf(store, taken, b.rows, b.sources, slots);
                const Built rebuilt = Build(store, d, mode);
                EXPECT_EQ(gone, before - static_cast<int>(rebuilt.rows.size())) << on << ", " << t.what;
                same(b, rebuilt, on + ", taken " + t.what);
                EXPECT_EQ(slots.size(), b.rows.size());
            }
            // The last few appended to the others, the second twin among them.
            for (const int appended : {1, 3, 6, 160}) {
                TodoItems store;
                for (int i = 0; i < all.Count() - appended; ++i) store.Add(all[i]);
                Built b = Build(store, d, mode);
                std::vector<uint32_t> added;
                for (int i = all.Count() - appended; i < all.Count(); ++i) {
                    store.Add(all[i]);
                    added.push_back(store.SlotOf(store.Count() - 1));
                }
                AddRowsOf(store, added, d, mode, At(2010, 10, 1, 12, 0), DayListFormats{}, b.rows, &b.sources);
                same(b, Build(store, d, mode), on + ", " + std::to_string(appended) + " appended");
            }
        }
    // Slots not in step with the rows, or a removal from another store,
    // leave the list to be built again.
    {
        Built b2 = Build(all, Day(2010, 10, 12));
        std::vector<uint32_t> few(b2.rows.size() - 1, 0);
        TodoItems copy = all;
        const TakenEvents none = copy.Take(0, [](int, uint32_t) { return false; });
        EXPECT_EQ(TakeRowsOf(copy, none, b2.rows, b2.sources, few), -1);
    }
    TodoItems store = all, other = all;
    Built b = Build(store, Day(2010, 10, 12));
    std::vector<uint32_t> slots;
    for (const int src : b.sources) slots.push_back(store.SlotOf(src));
    const TakenEvents elsewhere = other.Take(0, [](int, uint32_t) { return true; });
    EXPECT_EQ(TakeRowsOf(store, elsewhere, b.rows, b.sources, slots), -1);
    // Nor after the store gave its events slots of their own: the rows'
    // slots would name other events.
    b = Build(store, Day(2010, 10, 12));
    slots.clear();
    for (const int src : b.sources) slots.push_back(store.SlotOf(src));
    const TakenEvents first = store.Take(0, [](int position, uint32_t) { return position < 2; });
    store.Compact();
    EXPECT_EQ(TakeRowsOf(store, first, b.rows, b.sources, slots), -1);
}

}  // namespace
