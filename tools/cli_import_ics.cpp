// dayloom-cli import-ics: an iCalendar file's events into the event file. On
// any failure the event file stays as it was.
#include "import/change_summary.h"
#include "import/import_batch.h"
#include "import/ics.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

int Run(const CliCall& call, const CliArgs& a) {
    std::istream& in = call.in;
    std::ostream &out = call.out, &err = call.err;
    std::string problem;
    if (a.positional.empty()) return CliFailWithHint(err, "не указан файл iCalendar");
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);

    auto store = LoadCliStore(*dataDir, "dayloom-cli import-ics", problem);
    if (!store) return CliFail(err, problem);

    const std::string& source = a.positional[0];
    IcsRun run;
    if (source == "-") {
        std::string text;
        char buf[65536];
        while (in && text.size() <= kMaxIcsBytes) {
            in.read(buf, sizeof buf);
            text.append(buf, static_cast<size_t>(in.gcount()));
        }
        if (in.bad()) return CliFail(err, "стандартный ввод не читается");
        run = ReadICalendar(text, call.zone);
    } else {
        run = ReadICalendarFile(CliPath(source), call.zone);
    }
    const std::string shown = source == "-" ? std::string("стандартный ввод") : source;
    if (!run.ok) return CliFail(err, shown + ": " + run.Message);

    for (const IcsSkipped& s : run.Skipped) err << "dayloom-cli: " << shown << ": не прочитано, " << SkippedText(s) << '\n';
    const ChangeSummary added = MergeImport(*store->doc, BatchOf(std::move(run)));
    if ((added.Added > 0 || added.Updated > 0 || !store->existed) && !SaveCliStore(*store, problem))
        return CliFail(err, problem);
    out << SummaryText(added, "iCalendar") << '\n';
    out.flush();
    return 0;
}

constexpr CliOption kOptions[] = {{"--data", "КАТАЛОГ", ""}};

}  // namespace

constexpr CliVerb kImportIcsVerb{
    "import-ics", CliGroup::Writing,
    "  dayloom-cli import-ics [--data КАТАЛОГ] ФАЙЛ\n"
    "      добавляет события и дела из файла iCalendar (.ics) другого календаря\n"
    "      со всем, что он о них говорит: повторением (COUNT, UNTIL, «второй\n"
    "      вторник», исключения, перенесённые дни), поясом, длительностью, текстом.\n"
    "      Компонент, который не читается, пропускается и называется (строка, UID,\n"
    "      причина); остальные добавляются. Событие с тем же UID не добавляется\n"
    "      второй раз, а обновляется.\n"
    "      ФАЙЛ «-» — стандартный ввод.\n",
    kOptions, "", 1, Run};
