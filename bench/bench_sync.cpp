// Sync rounds against a local Radicale (started here on a free port): the
// first round of a folder of 1,000 and 10,000 events, a round with nothing
// changed and one after a single change, with the requests each made.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "tests/sync/map_folder.h"
#include "tests/sync/radicale.h"

namespace {

struct Server {
    std::filesystem::path dir;
    std::unique_ptr<Radicale> radicale;
    std::string calendar;
    Server() {
        dir = std::filesystem::temp_directory_path() / ("dayloom-bench-sync-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        radicale = std::make_unique<Radicale>(dir);
        radicale->Python("bench", "pass");
        CalDavClient c(radicale->Url(), "anna", "secret");
        std::vector<CalendarFound> found;
        std::string error;
        c.Discover(found, error);
        for (const CalendarFound& f : found)
            if (f.name == "bench") calendar = f.href;
    }
    ~Server() {
        radicale.reset();
        std::filesystem::remove_all(dir);
    }
};

MapFolder Folder(int n) {
    MapFolder f;
    f.name = "a";
    for (int i = 0; i < n; ++i) f.events["e" + std::to_string(i) + "@dayloom"] = "Событие " + std::to_string(i);
    return f;
}

void BM_FirstSync(benchmark::State& state) {
    if (!Radicale::Installed()) return state.SkipWithError("radicale is not installed");
    std::unique_ptr<Server> server;
    for (auto _ : state) {
        state.PauseTiming();
        server.reset();
        server = std::make_unique<Server>();
        MapFolder f = Folder(static_cast<int>(state.range(0)));
        CalDavClient c(server->radicale->Url(), "anna", "secret");
        state.ResumeTiming();
        const SyncReport r = RunSyncRound(c, server->calendar, f.state, f);
        state.counters["requests"] = r.requests;
        state.counters["sent"] = r.sent;
    }
}
BENCHMARK(BM_FirstSync)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);

// After the first round: nothing changed (changed:0), or one event renamed (changed:1).
void BM_NextSync(benchmark::State& state) {
    if (!Radicale::Installed()) return state.SkipWithError("radicale is not installed");
    Server server;
    MapFolder f = Folder(static_cast<int>(state.range(0)));
    CalDavClient first(server.radicale->Url(), "anna", "secret");
    RunSyncRound(first, server.calendar, f.state, f);
    int i = 0;
    for (auto _ : state) {
        if (state.range(1)) f.events["e0@dayloom"] = "Переименовано " + std::to_string(++i);
        CalDavClient c(server.radicale->Url(), "anna", "secret");
        const SyncReport r = RunSyncRound(c, server.calendar, f.state, f);
        state.counters["requests"] = r.requests;
    }
}
BENCHMARK(BM_NextSync)->ArgNames({"events", "changed"})->ArgsProduct({{1000}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
