#include "tools/cli_good_days.h"

#include "events/ansi.h"
#include "import/good_days.h"
#include "import/change_summary.h"
#include "tools/cli_support.h"

namespace {

// A number of one or more decimal digits within [lo, hi]; no sign, no spaces.
bool Bounded(const std::string& text, int lo, int hi, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return TryParseDecimal(text, value) && value >= lo && value <= hi;
}

}  // namespace

void GoodDaysUsage(std::ostream& os) {
    os << "  dayloom-cli good-days [--data КАТАЛОГ] --birth-day Д --year ГОД [--months СПИСОК]\n"
          "                        [--no-kind-text]\n"
          "      добавляет благоприятные дни для числа месяца рождения Д (1–31) за выбранные\n"
          "      месяцы года (1901–9999): событие «#Д : вид дня» в 07:00 без напоминания;\n"
          "      с --no-kind-text — только «#Д». День, который уже отмечен для того же Д,\n"
          "      второй раз не добавляется.\n"
          "  dayloom-cli good-days --remove [--data КАТАЛОГ] --birth-day Д --year ГОД [--months СПИСОК]\n"
          "      удаляет благоприятные дни числа Д из выбранных месяцев года; дни других чисел\n"
          "      (у 1 — дни 13-го) и свои события пользователя остаются.\n"
          "    --months СПИСОК  all (по умолчанию) или номера месяцев 1–12 через запятую\n";
}

int RunGoodDaysVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const std::filesystem::path& defaultDataDir) {
    std::string problem;
    const auto a = ReadCliArgs(args, {"--data", "--birth-day", "--year", "--months"},
                               {"--remove", "--no-kind-text", "--help", "-h"}, problem);
    if (!a) return CliFailWithHint(err, problem);
    if (a->AskedForHelp()) return CliPrintHelp(out, err, GoodDaysUsage, true);
    if (!a->positional.empty()) return CliFailWithHint(err, "лишний аргумент «" + a->positional[0] + "»");
    const bool remove = a->Flag("--remove");
    if (remove && a->Flag("--no-kind-text"))
        return CliFailWithHint(err, "параметр --no-kind-text относится только к добавлению");

    const std::string* dayText = a->Value("--birth-day");
    int birthDay = 0;
    if (!dayText) return CliFailWithHint(err, "не указано число месяца рождения: --birth-day Д");
    if (!Bounded(*dayText, 1, 31, birthDay))
        return CliFailWithHint(err, "неверное число месяца рождения «" + *dayText + "» (нужно от 1 до 31)");

    const std::string* yearText = a->Value("--year");
    int year = 0;
    if (!yearText) return CliFailWithHint(err, "не указан год: --year ГОД");
    if (!Bounded(*yearText, kFirstGoodDaysYear, kLastGoodDaysYear, year))
        return CliFailWithHint(err, "неверный год «" + *yearText + "» (нужно число от " +
                                        std::to_string(kFirstGoodDaysYear) + " до " +
                                        std::to_string(kLastGoodDaysYear) + ")");

    const auto months = CliMonths(*a, problem);
    if (!months) return CliFailWithHint(err, problem);
    const auto dataDir = CliDataDir(*a, defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);

    auto store = LoadCliStore(*dataDir, "dayloom-cli good-days", problem);
    if (!store) return CliFail(err, problem);
    const std::string head = "Благоприятные дни (" + std::to_string(birthDay) + "), " + std::to_string(year);
    if (remove) {
        const RemovalResult removed = RemoveGoodDays(store->items, birthDay, *months, year);
        if (removed.Removed > 0 && !SaveCliStore(*store, problem)) return CliFail(err, problem);
        out << SummaryText(RemovalSummary(removed.Removed), head) << '\n';
    } else {
        const GoodDaysRun run = FindGoodDaysOfYear({birthDay, year, *months, !a->Flag("--no-kind-text")});
        if (!run.ok()) return CliFail(err, utf8(run.Message));
        const ZetAdded added = AddGoodDays(store->items, run.Events);
        if ((added.Added > 0 || !store->existed) && !SaveCliStore(*store, problem)) return CliFail(err, problem);
        out << SummaryText(Summary(added), head) << '\n';
    }
    out.flush();
    return 0;
}
