// The marker collection with a mark on every day of ten years: filling it the
// way start-up does, and one month refresh (93 days of find, delete, re-add).
#include <benchmark/benchmark.h>

#include "widgets/calendar_grid.h"

namespace {

constexpr int kDays = 3650;
const TDateTime kBase = EncodeDate(2005, 1, 1);

void FillMarkers(TCalendarEvents& ev) {
    for (int i = 0; i < kDays; ++i)
        if (ev.Find(kBase + i) < 0) ev.Add(kBase + i);
}

void BM_FillTenYears(benchmark::State& state) {
    for (auto _ : state) {
        TCalendarEvents ev;
        FillMarkers(ev);
        benchmark::DoNotOptimize(ev.Count());
    }
}
BENCHMARK(BM_FillTenYears);

void BM_MonthRefresh(benchmark::State& state) {
    TCalendarEvents ev;
    FillMarkers(ev);
    const TDateTime first = kBase + kDays / 2;
    for (auto _ : state) {
        for (int d = 0; d < 93; ++d) {
            const int pos = ev.Find(first + d);
            if (pos >= 0) ev.Delete(pos);
            if (ev.Find(first + d) < 0) ev.Add(first + d);
        }
    }
}
BENCHMARK(BM_MonthRefresh);

}  // namespace

BENCHMARK_MAIN();
