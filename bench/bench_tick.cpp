// The reminder timer's tick on a large store: 1,000,000 events over ten
// years, 3,800 of them reminding earlier today. The first tick raises every
// one of them; every tick after it must cost what is due, not what was raised.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "dayview/day_list.h"
#include "dayview/reminder_tick.h"
#include "events/ansi.h"

namespace {

const TDateTime kToday = EncodeDate(2010, 10, 11);

TodoItems MakeStore(int count, int dueToday) {
    std::mt19937 rng(2010);
    TodoItems store;
    store.Reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TTodoItem& e = store.Add();
        e.Subject = ansi("Событие ") + std::to_string(i);
        e.Category = e.Project = e.Resource = "0";
        e.ImageIndex = 1;
        // The first `dueToday` remind between midnight and 9:00 today.
        e.CreationDate = i < dueToday ? AddMinutes(kToday, static_cast<int>(rng() % 540))
                                      : AddMinutes(EncodeDate(2005, 1, 1) + static_cast<int>(rng() % 3650),
                                                   static_cast<int>(rng() % 1440));
    }
    return store;
}

struct Day {
    TodoItems store = MakeStore(1000000, 3800);
    TDayRows alert;
    TDateTime now = AddMinutes(kToday, 600);  // 10:00
    Day() { UpDateTdList(store, kToday, ListMode::Reminder, now, DayListFormats{}, alert); }
};

const Day& TheDay() {
    static const Day day;
    return day;
}

void BM_TickRaisingAll(benchmark::State& state) {
    const Day& d = TheDay();
    for (auto _ : state) {
        ReminderMemory memory;
        const TickActions a = ReminderTick({d.now, d.alert, false, true, 0, kToday, {}}, memory);
        benchmark::DoNotOptimize(a.steps.size());
    }
    state.counters["due"] = static_cast<double>(d.alert.size());
}
BENCHMARK(BM_TickRaisingAll)->Unit(benchmark::kMillisecond);

void BM_TickAfterRaising(benchmark::State& state) {
    const Day& d = TheDay();
    ReminderMemory memory;
    ReminderTick({d.now, d.alert, false, true, 0, kToday, {}}, memory);
    for (auto _ : state) {
        const TickActions a = ReminderTick({d.now, d.alert, false, true, 0, kToday, {}}, memory);
        benchmark::DoNotOptimize(a.steps.size());
    }
    state.counters["raised"] = static_cast<double>(memory.raised.size());
}
BENCHMARK(BM_TickAfterRaising)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
