// dayloom-cli agenda on realistic stores: the whole command (reading the
// file, choosing the day's events, the lines) for one day, as a terminal or
// a status bar runs it. bench/peers.sh sets it beside calcurse and remind.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>

#include "bench/realistic_store.h"
#include "events/event_file.h"
#include "tools/cli_dispatch.h"

namespace {

void BM_Agenda(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "dayloom_bench_agenda";
    std::filesystem::create_directories(dir);
    SaveToFile(dir / "ListToDo.db",
               bench::MakeRealisticStore(static_cast<int>(state.range(0)), EncodeDate(2017, 1, 1)), false);
    const std::vector<std::string> args = {"agenda", "--data", dir.string(), "--date", "2021-06-15",
                                           "--now", "2021-06-15 12:00"};
    size_t lines = 0;
    for (auto _ : state) {
        std::istringstream in;
        std::ostringstream out, err;
        if (RunCli(args, in, out, err, dir, 0) != 0) state.SkipWithError("agenda failed");
        const std::string text = out.str();
        lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Agenda)->Arg(1000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
