// The month refresh of the calendar's day marks: the one-pass refresh against
// the day-by-day rule (two walks of the store for each of the ~92 days), on
// stores of 1,000 to 100,000 events over 2008..2012, a tenth of them
// repeating with mixed units. The marks start as start-up leaves them (every
// start day marked); each iteration refreshes another month of 2010.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "dayview/markers.h"
#include "events/event_store.h"
#include "events/todo_item.h"
#include "tests/support/markers_reference.h"

namespace {

TodoItems MakeStore(int n) {
    std::mt19937 rng(20101013);
    auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<unsigned>(k)); };
    const TDateTime first = EncodeDate(2008, 1, 1);
    const int span = static_cast<int>(EncodeDate(2012, 12, 31) - first);
    TodoItems store;
    store.Reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TTodoItem& e = store.Add();
        e.Subject = "event " + std::to_string(i);
        e.CreationDate = first + pick(span) + (pick(96) * 15) * kOneMinute;
        e.Category = "0";
        e.Project = "0";
        e.Resource = "0";
        if (i % 10 == 0) {
            // Repeating: days, weeks, months, years, and now and then minutes,
            // hours or weekdays only; some completed.
            static const char* const units[] = {"3", "3", "4", "4", "5", "6", "1", "2", "0"};
            static const char* const counts[] = {"1", "2", "3", "1", "2", "1", "1", "1", "0"};
            const int k = pick(9);
            e.Project = units[k];
            e.Category = counts[k];
            if (k == 8) e.Resource = "42";
            e.DueDate = e.CreationDate;
            e.Complete = pick(8) == 0;
        } else if (i % 10 == 1) {
            e.CompletionDate = e.CreationDate + 1 + pick(5);  // to-do
        }
    }
    return store;
}

TCalendarEvents StartUpMarks(const TodoItems& store, const TCalendarEvent& proto) {
    TCalendarEvents marks;
    for (TDateTime d : StartDaysOf(store)) AddEventToCalendar(marks, proto, d);
    return marks;
}

template <bool Fast>
void BM_Refresh(benchmark::State& state) {
    const TodoItems store = MakeStore(static_cast<int>(state.range(0)));
    const TCalendarEvent proto;
    TCalendarEvents marks = StartUpMarks(store, proto);
    int month = 0;
    for (auto _ : state) {
        const TMarkChanges ch =
            Fast ? UpdateMarkersOfMonth(store, marks, proto, 2010, month + 1)
                 : UpdateMarkersOfMonthReference(store, marks, proto, 2010, month + 1);
        benchmark::DoNotOptimize(ch.Added.data());
        month = (month + 1) % 12;
    }
    state.counters["events"] = static_cast<double>(store.Count());
    state.counters["marks"] = static_cast<double>(marks.Count());
}

BENCHMARK_TEMPLATE(BM_Refresh, true)->Name("UpdateMarkersOfMonth")
    ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Refresh, false)->Name("UpdateMarkersOfMonthReference")
    ->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Refresh, false)->Name("UpdateMarkersOfMonthReference")
    ->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
