// Importing a moon-day journal of 10,000 lines (a year of moon days and
// phases) into stores of 0, 100,000 and 1,000,000 events spread over
// 2008..2012: reading the lines, the identity check against the store, the
// appends and the day marks of the added events. Each iteration starts from
// the store and the marks as start-up leaves them (the store's vector exactly
// full, as after reading the file), so the appends pay for its growth.
// And a journal file of up to a million lines read as the command reads it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "dayview/markers.h"
#include "events/ansi.h"
#include "events/event_store.h"
#include "import/import_batch.h"
#include "import/zet_import.h"
#include "import/zet_text.h"

namespace {

std::vector<std::string> MoonJournal(int dataLines) {
    std::vector<std::string> lines = {ansi("Журнал Лунных дней 2010 г."), "ZET 8",
                                      ansi("Место: Москва 55N45 37E35"), ""};
    const std::string phase = ansi(" Полнолуние");
    for (int i = 0; i < dataLines; ++i) {
        // One line every 52 minutes from 1 January: a year's worth.
        const TDateTime at = AddMinutes(EncodeDate(2010, 1, 1), int64_t{i} * 52);
        const DateTimeParts p = DecodeDateTime(at);
        char buf[64];
        if (i % 4 == 3)  // an undated phase line, on the day of the line before
            std::snprintf(buf, sizeof buf, "   %02d:%02d:00", p.hour, p.minute);
        else
            std::snprintf(buf, sizeof buf, "%02d.%02d %02d:%02d:00 w3 w4 %d", p.day, p.month, p.hour,
                          p.minute, i % 30 + 1);
        lines.push_back(buf + (i % 4 == 3 ? phase : std::string{}));
    }
    return lines;
}

TodoItems MakeStore(int n) {
    std::mt19937 rng(20100305);
    auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<unsigned>(k)); };
    const TDateTime first = EncodeDate(2008, 1, 1);
    const int span = static_cast<int>(EncodeDate(2012, 12, 31) - first);
    TodoItems store;
    store.Reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        // Whole minutes, as stored; a fifth of them on a minute a journal line
        // could also start on, so the identity check meets real candidates.
        const TDateTime start = AddMinutes(first + pick(span), pick(5) == 0 ? pick(28) * 52 : pick(1440));
        AddEventToListToDo(store, "event " + std::to_string(i), "", start, 0, 1, EventKind::Simple);
    }
    return store;
}

void BM_ImportMoonJournal(benchmark::State& state) {
    const std::vector<std::string> journal = MoonJournal(10000);
    const TodoItems base = MakeStore(static_cast<int>(state.range(0)));
    const TCalendarEvent proto;
    TCalendarEvents baseMarks;
    for (TDateTime d : StartDaysOf(base)) AddEventToCalendar(baseMarks, proto, d);
    ZetImportOptions options;
    options.Months = MonthChoice::All();
    options.Now = EncodeDate(2010, 1, 1);
    int added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TodoItems store = base;  // copied: capacity == size, as after reading the file
        TCalendarEvents marks = baseMarks;
        state.ResumeTiming();
        const ZetRun run = ImportZetJournal(journal, options);
        const ChangeSummary result = MergeImport(store, BatchOf(run.Events));
        // The added events are the last ones; their start days get marks.
        for (int i = store.Count() - result.Added; i < store.Count(); ++i)
            AddEventToCalendar(marks, proto, DateOf(store[i].CreationDate));
        added = result.Added;
        state.PauseTiming();
        store = TodoItems();  // freed outside the timing
        marks = TCalendarEvents();
        state.ResumeTiming();
    }
    state.counters["added"] = added;
}

// The same journal again: every event is already there.
void BM_ReimportMoonJournal(benchmark::State& state) {
    const std::vector<std::string> journal = MoonJournal(10000);
    TodoItems store = MakeStore(static_cast<int>(state.range(0)));
    ZetImportOptions options;
    options.Months = MonthChoice::All();
    MergeImport(store, BatchOf(ImportZetJournal(journal, options).Events));
    int already = 0;
    for (auto _ : state) {
        const ChangeSummary result = MergeImport(store, BatchOf(ImportZetJournal(journal, options).Events));
        already = result.AlreadyThere;
    }
    state.counters["already"] = already;
}

// A journal file's bytes with `dataLines` data lines: a year of moon days and
// phases (MoonJournal's 10,000 lines) over and over, so that most lines repeat
// an earlier one, or, `oneLine`, its first data line alone, again and again.
std::string JournalBytes(int dataLines, bool oneLine) {
    const std::vector<std::string> year = MoonJournal(10000);
    std::string bytes;
    for (size_t i = 0; i < 4; ++i) bytes += year[i] + "\r\n";
    for (int i = 0; i < dataLines; ++i) bytes += year[oneLine ? 4 : 4 + static_cast<size_t>(i % 10000)] + "\r\n";
    return bytes;
}

// What `dayloom-cli import` does with a journal, short of the event file:
// the bytes decoded and split into lines, the run, and the identity check and
// appends into an empty store. Its cost grows with the lines, repeats or not.
void BM_ImportJournalText(benchmark::State& state) {
    const auto lines = static_cast<int>(state.range(0));
    const std::string bytes = JournalBytes(lines - 4, state.range(1) != 0);  // the header is four lines
    ZetImportOptions options;
    options.Months = MonthChoice::All();
    options.Now = EncodeDate(2010, 1, 1);
    int added = 0;
    for (auto _ : state) {
        const ZetFile file = ZetTextLines(bytes);
        const ZetRun run = ImportZetJournal(file.Lines, options);
        TodoItems store;
        added = MergeImport(store, BatchOf(run.Events)).Added;
        if (!run.ok()) state.SkipWithError("the journal does not read");
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["added"] = added;
}

BENCHMARK(BM_ImportMoonJournal)->Arg(0)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
// 10,000 and 100,000 identical lines; 100,000 and a million lines of a repeated year.
BENCHMARK(BM_ImportJournalText)
    ->ArgNames({"lines", "identical"})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Args({100000, 0})
    ->Args({1000000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReimportMoonJournal)->Arg(0)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
