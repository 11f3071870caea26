// dayloom-cli export-ics: the event file as an iCalendar file, on standard
// output or with -o into a file through the safe write.
#include <stdexcept>

#include "events/event_file.h"
#include "events/safe_file.h"
#include "import/ics.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

int Run(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    std::string problem;

    IcsExportOptions options;
    options.Zone = call.zone;
    options.Now = call.clockNow;
    for (const auto& [name, day] : {std::pair{"--from", &options.From}, {"--to", &options.To}}) {
        const std::string* text = a.Value(name);
        if (!text) continue;
        *day = ParseCliDate(*text);
        if (!*day) return CliFailWithHint(err, "неверная дата «" + *text + "» (нужно ГГГГ-ММ-ДД, например 2010-10-11)");
    }
    if (options.From && options.To && *options.To < *options.From)
        return CliFailWithHint(err, "--to раньше, чем --from");
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);
    const std::string* file = a.Value("-o");
    if (file && file->empty()) return CliFailWithHint(err, "пустое значение -o");

    // The event file is read as it is written out, a block at a time, never
    // held whole; a first reading checks it and finds the other calendars'
    // events, whose zones go first.
    const std::filesystem::path eventFile = *dataDir / kCliEventFile;
    EventFileStream stream;
    TodoItems foreign;
    const LoadReport rep = stream.Open(eventFile, [&](const TTodoItem& e) { foreign.Add(e); });
    if (rep.status == LoadReport::Status::Missing) return CliFail(err, "нет файла событий " + CliPathText(eventFile));
    if (rep.status != LoadReport::Status::Ok) return CliFail(err, CliLoadProblem(eventFile, rep));

    int events = 0;
    try {
        const ChunkSource pieces = ICalendarChunks(stream, foreign, options, &events);
        if (!file || *file == "-") {
            for (std::string_view piece = pieces(); !piece.empty() && out; piece = pieces())
                out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
            out.flush();
            return out ? 0 : CliFail(err, "не удалось вывести календарь");
        }
        const WriteResult w = WriteOutputFile(CliPath(*file), pieces);
        if (!w.ok) return CliFail(err, "не удалось записать " + *file + ": " + w.error);
    } catch (const std::runtime_error& e) {
        const bool named = file && *file != "-";
        return CliFail(err, CliPathText(eventFile) + ": " + e.what() +
                                (named ? "; календарь не записан" : "; календарь выведен не весь"));
    }
    out << "iCalendar: записано событий " << events << " в " << *file << '\n';
    out.flush();
    return 0;
}

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--from", "ГГГГ-ММ-ДД", ""},
    {"--to", "ГГГГ-ММ-ДД", ""},
    {"-o", "ФАЙЛ", ""},
};

}  // namespace

constexpr CliVerb kExportIcsVerb{
    "export-ics", CliGroup::Exchange,
    "  dayloom-cli export-ics [--data КАТАЛОГ] [--from ГГГГ-ММ-ДД] [--to ГГГГ-ММ-ДД] [-o ФАЙЛ]\n"
    "      записывает события в формате iCalendar (RFC 5545) для других календарей:\n"
    "      в стандартный вывод или в ФАЙЛ. С --from и --to — только события, которые\n"
    "      приходятся на эти дни (повторяющиеся — начавшиеся не позже --to).\n",
    kOptions, "", 0, Run};
