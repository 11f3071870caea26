// Reading and writing the event file with realistic stores.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "events/ansi.h"
#include "events/event_file.h"

namespace {

TodoItems MakeStore(int n) {
    static const char* const kNames[] = {"Встреча с заказчиком", "Позвонить маме", "Оплатить счета",
                                         "Тренировка", "День рождения Ольги", "Сдать отчёт",
                                         "Купить продукты", "Стоматолог"};
    static const char* const kNotes[] = {"", "Взять документы и паспорт.",
                                         "Обсудить план на квартал.\r\nПодготовить презентацию.",
                                         "Не забыть!"};
    std::mt19937 rng(42);
    TodoItems items;
    items.Reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        TTodoItem& it = items.Add();
        it.Subject = ansi(kNames[rng() % 8]);
        it.SetNotesText(ansi(kNotes[rng() % 4]));
        it.CreationDate = it.DueDate = EncodeDateTime(2020, 1, 1) + rng() % 3650 + (rng() % 96) / 96.0;
        it.ImageIndex = static_cast<int>(rng() % 10);
        it.Category = std::to_string(rng() % 5);
        it.Project = std::to_string(rng() % 7);
        it.Resource = "0";
    }
    return items;
}

std::filesystem::path BenchFile() {
    return std::filesystem::temp_directory_path() / "dayloom_bench_ListToDo.db";
}

void BM_SaveToFile(benchmark::State& state) {
    const TodoItems items = MakeStore(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const WriteResult w = SaveToFile(BenchFile(), items, false);
        if (!w.ok) state.SkipWithError(w.error.c_str());
    }
    state.counters["bytes/event"] =
        static_cast<double>(std::filesystem::file_size(BenchFile())) / static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadFromFile(benchmark::State& state) {
    const TodoItems items = MakeStore(static_cast<int>(state.range(0)));
    SaveToFile(BenchFile(), items, false);
    size_t textBytes = 0;
    for (const auto& it : items) {
        textBytes += it.Subject.size() + it.Category.size() + it.Project.size() + it.Resource.size();
        for (const auto& l : it.Notes) textBytes += l.size();
    }
    TodoItems back;
    for (auto _ : state) {
        const LoadReport rep = LoadFromFile(BenchFile(), back);
        if (rep.status != LoadReport::Status::Ok) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(back.Count());
    }
    // Memory held per event beyond its text bytes: the record itself plus the
    // heap blocks of its strings (counted at their capacity, 16-byte rounded).
    size_t heap = back.Vector().capacity() * sizeof(TTodoItem);
    auto block = [](const std::string& s) { return s.capacity() > 15 ? (s.capacity() + 1 + 15) / 16 * 16 : 0; };
    for (const auto& it : back) {
        heap += block(it.Subject) + block(it.Category) + block(it.Project) + block(it.Resource);
        heap += it.Notes.capacity() * sizeof(std::string);
        for (const auto& l : it.Notes) heap += block(l);
    }
    state.counters["mem-text bytes/event"] =
        static_cast<double>(heap - std::min(heap, textBytes)) / static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_LoadFromFile)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToFile)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
