// The index of the document by day: whatever the changes, the day list, the
// reminder list, the marks and the start counts it answers are those of a
// walk of the whole store.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "dayview/day_list.h"
#include "dayview/markers.h"
#include "events/event_document.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

// Every shape of event the rules tell apart, starting around March 2010:
// simple ones, to-dos and lasting spans of a few days or of months,
// repetitions by every unit and by weekdays, completed ones, reminders a day
// ahead, and starts and ends outside the calendar.
TTodoItem RandomEvent(std::mt19937& rng, int serial) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const TDateTime start = Day(2010, 2, 1) + pick(120) + pick(1440) / 1440.0;
    Event e("событие " + std::to_string(serial), start);
    e.Alert(pick(10));
    switch (pick(9)) {
        case 0: break;  // simple
        case 1: e.Until(start + pick(5) + pick(100) / 100.0); break;        // a to-do of a few days
        case 2: e.Until(start + 70 + pick(100)); break;                      // longer than any filed span
        case 3: e.Repeat(std::to_string(1 + pick(3)), std::to_string(3 + pick(4))); break;  // days..years
        case 4: e.Repeat(std::to_string(pick(3)), std::to_string(1 + pick(2))); break;      // minutes, hours
        case 5: e.Repeat("0", "0", std::to_string(1 + pick(127))); break;   // weekdays
        case 6: e.Repeat(std::to_string(1 + pick(3)), "3").Until(start + pick(4)); break;  // a lasting span
        case 7: e.Repeat("x", "9"); break;                                   // a repetition that does not read
        default: {
            TTodoItem odd = e;
            odd.CreationDate = pick(2) ? -1e7 : std::numeric_limits<double>::quiet_NaN();
            if (pick(2)) odd.CompletionDate = 1e7;
            return odd;
        }
    }
    if (pick(4) == 0) e.Done();
    return e;
}

std::string Shown(const TDayRows& rows, const std::vector<int>& sources) {
    std::string s;
    for (size_t i = 0; i < rows.size(); ++i)
        s += rows[i].Subject + "|" + std::to_string(rows[i].Moment) + "|" + rows[i].StartText + "|" +
             std::to_string(static_cast<int>(rows[i].Kind)) + "|" + std::to_string(sources[i]) + "\n";
    return s;
}

void ExpectSameAsAWalk(const EventDocument& doc) {
    const TodoItems& events = doc.Events();
    const EventIndex* index = &doc.Index();
    const DayListFormats fmt;
    const TDateTime now = At(2010, 3, 15, 12, 0);
    TDayRows walked, indexed;
    std::vector<int> walkedFrom, indexedFrom;
    for (TDateTime day = Day(2010, 1, 25); day <= Day(2010, 7, 10); day += 1) {
        for (const TDateTime d : {day, day + 0.6}) {
            for (const ListMode mode : {ListMode::Day, ListMode::Reminder}) {
                UpDateTdList(events, d, mode, now, fmt, walked, &walkedFrom);
                UpDateTdList(events, d, mode, now, fmt, indexed, &indexedFrom, index);
                ASSERT_EQ(Shown(indexed, indexedFrom), Shown(walked, walkedFrom))
                    << "day " << d << (mode == ListMode::Day ? " (day list)" : " (reminders)");
            }
        }
        ASSERT_EQ(StartsOnDay(events, day, index), StartsOnDay(events, day)) << day;
    }
    // Each event found again by its identity (the first of equal ones), and
    // one no event has.
    for (const TTodoItem& e : events)
        ASSERT_EQ(FindByIdentity(events, *index, e.CreationDate, e.Subject),
                  FindByIdentity(events, e.CreationDate, e.Subject)) << e.Subject;
    EXPECT_EQ(FindByIdentity(events, *index, At(2010, 3, 1, 9, 0), "нет такого"), -1);
    for (int month = 1; month <= 7; ++month) {
        TCalendarEvents walkedMarks, indexedMarks;
        const TCalendarEvent proto;
        for (const TTodoItem& e : events) {
            AddEventToCalendar(walkedMarks, proto, DateOf(e.CreationDate));
            AddEventToCalendar(indexedMarks, proto, DateOf(e.CreationDate));
        }
        const TMarkChanges a = UpdateMarkersOfMonth(events, walkedMarks, proto, 2010, month);
        const TMarkChanges b = UpdateMarkersOfMonth(events, indexedMarks, proto, 2010, month, index);
        ASSERT_EQ(b.Days(), a.Days()) << "month " << month;
    }
}

TEST(EventIndex, AnswersAsAWalkOfTheStoreThroughEveryKindOfChange) {
    std::mt19937 rng(20101011);
    TempFolder folder;
    EventDocument doc(folder.path() / "ListToDo.db");
    int serial = 0;
    doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) {
        for (int i = 0; i < 400; ++i) e.Add(RandomEvent(rng, serial++));
    });
    ExpectSameAsAWalk(doc);
    for (int round = 0; round < 12 && !HasFatalFailure(); ++round) {
        const size_t n = static_cast<size_t>(doc.Count());
        doc.Change(ChangeKind::Edited, [&](EventDocument::Edit& e) {
            switch (round % 4) {
                case 0: e.Remove(rng() % n); break;                          // Del
                case 1:                                                      // a purge of many
                    // From anywhere: the taken slots' words need not meet the index's.
                    for (size_t i = rng() % 70; i < n; i += 1 + rng() % 3) e.Remove(i);
                    break;
                case 2: {                                                    // completion, a move, a new kind
                    TTodoItem done = doc[static_cast<int>(rng() % n)];
                    done.Complete = !done.Complete;
                    e.Replace(rng() % n, RandomEvent(rng, serial++));
                    e.Replace(rng() % n, done);
                    e.Remove(rng() % n);
                    break;
                }
                default:                                                     // an import, with copies
                    for (int i = 0; i < 150; ++i) e.Add(RandomEvent(rng, serial++));
                    for (int i = 0; i < 5; ++i) e.Add(doc[static_cast<int>(rng() % n)]);
            }
        });
        ExpectSameAsAWalk(doc);
    }
}

// An event is looked at on its own days: its start, the days its span covers,
// the days its repetition can fall on (by day of year, of month, weekday or
// period); only long spans are looked at every day.
TEST(EventIndex, KeepsApartOnlyWhatCanFallOnAnyDay) {
    TempFolder folder;
    EventDocument doc(folder.path() / "ListToDo.db");
    doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) {
        e.Add(Event("простое", At(2010, 3, 5, 10, 0)));
        e.Add(Event("три дня", At(2010, 3, 5, 10, 0)).Until(At(2010, 3, 7, 9, 0)));
        e.Add(Event("полгода", At(2010, 3, 5, 10, 0)).Until(At(2010, 9, 5, 9, 0)));
        e.Add(Event("каждую неделю", At(2010, 3, 5, 10, 0)).Repeat("1", "4"));
        e.Add(Event("каждый час", At(2010, 3, 5, 10, 0)).Repeat("1", "2"));
        e.Add(Event("по средам", At(2010, 3, 5, 10, 0)).Repeat("0", "0", "8"));
    });
    const EventIndex& index = doc.Index();
    EXPECT_EQ(index.KeptApart(), 3u);  // half a year, every week, Wednesdays
    std::vector<int> on;
    index.Candidates(DayNumber(Day(2010, 3, 6)), false, on);  // a Saturday
    EXPECT_EQ(on, (std::vector<int>{1, 2}));
    index.Candidates(DayNumber(Day(2010, 3, 10)), false, on);  // a Wednesday
    EXPECT_EQ(on, (std::vector<int>{2, 5}));
    index.Candidates(DayNumber(Day(2010, 3, 12)), false, on);  // a week after the start
    EXPECT_EQ(on, (std::vector<int>{2, 3}));
    index.Candidates(DayNumber(Day(2010, 3, 4)), true, on);  // the next day's starts for reminders
    EXPECT_EQ(on, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(index.StartsOn(DayNumber(Day(2010, 3, 5))), 6);
    EXPECT_EQ(index.StartsOn(DayNumber(Day(2010, 3, 6))), 0);

    // A removal moves no event: the others keep their slots, the removed one's is skipped.
    doc.Change(ChangeKind::Deleted, [&](EventDocument::Edit& e) { e.Remove(0); });
    index.Candidates(DayNumber(Day(2010, 3, 6)), false, on);
    EXPECT_EQ(on, (std::vector<int>{1, 2}));
    EXPECT_EQ(doc.Events().PositionOf(1), 0);
    EXPECT_EQ(doc.Events().PositionOf(0), -1);
    EXPECT_EQ(index.StartsOn(DayNumber(Day(2010, 3, 5))), 5);

    // An event changed and removed in one change leaves nothing behind.
    doc.Change(ChangeKind::Edited, [&](EventDocument::Edit& e) {
        e.Replace(0, Event("перенесено", At(2010, 3, 20, 10, 0)));
        e.Remove(0);
    });
    EXPECT_EQ(index.StartsOn(DayNumber(Day(2010, 3, 20))), 0);
    EXPECT_EQ(index.StartsOn(DayNumber(Day(2010, 3, 5))), 4);
}

}  // namespace
