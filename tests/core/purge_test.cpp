#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dayview/markers.h"
#include "events/date_time.h"
#include "events/purge.h"
#include "widgets/todo_item.h"

namespace {

TDateTime At(int y, int m, int d, int h = 0, int mi = 0) { return EncodeDateTime(y, m, d, h, mi); }

TTodoItem Event(const std::string& name, TDateTime start, TDateTime end = 0,
                const std::string& count = "0", const std::string& unit = "0",
                const std::string& mask = "0", bool complete = false) {
    TTodoItem e;
    e.Subject = name;
    e.CreationDate = start;
    e.CompletionDate = end;
    e.Category = count;
    e.Project = unit;
    e.Resource = mask;
    e.Complete = complete;
    if (end == 0 && (unit != "0" || mask != "0")) e.DueDate = start;
    return e;
}

const TDateTime kNow = At(2010, 10, 15, 14, 0);  // a Friday afternoon

TEST(Purge, WhichEventsGo) {
    struct Case {
        const char* what;
        TTodoItem event;
        bool purged;
    };
    const Case cases[] = {
        {"to-do ended yesterday", Event("t", At(2010, 10, 10, 9), At(2010, 10, 14, 18)), true},
        {"to-do ending earlier today", Event("t", At(2010, 10, 10, 9), At(2010, 10, 15, 9)), false},
        {"to-do ending tomorrow", Event("t", At(2010, 10, 10, 9), At(2010, 10, 16, 9)), false},
        {"completed to-do ending tomorrow",
         Event("t", At(2010, 10, 10, 9), At(2010, 10, 16, 9), "0", "0", "0", true), true},
        {"completed to-do of next week",
         Event("t", At(2010, 10, 20, 9), At(2010, 10, 22, 9), "0", "0", "0", true), true},
        {"lasting 30 minutes, ended yesterday",
         Event("l", At(2010, 10, 14, 23, 0), At(2010, 10, 14, 23, 30), "30", "1"), true},
        {"lasting 3 days, ended", Event("l", At(2010, 10, 1, 9), At(2010, 10, 4, 9), "3", "3"), false},
        {"lasting 1 year, ended, completed",
         Event("l", At(2008, 10, 1, 9), At(2009, 10, 1, 9), "1", "6", "0", true), true},
        {"simple, yesterday 23:59", Event("s", At(2010, 10, 14, 23, 59)), true},
        {"simple, today 00:00", Event("s", At(2010, 10, 15, 0, 0)), false},
        {"completed simple tomorrow", Event("s", At(2010, 10, 16, 9), 0, "0", "0", "0", true), false},
        {"completed simple this morning", Event("s", At(2010, 10, 15, 8), 0, "0", "0", "0", true), false},
        {"imported, last month", Event("~moon", At(2010, 9, 3, 4, 12)), true},
        {"every Monday since last year", Event("w", At(2009, 3, 2, 9), 0, "0", "0", "32"), false},
        {"every Monday, completed", Event("w", At(2009, 3, 2, 9), 0, "0", "0", "32", true), true},
        {"daily since last year", Event("r", At(2009, 3, 2, 9), 0, "1", "3"), false},
        {"weekly since last year", Event("r", At(2009, 3, 2, 9), 0, "2", "4"), false},
        {"monthly since last year", Event("r", At(2009, 3, 2, 9), 0, "1", "5"), false},
        {"yearly, completed", Event("r", At(2009, 3, 2, 9), 0, "1", "6", "0", true), true},
        {"every 2 hours since yesterday", Event("h", At(2010, 10, 14, 8), 0, "2", "2"), true},
        {"every 2 hours from today", Event("h", At(2010, 10, 15, 8), 0, "2", "2"), false},
        {"every 5 minutes on Mondays", Event("m", At(2010, 10, 11, 8), 0, "5", "1", "32"), false},
        {"unit that is no number", Event("x", At(2010, 10, 1, 8), 0, "1", "x3"), true},
        {"unit beyond years", Event("x", At(2010, 10, 1, 8), 0, "1", "7"), true},
        {"mask without a weekday bit", Event("x", At(2010, 10, 1, 8), 0, "0", "0", "128"), true},
        {"start that is no date", Event("x", NAN), false},
        {"end that is no date, start before today", Event("x", At(2010, 10, 1, 8), NAN), true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPurgeable(c.event, kNow), c.purged) << c.what;
    EXPECT_FALSE(IsPurgeable(Event("s", At(2000, 1, 1)), NAN));
}

TEST(Purge, RemovesInOrderAndNamesTheDaysLeftWithoutEvents) {
    TodoItems store;
    store.Add(Event("a", At(2010, 10, 12, 9)));                   // 0 goes
    store.Add(Event("b", At(2010, 10, 13, 9), 0, "1", "4"));      // 1 stays, weekly
    store.Add(Event("c", At(2010, 10, 12, 18)));                  // 2 goes: 12 Oct now empty
    store.Add(Event("d", At(2010, 10, 13, 20)));                  // 3 goes, 13 Oct keeps b
    store.Add(Event("e", At(2010, 10, 16, 9)));                   // 4 stays
    store.Add(Event("f", At(2010, 10, 14, 9), At(2010, 10, 14, 10)));  // 5 goes
    std::vector<TDateTime> unmark;
    EXPECT_EQ(PurgeOldEvents(store, kNow, &unmark), (std::vector<size_t>{0, 2, 3, 5}));
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store[0].Subject, "b");
    EXPECT_EQ(store[1].Subject, "e");
    EXPECT_EQ(unmark, (std::vector<TDateTime>{At(2010, 10, 12), At(2010, 10, 14)}));

    TodoItems empty;
    EXPECT_TRUE(PurgeOldEvents(empty, kNow, &unmark).empty());
}

// The purge as a scan that deletes one event at a time, asking before each
// deletion whether the start day keeps its mark.
void PurgeOneByOne(TodoItems& store, TCalendarEvents& marks, TDateTime now) {
    for (int i = 0; i < store.Count();) {
        if (!IsPurgeable(store[i], now)) { ++i; continue; }
        if (getbDeleteEventFromCal(store, true, store[i].CreationDate))
            DeleteEventFromCalendar(marks, store[i].CreationDate);
        store.Delete(i);
    }
}

TEST(Purge, MarksEndAsWithOneDeletionAtATime) {
    const char* const units[] = {"0", "0", "0", "1", "2", "3", "4", "5", "6", "7", "q"};
    const char* const masks[] = {"0", "0", "0", "0", "32", "1", "128"};
    TCalendarEvent proto;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        TodoItems store;
        for (int i = pick(60); i > 0; --i) {
            const TDateTime start = At(2010, 10, 1) + pick(30) + pick(1440) * kOneMinute;
            const TDateTime end = pick(3) == 0 ? start + pick(5) : 0;
            store.Add(Event("n" + std::to_string(i), start, end, "1", units[pick(11)],
                            masks[pick(7)], pick(4) == 0));
        }
        TCalendarEvents one, all;
        for (const TTodoItem& e : store) {
            AddEventToCalendar(one, proto, e.CreationDate);
            AddEventToCalendar(all, proto, e.CreationDate);
        }
        TodoItems expected = store;
        PurgeOneByOne(expected, one, kNow);

        std::vector<TDateTime> unmark;
        const size_t before = static_cast<size_t>(store.Count());
        const std::vector<size_t> removed = PurgeOldEvents(store, kNow, &unmark);
        for (TDateTime d : unmark) EXPECT_TRUE(DeleteEventFromCalendar(all, d)) << "seed " << seed;

        ASSERT_EQ(store.Count(), expected.Count()) << "seed " << seed;
        EXPECT_EQ(removed.size(), before - static_cast<size_t>(store.Count()));
        for (int i = 0; i < store.Count(); ++i) EXPECT_EQ(store[i].Subject, expected[i].Subject);
        ASSERT_EQ(all.Count(), one.Count()) << "seed " << seed;
        for (int i = 0; i < all.Count(); ++i) EXPECT_EQ(all[i].Date, one[i].Date) << "seed " << seed;
    }
}

TEST(Purge, DeletingTheSelectedEvent) {
    TodoItems store, alerts;
    store.Add(Event("same", At(2010, 10, 15, 9)));
    store.Add(Event("other", At(2010, 10, 15, 9)));
    store.Add(Event("same", At(2010, 10, 15, 9)));
    store[2].Notes = {"second of the pair"};
    alerts.Add(Event("other", At(2010, 10, 15, 9)));
    alerts.Add(Event("same", At(2010, 10, 15, 9)));
    const TTodoItem copy = Event("same", At(2010, 10, 15, 9));

    // Not today: the reminder list is left alone; of two alike the first goes.
    TDeleteResult r = DeleteSelectedEvent(store, alerts, copy, false);
    EXPECT_EQ(r.StorePos, 0);
    EXPECT_EQ(r.AlertPos, -1);
    ASSERT_EQ(store.Count(), 2);
    EXPECT_EQ(store[1].Notes, std::vector<std::string>{"second of the pair"});
    EXPECT_EQ(alerts.Count(), 2);

    r = DeleteSelectedEvent(store, alerts, copy, true);
    EXPECT_EQ(r.StorePos, 1);
    EXPECT_EQ(r.AlertPos, 1);
    EXPECT_EQ(alerts.Count(), 1);

    // No source left: nothing goes, not even the reminder copy.
    alerts.Add(copy);
    r = DeleteSelectedEvent(store, alerts, copy, true);
    EXPECT_EQ(r.StorePos, -1);
    EXPECT_EQ(r.AlertPos, -1);
    EXPECT_EQ(store.Count(), 1);
    EXPECT_EQ(alerts.Count(), 2);

    // Names differing in case are other events; the copy may sit in the list.
    EXPECT_EQ(DeleteByIdentity(alerts, Event("OTHER", At(2010, 10, 15, 9))), -1);
    EXPECT_EQ(DeleteByIdentity(alerts, alerts[1]), 1);
    EXPECT_EQ(alerts.Count(), 1);
}

TEST(Purge, CompletionToggle) {
    TodoItems store;
    store.Add(Event("a", At(2010, 10, 15, 9)));
    TTodoItem copy = Event("a", At(2010, 10, 15, 9));
    EXPECT_EQ(ToggleCompletion(store, copy, false), true);
    EXPECT_TRUE(store[0].Complete);
    EXPECT_TRUE(copy.Complete);
    EXPECT_EQ(ToggleCompletion(store, copy, true), false);
    EXPECT_FALSE(store[0].Complete);
    EXPECT_FALSE(copy.Complete);

    TTodoItem stray = Event("a", At(2010, 10, 15, 9, 1));
    EXPECT_FALSE(ToggleCompletion(store, stray, false).has_value());
    EXPECT_FALSE(stray.Complete);
    EXPECT_FALSE(store[0].Complete);
}

}  // namespace
