// Undo and redo of a purge of 100,000 events from 1,000,000: the history
// holds the removed records and gives them back through the document (its
// index included), as one change.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "bench/realistic_store.h"
#include "events/event_document.h"
#include "events/undo_history.h"

namespace {

struct Purged {
    explicit Purged(int count, int removed) : doc(std::filesystem::temp_directory_path() / "dayloom-bench-undo.db") {
        TodoItems store = bench::MakeRealisticStore(count, EncodeDate(2006, 1, 1));
        doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) {
            for (TTodoItem& x : store) e.Add(std::move(x));
        });
        history.Clear();
        const int step = count / removed;
        doc.Change(ChangeKind::Purged, [&](EventDocument::Edit& e) {
            for (int i = 0; i < removed; ++i) e.Remove(size_t(i * step));
        });
    }
    EventDocument doc;
    UndoHistory history{doc};
};

void BM_UndoPurge(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0)), removed = static_cast<int>(state.range(1));
    auto w = std::make_unique<Purged>(count, removed);
    for (auto _ : state) {
        w->history.Undo();
        state.PauseTiming();
        if (w->doc.Count() != count) state.SkipWithError("the purge was not undone whole");
        w->history.Redo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UndoPurge)->Args({1000000, 100000})->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RedoPurge(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0)), removed = static_cast<int>(state.range(1));
    auto w = std::make_unique<Purged>(count, removed);
    for (auto _ : state) {
        state.PauseTiming();
        w->history.Undo();
        state.ResumeTiming();
        w->history.Redo();
        state.PauseTiming();
        if (w->doc.Count() != count - removed) state.SkipWithError("the purge was not made again whole");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RedoPurge)->Args({1000000, 100000})->Unit(benchmark::kMillisecond)->Iterations(5);

// Undo of one deletion: the record is found among its day's events.
void BM_UndoDelete(benchmark::State& state) {
    auto w = std::make_unique<Purged>(static_cast<int>(state.range(0)), 1);
    for (auto _ : state) {
        w->history.Undo();
        w->history.Redo();
    }
}
BENCHMARK(BM_UndoDelete)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
