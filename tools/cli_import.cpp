// dayloom-cli import: a ZET journal (moon days, or sunrises and sunsets) or a
// text of moon aspects or void-of-course periods, into the event file. On any
// failure the reason goes to standard error and the event file stays as it was.
#include <cstdint>

#include "events/ansi.h"
#include "import/change_summary.h"
#include "import/import_batch.h"
#include "import/zet_messages.h"
#include "import/zet_text.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

const char* KindName(TImportKind kind) {
    switch (kind) {
        case TImportKind::MoonDays: return "Лунные дни";
        case TImportKind::SunRiseSet: return "Восходы и заходы Солнца";
        case TImportKind::MoonAspects: return "Актуальные аспекты Луны";
        case TImportKind::VoidOfCourse: return "Луна без курса";
        default: return "События";
    }
}

ZetFile ReadInput(const std::string& name, std::istream& in) {
    return name == "-" ? ReadZetStream(in) : ReadZetFile(CliPath(name));
}

int Run(const CliCall& call, const CliArgs& a) {
    std::ostream& err = call.err;
    std::string problem;

    const std::string* aspects = a.Value("--aspects");
    const std::string* periods = a.Value("--void-of-course");
    const int sources = (aspects ? 1 : 0) + (periods ? 1 : 0) + static_cast<int>(a.positional.size());
    if (sources == 0) return CliFailWithHint(err, "не указан журнал (или --aspects ФАЙЛ, --void-of-course ФАЙЛ)");
    if (sources > 1) return CliFailWithHint(err, "нужен один источник: журнал, --aspects или --void-of-course");
    const bool journal = !aspects && !periods;
    if (!journal)
        for (const char* o : {"--months", "--now"})
            if (a.Value(o)) return CliFailWithHint(err, std::string("параметр ") + o + " относится только к журналам");
    if (!journal)
        for (const char* f : {"--summer-time", "--no-moon-notes"})
            if (a.Flag(f)) return CliFailWithHint(err, std::string("параметр ") + f + " относится только к журналам");

    ZetImportOptions options;
    options.Now = call.clockNow;
    options.SummerTime = a.Flag("--summer-time");
    options.MoonDayNotes = !a.Flag("--no-moon-notes");
    const auto months = CliMonths(a, problem);
    if (!months) return CliFailWithHint(err, problem);
    options.Months = *months;
    if (const std::string* r = a.Value("--remind")) {
        int n = -1;
        if (r->size() != 1 || !TryParseDecimal(*r, n) || n < 0 || n > 9)
            return CliFailWithHint(err, "неверное напоминание «" + *r + "» (нужно число от 0 до 9)");
        options.AlertIndex = n;
    }
    if (const std::string* now = a.Value("--now")) {
        const auto parsed = ParseCliMoment(*now);
        if (!parsed)
            return CliFailWithHint(err, "неверный момент «" + *now + "» (нужно ГГГГ-ММ-ДД ЧЧ:ММ, например 2010-10-11 09:30)");
        options.Now = *parsed;
    }
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);

    auto store = LoadCliStore(*dataDir, "dayloom-cli import", problem);
    if (!store) return CliFail(err, problem);

    const std::string source = journal ? a.positional[0] : aspects ? *aspects : *periods;
    const std::string shown = source == "-" ? std::string("стандартный ввод") : source;
    ZetRun run;
    {
        const ZetFile input = ReadInput(source, call.in);
        if (!input.ok) return CliFail(err, shown + ": " + input.Error);
        run = journal ? ImportZetJournal(input.Lines, options)
                      : ImportPastedZetText(input.Lines,
                                            aspects ? ZetPastedKind::MoonAspects : ZetPastedKind::VoidOfCourse, options);
    }  // the lines are not needed past the run
    if (!run.ok()) return CliFail(err, shown + ": " + run.Message);

    const TImportKind kind = run.Kind;
    ImportBatch batch = BatchOf(run.Events);
    run = ZetRun();  // the batch holds the events now, and the save wants the memory
    const ChangeSummary added = MergeImport(*store->doc, std::move(batch));
    if ((added.Added > 0 || !store->existed) && !SaveCliStore(*store, problem)) return CliFail(err, problem);
    call.out << SummaryText(added, KindName(kind)) << '\n';
    call.out.flush();
    return 0;
}

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--months", "СПИСОК", "all (по умолчанию) или номера месяцев 1–12 через запятую"},
    {"--remind", "N",
     "напоминание 0–9, как в окне: 0 «Не напоминать», 1 «Вовремя»,\n2 «за 1 мин» (по умолчанию) … 9 «за 1 день»"},
    {"--summer-time", "", "лунные дни: +1 час ко времени строк без отметки сдвига «+N»"},
    {"--no-moon-notes", "", "лунные дни: без краткого описания дня в заметках"},
    {"--now", "МОМЕНТ", "дата, к которой относится первая строка журнала без даты;\nпо умолчанию часы компьютера"},
    {"--aspects", "ФАЙЛ", ""},
    {"--void-of-course", "ФАЙЛ", ""},
};

}  // namespace

// The journal is the one plain argument; with --aspects or --void-of-course
// there is none, and the verb says which source is missing or one too many.
constexpr CliVerb kImportVerb{
    "import", CliGroup::Writing,
    "  dayloom-cli import [--data КАТАЛОГ] [--months СПИСОК] [--remind N] [--summer-time]\n"
    "                     [--no-moon-notes] [--now \"ГГГГ-ММ-ДД ЧЧ:ММ\"] ЖУРНАЛ\n"
    "      добавляет события ZET-журнала лунных дней или восходов и заходов Солнца\n"
    "      (вид журнала узнаётся по его первой строке) за выбранные месяцы.\n"
    "  dayloom-cli import [--data КАТАЛОГ] [--remind N] --aspects ФАЙЛ\n"
    "  dayloom-cli import [--data КАТАЛОГ] [--remind N] --void-of-course ФАЙЛ\n"
    "      добавляет текст, скопированный из ZET: актуальные аспекты Луны или периоды\n"
    "      Луны без курса (все строки, без выбора месяцев). ФАЙЛ «-» — стандартный ввод.\n",
    kOptions,
    "      Журнал или текст читается целиком; если хоть одна строка не читается,\n"
    "      не добавляется ничего. Событие, которое уже есть (то же начало с точностью\n"
    "      до минуты и то же название), не добавляется второй раз.\n"
    "      Текст в UTF-8, UTF-16 или Windows-1251 (текст в двух кодировках сразу не\n"
    "      принимается); больше 64 МБ не принимается.\n",
    SIZE_MAX, Run};
