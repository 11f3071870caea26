// Building the day list over stores of growing size. The list is rebuilt
// every 28 seconds while the program runs, so its cost per stored event is
// what matters: reported as ns_per_event.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "dayview/day_list.h"
#include "events/recurrence.h"
#include "events/ansi.h"

namespace {

// A store as a user collects it over the years: mostly simple events, some
// lasting ones, repeating ones and to-dos, and imported moon days.
TodoItems MakeStore(int count) {
    static const std::string kNames[] = {
        ansi("Врач"), ansi("Позвонить маме"), ansi("Совещание отдела продаж"), ansi("Спортзал"),
        ansi("Оплатить квартиру и интернет"), ansi("День рождения Светланы Петровны"),
        ansi("Купить хлеб"), ansi("~ 14-й лунный день")};
    std::mt19937 rng(12345);
    const TDateTime first = EncodeDate(2006, 1, 1);
    const int spanDays = 8 * 365;
    TodoItems store;
    store.Reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        TTodoItem& e = store.Add();
        e.Subject = kNames[rng() % 8];
        e.Notes = {ansi("Подробности события")};
        const int minute = static_cast<int>(rng() % 1440);
        e.CreationDate = AddMinutes(first + static_cast<int>(rng() % spanDays), minute);
        e.Category = e.Project = e.Resource = "0";
        e.ImageIndex = static_cast<int>(rng() % 10);
        e.Complete = rng() % 4 == 0;
        const unsigned kind = rng() % 100;
        if (kind < 6) {  // lasting
            const int unit = 1 + static_cast<int>(rng() % 6);
            const int n = 1 + static_cast<int>(rng() % 10);
            e.Category = std::to_string(n);
            e.Project = std::to_string(unit);
            e.CompletionDate = AddInterval(n, unit, e.CreationDate);
        } else if (kind < 12) {  // repeating
            e.DueDate = e.CreationDate;
            const unsigned how = rng() % 5;
            if (how == 0) {
                e.Resource = std::to_string(1 + rng() % 127);
            } else {
                static const char* const kUnits[] = {"1", "3", "4", "5", "6"};
                e.Project = kUnits[rng() % 5];
                e.Category = std::to_string(1 + rng() % 30);
            }
        } else if (kind < 18) {  // to-do
            e.CompletionDate = AddMinutes(e.CreationDate, 30 + static_cast<int>(rng() % (5 * 1440)));
        }
    }
    return store;
}

void BM_UpDateTdList_DayMode(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const TodoItems store = MakeStore(n);
    const TDateTime day = EncodeDate(2010, 10, 12);
    const TDateTime now = EncodeDateTime(2010, 10, 12, 12, 0, 17);
    const DayListFormats fmt;
    TDayRows out;
    for (auto _ : state) {
        UpDateTdList(store, day, ListMode::Day, now, fmt, out);
        benchmark::DoNotOptimize(out.size());
        benchmark::ClobberMemory();
    }
    state.counters["rows"] = static_cast<double>(out.size());
    state.counters["ns_per_event"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_UpDateTdList_DayMode)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
