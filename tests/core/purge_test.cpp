#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dayview/markers.h"
#include "events/date_time.h"
#include "events/purge.h"
#include "events/todo_item.h"
#include "tests/support/builders.h"

namespace {

const TDateTime kNow = At(2010, 10, 15, 14, 0);  // a Friday afternoon

TEST(Purge, WhichEventsGo) {
    struct Case { const char* what; TTodoItem event; bool purged; };
    const TDateTime tomorrow = At(2010, 10, 16, 9, 0);
    const Case cases[] = {
        {"to-do ended yesterday", Event("t", At(2010, 10, 10, 9)).Until(At(2010, 10, 14, 18)), true},
        {"to-do ending earlier today", Event("t", At(2010, 10, 10, 9)).Until(At(2010, 10, 15, 9)), false},
        {"to-do ending tomorrow", Event("t", At(2010, 10, 10, 9)).Until(tomorrow), false},
        {"completed to-do ending tomorrow", Event("t", At(2010, 10, 10, 9)).Until(tomorrow).Done(), true},
        {"completed to-do of next week", Event("t", At(2010, 10, 20, 9)).Until(At(2010, 10, 22, 9)).Done(), true},
        {"lasting 30 minutes, ended yesterday", Event("l", At(2010, 10, 14, 23, 0)).Lasting(30, kUnitMinutes), true},
        {"lasting 3 days, ended", Event("l", At(2010, 10, 1, 9)).Lasting(3, kUnitDays), false},
        {"lasting 1 year, ended, completed", Event("l", At(2008, 10, 1, 9)).Lasting(1, kUnitYears).Done(), true},
        {"simple, yesterday 23:59", Event("s", At(2010, 10, 14, 23, 59)), true},
        {"simple, today 00:00", Event("s", At(2010, 10, 15, 0, 0)), false},
        {"completed simple tomorrow", Event("s", tomorrow).Done(), false},
        {"completed simple this morning", Event("s", At(2010, 10, 15, 8)).Done(), false},
        {"imported, last month", Event("~moon", At(2010, 9, 3, 4, 12)), true},
        {"every Monday since last year", Event("w", At(2009, 3, 2, 9)).Repeat("0", "0", "32"), false},
        {"every Monday, completed", Event("w", At(2009, 3, 2, 9)).Repeat("0", "0", "32").Done(), true},
        {"daily since last year", Event("r", At(2009, 3, 2, 9)).Repeat("1", "3"), false},
        {"yearly, completed", Event("r", At(2009, 3, 2, 9)).Repeat("1", "6").Done(), true},
        {"every 2 hours since yesterday", Event("h", At(2010, 10, 14, 8)).Repeat("2", "2"), true},
        {"every 2 hours from today", Event("h", At(2010, 10, 15, 8)).Repeat("2", "2"), false},
        {"every 5 minutes on Mondays", Event("m", At(2010, 10, 11, 8)).Repeat("5", "1", "32"), false},
        {"unit that is no number", Event("x", At(2010, 10, 1, 8)).Repeat("1", "x3"), true},
        {"unit beyond years", Event("x", At(2010, 10, 1, 8)).Repeat("1", "7"), true},
        {"mask without a weekday bit", Event("x", At(2010, 10, 1, 8)).Repeat("0", "0", "128"), true},
        {"start that is no date", Event("x", NAN), false},
        {"end that is no date, start before today", Event("x", At(2010, 10, 1, 8)).Until(NAN), true},
    };
    for (const Case& c : cases) EXPECT_EQ(IsPurgeable(c.event, kNow), c.purged) << c.what;
    // The purge asks the first past day instead: the same answer on any day.
    for (const Case& c : cases)
        for (TDateTime at = At(2008, 9, 30, 23, 59); at < At(2011, 1, 1); at += 0.75) {
            const int32_t from = PastFromDay(c.event);
            if (from == kPastAsk) continue;
            EXPECT_EQ(from <= SafeDayNumber(at), IsPurgeable(c.event, at)) << c.what << " at " << at;
        }
    // No day to compare with: nothing goes, not even a completed to-do.
    EXPECT_FALSE(IsPurgeable(Event("s", At(2000, 1, 1)), NAN));
    EXPECT_FALSE(IsPurgeable(Event("t", At(2000, 1, 1)).Until(At(2000, 1, 2)).Done(), NAN));
}

// The purge as a scan deleting one event at a time, asking before each
// deletion whether its start day keeps its mark. Subjects hold positions.
void PurgeOneByOne(TodoItems& store, TDateTime now, std::vector<size_t>& removed,
                   std::vector<TDateTime>& unmarked) {
    for (int i = 0; i < store.Count();) {
        if (!IsPurgeable(store[i], now)) { ++i; continue; }
        if (getbDeleteEventFromCal(store, true, store[i].CreationDate))
            unmarked.push_back(DateOf(store[i].CreationDate));
        removed.push_back(std::stoul(store[i].Subject));
        store.Delete(i);
    }
}

TEST(Purge, RemovesAndUnmarksAsOneDeletionAtATime) {
    const char* const units[] = {"0", "0", "0", "1", "2", "3", "4", "5", "6", "7", "q"};
    const char* const masks[] = {"0", "0", "0", "0", "32", "1", "128"};
    for (unsigned seed = 0; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        TodoItems store;
        for (int i = 0, n = seed == 0 ? 0 : pick(60); i < n; ++i) {  // seed 0: empty store
            const TDateTime start = At(2010, 10, 1) + pick(30) + pick(1440) * kOneMinute;
            const TDateTime end = pick(3) == 0 ? start + pick(5) : 0;
            const char* unit = units[pick(11)];
            const char* mask = masks[pick(7)];
            store.Add(Event(std::to_string(i), start).Repeat("1", unit, mask).Until(end).Done(pick(4) == 0));
        }
        TodoItems expected = store;
        std::vector<size_t> wantRemoved;
        std::vector<TDateTime> wantUnmarked, unmarked;
        PurgeOneByOne(expected, kNow, wantRemoved, wantUnmarked);

        EXPECT_EQ(PurgeOldEvents(store, kNow, &unmarked), wantRemoved) << "seed " << seed;
        EXPECT_EQ(unmarked, wantUnmarked) << "seed " << seed;
        ASSERT_EQ(store.Count(), expected.Count()) << "seed " << seed;
        for (int i = 0; i < store.Count(); ++i) EXPECT_EQ(store[i].Subject, expected[i].Subject);
    }
}

}  // namespace
