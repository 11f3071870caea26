// What the main window does with the store before it is first shown, step
// by step, on realistic stores: read the file, mark every start day, refresh
// the shown months' marks, build today's day list and today's reminder list.
// bench/startup.sh times the same in the real program.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unordered_set>

#include "bench/realistic_store.h"
#include "dayview/day_list.h"
#include "dayview/markers.h"
#include "events/event_file.h"

namespace {

const TDateTime kToday = EncodeDate(2021, 6, 15);

std::filesystem::path StoreFile(int n) {
    const auto file = std::filesystem::temp_directory_path() / ("dayloom_bench_startup_" + std::to_string(n) + ".db");
    if (!std::filesystem::exists(file)) SaveToFile(file, bench::MakeRealisticStore(n, EncodeDate(2017, 1, 1)), false);
    return file;
}

enum Step { Load, MarkStartDays, RefreshMonths, DayList, ReminderList, All };

void BM_StartUp(benchmark::State& state, Step step) {
    const int n = static_cast<int>(state.range(0));
    const auto file = StoreFile(n);
    TodoItems store;
    if (step != Load && step != All) LoadFromFile(file, store);
    const TCalendarEvent proto;
    for (auto _ : state) {
        if (step == Load || step == All) {
            state.PauseTiming();
            store = TodoItems();
            state.ResumeTiming();
            LoadFromFile(file, store);
        }
        TCalendarEvents marks;
        if (step == MarkStartDays || step == All) {
            std::unordered_set<int64_t> seen;
            for (const TTodoItem& e : store)
                if (seen.insert(DayNumber(e.CreationDate)).second) AddEventToCalendar(marks, proto, DateOf(e.CreationDate));
        }
        if (step == RefreshMonths || step == All) UpdateMarkersOfMonth(store, marks, proto, 2021, 6);
        TDayRows list;
        if (step == DayList || step == All) UpDateTdList(store, kToday, ListMode::Day, kToday + 0.5, {}, list);
        if (step == ReminderList || step == All) UpDateTdList(store, kToday, ListMode::Reminder, kToday + 0.5, {}, list);
        benchmark::DoNotOptimize(list.size());
        benchmark::DoNotOptimize(marks.Count());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

#define STARTUP_STEP(step) \
    BENCHMARK_CAPTURE(BM_StartUp, step, step)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)
STARTUP_STEP(Load);
STARTUP_STEP(MarkStartDays);
STARTUP_STEP(RefreshMonths);
STARTUP_STEP(DayList);
STARTUP_STEP(ReminderList);
STARTUP_STEP(All);

}  // namespace

BENCHMARK_MAIN();
