// Reading and writing the event file with realistic stores (realistic_store.h).
// A load goes into an empty store, as at start-up; its figures are the time,
// the file's bytes per event and the memory per event: the heap the store
// holds afterwards, counted by the allocator (glibc's mallinfo2) where it can.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "bench/realistic_store.h"
#include "events/event_file.h"

namespace {

std::filesystem::path BenchFile() {
    return std::filesystem::temp_directory_path() / "dayloom_bench_ListToDo.db";
}

size_t HeapInUse() {
#if defined(__GLIBC__)
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#else
    return 0;
#endif
}

// The second argument: 0 without the flush to disk, 1 with it (as the
// program saves), 2 only the part the window waits for (the temporary
// written; the flush and the rename run on another thread, not timed here).
void BM_SaveToFile(benchmark::State& state) {
    const TodoItems items = bench::MakeRealisticStore(static_cast<int>(state.range(0)), EncodeDate(2017, 1, 1));
    for (auto _ : state) {
        PreparedWrite prepared;
        const WriteResult w = state.range(1) == 2 ? PrepareEventFile(BenchFile(), items, prepared)
                                                  : SaveToFile(BenchFile(), items, state.range(1) != 0);
        if (state.range(1) == 2 && w.ok) {
            state.PauseTiming();
            CommitWrite(prepared);
            state.ResumeTiming();
        }
        if (!w.ok) state.SkipWithError(w.error.c_str());
    }
    state.counters["bytes/event"] =
        static_cast<double>(std::filesystem::file_size(BenchFile())) / static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadFromFile(benchmark::State& state) {
    const auto n = static_cast<double>(state.range(0));
    {
        const TodoItems items = bench::MakeRealisticStore(static_cast<int>(state.range(0)), EncodeDate(2017, 1, 1));
        SaveToFile(BenchFile(), items, false);
    }
    double held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto back = std::make_unique<TodoItems>();
        const size_t before = HeapInUse();
        state.ResumeTiming();
        const LoadReport rep = LoadFromFile(BenchFile(), *back);
        benchmark::DoNotOptimize(back->Count());
        state.PauseTiming();
        if (rep.status != LoadReport::Status::Ok) state.SkipWithError("load failed");
        held = static_cast<double>(HeapInUse() - before);
        back.reset();
        state.ResumeTiming();
    }
    state.counters["file bytes/event"] = static_cast<double>(std::filesystem::file_size(BenchFile())) / n;
    state.counters["memory bytes/event"] = held / n;
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_LoadFromFile)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToFile)
    ->Args({1000, 0})->Args({100000, 0})->Args({1000000, 0})
    ->Args({100000, 1})->Args({1000000, 1})->Args({100000, 2})->Args({1000000, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
