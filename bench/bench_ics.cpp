// Calendars of other programs: reading a file of 100,000 events, writing the
// store out, and the two views that ask every series on every question — the
// day list and the month's marks — on a million events of which 10,000 carry
// rules only a calendar's own text can say (COUNT, UNTIL, BYSETPOS, ordinals,
// EXDATE) in zones with summer time, read on a Moscow clock.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>

#include "bench/realistic_store.h"
#include "dayview/day_list.h"
#include "dayview/markers.h"
#include "events/event_index.h"
#include "import/ics.h"
#include "import/import_batch.h"

namespace {

// A calendar as other programs export it: every event with its UID and zone,
// one in ten repeating by a rule of its own.
std::string ForeignCalendar(int n, unsigned seed, bool allRich) {
    static const char* const kRules[] = {
        "FREQ=WEEKLY;COUNT=40;BYDAY=TU,TH", "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1",
        "FREQ=MONTHLY;BYDAY=2TU", "FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU",
        "FREQ=DAILY;INTERVAL=3;UNTIL=20151231T000000Z", "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE,FR",
    };
    static const char* const kZones[] = {"Europe/Berlin", "America/New_York", "Europe/Moscow", "Asia/Tokyo"};
    std::mt19937 rng(seed);
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//EN\r\n";
    char line[160];
    for (int i = 0; i < n; ++i) {
        const int day = static_cast<int>(rng() % 3650);
        const int y = 2006 + day / 365, m = 1 + day % 365 / 31, d = 1 + day % 28;
        const int h = 7 + static_cast<int>(rng() % 14);
        out += "BEGIN:VEVENT\r\n";
        std::snprintf(line, sizeof line, "UID:%d-%u@bench.example\r\n", i, seed);
        out += line;
        std::snprintf(line, sizeof line, "DTSTART;TZID=%s:%04d%02d%02dT%02d%02d00\r\n", kZones[rng() % 4], y, m, d, h,
                      static_cast<int>(rng() % 4) * 15);
        out += line;
        out += "DURATION:PT1H\r\n";
        if (allRich || rng() % 10 == 0) {
            out += std::string("RRULE:") + kRules[rng() % 6] + "\r\n";
            if (rng() % 2) {
                std::snprintf(line, sizeof line, "EXDATE:%04d%02d%02dT%02d0000Z\r\n", y + 1, m, d, h);
                out += line;
            }
        }
        out += "SUMMARY:Встреча номер " + std::to_string(i) + "\r\nDESCRIPTION:Обсудить план\\nи сроки\r\nEND:VEVENT\r\n";
    }
    return out + "END:VCALENDAR\r\n";
}

void UseMoscow() { SetClockZone(*NamedZone("Europe/Moscow")); }

void BM_IcsImport(benchmark::State& state) {
    UseMoscow();
    const std::string file = ForeignCalendar(static_cast<int>(state.range(0)), 7, false);
    for (auto _ : state) {
        TodoItems store;
        const ChangeSummary s = MergeImport(store, BatchOf(ReadICalendar(file, ClockZone())));
        benchmark::DoNotOptimize(s.Added);
    }
    state.counters["MB"] = static_cast<double>(file.size()) / 1e6;
}
BENCHMARK(BM_IcsImport)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_IcsExport(benchmark::State& state) {
    UseMoscow();
    const TodoItems store = bench::MakeRealisticStore(static_cast<int>(state.range(0)), EncodeDate(2006, 1, 1));
    IcsExportOptions o;
    o.Zone = ClockZone();
    o.Threads = static_cast<int>(state.range(1));
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        const ChunkSource next = ICalendarChunks(store, o);
        for (std::string_view piece = next(); !piece.empty(); piece = next()) bytes += piece.size();
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_IcsExport)->Args({100000, 0})->Args({1000000, 1})->Args({1000000, 0})->Unit(benchmark::kMillisecond)->Iterations(1);

// A million events: the realistic store and 10,000 series of other calendars.
struct RichStore {
    TodoItems store;
    EventIndex index;
    RichStore() {
        UseMoscow();
        store = bench::MakeRealisticStore(990000, EncodeDate(2006, 1, 1));
        IcsRun run = ReadICalendar(ForeignCalendar(10000, 11, true), ClockZone());
        for (TTodoItem& e : run.Events) store.Add() = std::move(e);
        index.Rebuild(store);
    }
};

const RichStore& Rich() {
    static const RichStore r;
    return r;
}

void BM_DayListRich(benchmark::State& state) {
    const RichStore& r = Rich();
    const DayListFormats fmt;
    TDayRows out;
    TDateTime day = EncodeDate(2010, 10, 12);
    // The first list works out the year of every series; reported apart.
    static const double firstMs = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        UpDateTdList(r.store, day, ListMode::Day, day + 0.5, fmt, out, nullptr, &r.index);
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    }();
    state.counters["first_ms"] = firstMs;
    for (auto _ : state) {
        UpDateTdList(r.store, day, ListMode::Day, day + 0.5, fmt, out, nullptr, &r.index);
        benchmark::DoNotOptimize(out.size());
        // Day after day, as the user clicks through a month.
        day = state.range(0) ? day + 1 : day;
    }
    state.counters["rows"] = static_cast<double>(out.size());
}
BENCHMARK(BM_DayListRich)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_MarkersRich(benchmark::State& state) {
    const RichStore& r = Rich();
    const TCalendarEvent proto;
    TCalendarEvents marks;
    int month = 0;
    for (auto _ : state) {
        const TMarkChanges ch = UpdateMarkersOfMonth(r.store, marks, proto, 2011, month + 1, &r.index);
        benchmark::DoNotOptimize(ch.Added.data());
        month = (month + 1) % 12;
    }
}
BENCHMARK(BM_MarkersRich)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
