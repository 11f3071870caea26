// dayloom-cli good-days: the favourable days of a day of birth into the event
// file for chosen months of a year, or (--remove) out of it again. On any
// failure the event file stays as it was.
#include "events/ansi.h"
#include "import/good_days.h"
#include "import/change_summary.h"
#include "import/import_batch.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

// A number of one or more decimal digits within [lo, hi]; no sign, no spaces.
bool Bounded(const std::string& text, int lo, int hi, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return TryParseDecimal(text, value) && value >= lo && value <= hi;
}

int Run(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    std::string problem;
    const bool remove = a.Flag("--remove");
    if (remove && a.Flag("--no-kind-text"))
        return CliFailWithHint(err, "параметр --no-kind-text относится только к добавлению");

    const std::string* dayText = a.Value("--birth-day");
    int birthDay = 0;
    if (!dayText) return CliFailWithHint(err, "не указано число месяца рождения: --birth-day Д");
    if (!Bounded(*dayText, 1, 31, birthDay))
        return CliFailWithHint(err, "неверное число месяца рождения «" + *dayText + "» (нужно от 1 до 31)");

    const std::string* yearText = a.Value("--year");
    int year = 0;
    if (!yearText) return CliFailWithHint(err, "не указан год: --year ГОД");
    if (!Bounded(*yearText, kFirstGoodDaysYear, kLastGoodDaysYear, year))
        return CliFailWithHint(err, "неверный год «" + *yearText + "» (нужно число от " +
                                        std::to_string(kFirstGoodDaysYear) + " до " +
                                        std::to_string(kLastGoodDaysYear) + ")");

    const auto months = CliMonths(a, problem);
    if (!months) return CliFailWithHint(err, problem);
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);

    auto store = LoadCliStore(*dataDir, "dayloom-cli good-days", problem);
    if (!store) return CliFail(err, problem);
    const std::string head = "Благоприятные дни (" + std::to_string(birthDay) + "), " + std::to_string(year);
    if (remove) {
        const ChangeSummary removed = RemoveImported(*store->doc, GoodDaysMarker(birthDay), *months, year);
        if (removed.Removed > 0 && !SaveCliStore(*store, problem)) return CliFail(err, problem);
        out << SummaryText(removed, head) << '\n';
    } else {
        const GoodDaysRun run = FindGoodDaysOfYear({birthDay, year, *months, !a.Flag("--no-kind-text")});
        if (!run.ok()) return CliFail(err, run.Message);
        const ChangeSummary added = MergeImport(*store->doc, GoodDaysBatch(run.Events));
        if ((added.Added > 0 || !store->existed) && !SaveCliStore(*store, problem)) return CliFail(err, problem);
        out << SummaryText(added, head) << '\n';
    }
    out.flush();
    return 0;
}

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--birth-day", "Д", ""},
    {"--year", "ГОД", ""},
    {"--months", "СПИСОК", "all (по умолчанию) или номера месяцев 1–12 через запятую"},
    {"--remove", "", ""},
    {"--no-kind-text", "", ""},
};

}  // namespace

constexpr CliVerb kGoodDaysVerb{
    "good-days", CliGroup::Writing,
    "  dayloom-cli good-days [--data КАТАЛОГ] --birth-day Д --year ГОД [--months СПИСОК]\n"
    "                        [--no-kind-text]\n"
    "      добавляет благоприятные дни для числа месяца рождения Д (1–31) за выбранные\n"
    "      месяцы года (1901–9999): событие «#Д : вид дня» в 07:00 без напоминания;\n"
    "      с --no-kind-text — только «#Д». День, который уже отмечен для того же Д,\n"
    "      второй раз не добавляется.\n"
    "  dayloom-cli good-days --remove [--data КАТАЛОГ] --birth-day Д --year ГОД [--months СПИСОК]\n"
    "      удаляет благоприятные дни числа Д из выбранных месяцев года; дни других чисел\n"
    "      (у 1 — дни 13-го) и свои события пользователя остаются.\n",
    kOptions, "", 0, Run};
