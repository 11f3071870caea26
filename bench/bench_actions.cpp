// The library's work behind each action of the window, at 1,000, 100,000 and
// 1,000,000 events: what follows a key press before the repaint. Each
// benchmark does what the day panel and the main window do after the action:
// the change of the document, the day list, the reminder list and the marks
// of the shown months, as the change's batch asks.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <memory>
#include <vector>

#include "bench/realistic_store.h"
#include "dayview/day_list.h"
#include "dayview/markers.h"
#include "events/event_document.h"
#include "events/purge.h"

namespace {

const TDateTime kNow = EncodeDateTime(2010, 10, 12, 12, 0, 17);

struct Window : EventObserver {
    Window(int count, bool indexed) : indexed(indexed), doc(std::filesystem::temp_directory_path() / "dayloom-bench-actions.db") {
        TodoItems store = bench::MakeRealisticStore(count, EncodeDate(2006, 1, 1));
        doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) {
            for (TTodoItem& x : store) e.Add(std::move(x));
        });
        for (const TTodoItem& e : doc.Events()) AddEventToCalendar(marks, proto, DateOf(e.CreationDate));
        doc.Subscribe(this);
        ShowDay(EncodeDate(2010, 10, 12));
        Reminders();
    }
    void ShowDay(TDateTime d) {
        day = d;
        UpDateTdList(doc.Events(), d, ListMode::Day, kNow, fmt, list, &sources, Index());
    }
    void Marks() {
        const DateTimeParts p = DecodeDateTime(day);
        UpdateMarkersOfMonth(doc.Events(), marks, proto, p.year, p.month, Index());
    }
    void Reminders() { UpDateTdList(doc.Events(), kNow, ListMode::Reminder, kNow, fmt, reminders, nullptr, Index()); }
    void EventsChanged(const EventBatch& batch) override {
        if (batch.RebuildsDayList()) ShowDay(day);
        if (batch.RebuildsReminders()) Reminders();
        for (const TDateTime d : batch.DaysGained()) AddEventToCalendar(marks, proto, d);
        for (const TDateTime d : batch.DaysLost())
            if (getbDeleteEventFromCal(doc.Events(), false, d, Index())) DeleteEventFromCalendar(marks, d);
        if (batch.RecomputesMarkers()) Marks();
    }
    const EventIndex* Index() const { return indexed ? &doc.Index() : nullptr; }
    int Shown() const { return sources.empty() ? doc.Count() / 2 : sources.front(); }

    bool indexed;
    EventDocument doc;
    TCalendarEvents marks;
    const TCalendarEvent proto;
    const DayListFormats fmt;
    TDayRows list, reminders;
    std::vector<int> sources;
    TDateTime day = 0;
};

// Each size walking the whole store (indexed:0, as before the index) and
// asking the index (indexed:1).
void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"events", "indexed"})->ArgsProduct({{1000, 100000, 1000000}, {0, 1}})->Unit(benchmark::kMillisecond);
}

void BM_NextDay(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) w.ShowDay(w.day + 1);
    state.counters["apart"] = static_cast<double>(w.doc.Index().KeptApart());
    state.counters["rows"] = static_cast<double>(w.list.size());
}
BENCHMARK(BM_NextDay)->Apply(Sizes);

void BM_NextMonth(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        w.ShowDay(w.day + 30);
        w.Marks();
    }
}
BENCHMARK(BM_NextMonth)->Apply(Sizes);

void BM_Completion(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        const int src = w.Shown();
        TTodoItem after = w.doc[src];
        after.Complete = !after.Complete;
        w.doc.Change(ChangeKind::Completed, [&](EventDocument::Edit& e) { e.Replace(size_t(src), std::move(after)); });
    }
}
BENCHMARK(BM_Completion)->Apply(Sizes);

// Del of a shown event, then (untimed) the same event back; and the other
// way round for the editor's addition.
void DeleteAndAdd(benchmark::State& state, bool timeDelete) {
    Window w(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        const int src = w.Shown();
        TTodoItem kept = w.doc[src];
        if (!timeDelete) state.PauseTiming();
        w.doc.Change(ChangeKind::Deleted, [&](EventDocument::Edit& e) { e.Remove(size_t(src)); });
        if (timeDelete) state.PauseTiming(); else state.ResumeTiming();
        w.doc.Change(ChangeKind::Added, [&](EventDocument::Edit& e) { e.Add(std::move(kept)); });
        if (timeDelete) state.ResumeTiming();
    }
}
void BM_Delete(benchmark::State& state) { DeleteAndAdd(state, true); }
void BM_Add(benchmark::State& state) { DeleteAndAdd(state, false); }
BENCHMARK(BM_Delete)->Apply(Sizes);
BENCHMARK(BM_Add)->Apply(Sizes);

// The first addition after the file is read, as the window meets it: the
// store and its index are sized to the file, and an addition that found a
// vector of them full would copy it whole.
void BM_FirstAddAfterLoad(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto file = std::filesystem::temp_directory_path() / "dayloom-bench-first-add.db";
    {
        EventDocument made(file);
        TodoItems store = bench::MakeRealisticStore(count, EncodeDate(2006, 1, 1));
        made.Change(ChangeKind::Added, [&](EventDocument::Edit& e) {
            for (TTodoItem& x : store) e.Add(std::move(x));
        });
        made.Save(false);
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<EventDocument>(file);
        doc->Load();
        TTodoItem item = (*doc)[doc->Count() / 2];
        state.ResumeTiming();
        doc->Change(ChangeKind::Added, [&](EventDocument::Edit& e) { e.Add(std::move(item)); });
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_FirstAddAfterLoad)->Arg(100000)->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Purge(benchmark::State& state) {
    int removed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>(static_cast<int>(state.range(0)), state.range(1) != 0);
        state.ResumeTiming();
        removed = static_cast<int>(
            w->doc.Change(ChangeKind::Purged, [&](EventDocument::Edit& e) { e.RemovePast(kNow); }).removed.size());
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
    state.counters["removed"] = removed;
}
BENCHMARK(BM_Purge)->Apply(Sizes)->Iterations(3);

// What the index adds to reading the file at start.
void BM_IndexRebuild(benchmark::State& state) {
    const TodoItems store = bench::MakeRealisticStore(static_cast<int>(state.range(0)), EncodeDate(2006, 1, 1));
    EventIndex index;
    for (auto _ : state) index.Rebuild(store);
    state.counters["entries"] = static_cast<double>(index.Entries());
}
BENCHMARK(BM_IndexRebuild)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The save 2 s after a change: what the window's thread used to spend making
// the file's image (saveAside:0), and what a completion costs it while a save
// makes that image on another thread (saveAside:1): the change stops the
// save, waiting at most for one chunk of it.
void BM_SaveAndChange(benchmark::State& state) {
    Window w(static_cast<int>(state.range(0)), true);
    if (state.range(1) == 0) {
        for (auto _ : state) {
            EventFileKeeper::Prepared p;
            w.doc.Prepare(p);
            state.PauseTiming();
            DiscardWrite(p.write);
            state.ResumeTiming();
        }
        return;
    }
    std::atomic<bool> done{false};
    std::atomic<int> stopped{0};
    std::thread saver([&] {
        while (!done) {
            EventFileKeeper::Prepared p;
            const WriteResult r = w.doc.PrepareAside(p);
            if (r.stopped) ++stopped;
            else DiscardWrite(p.write);
        }
    });
    for (auto _ : state) {
        const int src = w.Shown();
        TTodoItem after = w.doc[src];
        after.Complete = !after.Complete;
        w.doc.Change(ChangeKind::Completed, [&](EventDocument::Edit& e) { e.Replace(size_t(src), std::move(after)); });
    }
    done = true;
    saver.join();
    state.counters["saves_stopped"] = stopped.load();
}
BENCHMARK(BM_SaveAndChange)
    ->ArgNames({"events", "saveAside"})
    ->ArgsProduct({{100000, 1000000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
