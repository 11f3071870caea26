// dayloom-cli export-ics: the event file as an iCalendar file, on standard
// output or with -o into a file through the safe write.
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

    const auto store = LoadCliStore(*dataDir, nullptr, problem);
    if (!store) return CliFail(err, problem);
    if (!store->existed) return CliFail(err, "нет файла событий " + CliPathText(store->file));

    // The file is made and written a piece at a time, never held whole.
    int events = 0;
    const ChunkSource pieces = ICalendarChunks(store->Events(), options, &events);
    if (!file || *file == "-") {
        for (std::string_view piece = pieces(); !piece.empty() && out; piece = pieces())
            out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        out.flush();
        return out ? 0 : CliFail(err, "не удалось вывести календарь");
    }
    const WriteResult w = WriteOutputFile(CliPath(*file), pieces);
    if (!w.ok) return CliFail(err, "не удалось записать " + *file + ": " + w.error);
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
