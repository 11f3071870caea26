// Start-up with a theme: the options file read, the theme it names found in a
// folder of themes and read, and the scheme converted for the widgets, as the
// main window's LoadWindowParam does before anything is painted.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "events/safe_file.h"
#include "settings/theme_file.h"
#include "settings/user_options.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path data = fs::temp_directory_path() / "dayloom_bench_settings";
    Folder() {
        fs::create_directories(ThemesDir(data));
        std::vector<GridRow> rows;
        for (int i = 0; i < kColorSlots; ++i)
            rows.push_back({ListTitleColorShem()[size_t(i)], ColorToString(DesignColors()[size_t(i)])});
        // A folder with a few dozen themes, the one named in another letter case.
        for (int i = 0; i < 40; ++i) SaveThemeFile(ThemesDir(data), "Theme" + std::to_string(i), rows);
        SaveThemeFile(ThemesDir(data), "Night", rows);
        WriteFileAtomically(data / "user_options",
                            "300\r\n400\r\n600\r\n265\r\n/tmp/bell.wav\r\nnight.tdt\r\n1\r\n17\r\n1\r\n1\r\n1\r\n");
    }
    ~Folder() { fs::remove_all(data); }
};

void BM_LoadWindowParamWithTheme(benchmark::State& state) {
    const Folder f;
    const UserOptions defaults = DefaultOptions(f.data, DefaultPlacement({0, 0, 1280, 984}, 1280));
    for (auto _ : state) {
        const auto options = LoadWindowParam(f.data / "user_options", defaults);
        const auto theme = FindThemeFile(ThemesDir(f.data), options->CurrentThemeFile);
        std::vector<std::string> list;
        const auto applied = LoadToDoThemaFromFile(*theme, list);
        benchmark::DoNotOptimize(applied);
    }
}
BENCHMARK(BM_LoadWindowParamWithTheme)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
