// Finding events at 1,000,000: what one key press costs (the search of the
// folded column, a screenful kept), and making the column when the search
// opens after a change.
#include <benchmark/benchmark.h>

#include "bench/realistic_store.h"
#include "events/ansi.h"
#include "events/event_search.h"

namespace {

const TodoItems& Store() {
    static const TodoItems store = bench::MakeRealisticStore(1000000, EncodeDate(2006, 1, 1));
    return store;
}

void BM_SearchKeyPress(benchmark::State& state, const char* typed) {
    EventSearch search;
    search.Build(Store());
    const std::string text = ansi(typed);
    size_t total = 0;
    for (auto _ : state) total = search.Find(text, EncodeDateTime(2010, 10, 12, 12, 0, 0), 40).total;
    state.counters["matches"] = static_cast<double>(total);
}
// One letter matches nearly everything; more letters, fewer.
BENCHMARK_CAPTURE(BM_SearchKeyPress, one_letter, "в")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchKeyPress, word, "стомат")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchKeyPress, notes, "слайд")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchKeyPress, nothing, "жираф")->Unit(benchmark::kMillisecond);

void BM_SearchBuild(benchmark::State& state) {
    EventSearch search;
    for (auto _ : state) search.Build(Store());
}
BENCHMARK(BM_SearchBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
