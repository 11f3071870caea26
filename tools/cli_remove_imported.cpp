// dayloom-cli remove-imported: the imported events of one kind in chosen
// months of a year leave the event file.
#include "events/ansi.h"
#include "import/change_summary.h"
#include "import/import_batch.h"
#include "import/imported_events.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

struct KindWord {
    const char* word;
    TImportKind kind;
    const char* name;  // as the removal list of the import window names it
};

constexpr KindWord kKinds[] = {
    {"moon", TImportKind::MoonDays, "Лунные дни"},
    {"sun", TImportKind::SunRiseSet, "Восходы и заходы Солнца"},
    {"aspects", TImportKind::MoonAspects, "Актуальные аспекты Луны"},
    {"void", TImportKind::VoidOfCourse, "Луна без курса"},
};

int Run(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    std::string problem;

    const std::string* kindText = a.Value("--kind");
    if (!kindText) return CliFailWithHint(err, "не указан вид: --kind moon|sun|aspects|void");
    const KindWord* kind = nullptr;
    for (const KindWord& k : kKinds)
        if (*kindText == k.word) kind = &k;
    if (!kind) return CliFailWithHint(err, "неизвестный вид «" + *kindText + "» (нужно moon, sun, aspects или void)");

    const std::string* yearText = a.Value("--year");
    int year = 0;
    if (!yearText) return CliFailWithHint(err, "не указан год: --year ГОД");
    if (yearText->empty() || (*yearText)[0] == '+' || (*yearText)[0] == '-' || !TryParseDecimal(*yearText, year) ||
        year < kFirstYear || year > kLastYear)
        return CliFailWithHint(err, "неверный год «" + *yearText + "» (нужно число от 1 до 9999)");

    const auto months = CliMonths(a, problem);
    if (!months) return CliFailWithHint(err, problem);
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);

    auto store = LoadCliStore(*dataDir, "dayloom-cli remove-imported", problem);
    if (!store) return CliFail(err, problem);
    const ChangeSummary removed = RemoveImported(*store->doc, ImportMarker(kind->kind), *months, year);
    if (removed.Removed > 0 && !SaveCliStore(*store, problem)) return CliFail(err, problem);
    out << SummaryText(removed, std::string(kind->name) + ", " + std::to_string(year)) << '\n';
    out.flush();
    return 0;
}

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--kind", "ВИД", ""},
    {"--year", "ГОД", ""},
    {"--months", "СПИСОК", ""},
};

}  // namespace

constexpr CliVerb kRemoveImportedVerb{
    "remove-imported", CliGroup::Writing,
    "  dayloom-cli remove-imported [--data КАТАЛОГ] --kind moon|sun|aspects|void --year ГОД\n"
    "                              [--months СПИСОК]\n"
    "      удаляет импортированные события одного вида (moon — лунные дни и фазы, sun —\n"
    "      восходы и заходы Солнца, aspects — аспекты Луны, void — Луна без курса),\n"
    "      начинающиеся в выбранных месяцах года; СПИСОК — all (по умолчанию) или номера\n"
    "      месяцев 1–12 через запятую. Свои события пользователя не удаляются, даже если\n"
    "      их название начинается с того же знака.\n",
    kOptions, "", 0, Run};
