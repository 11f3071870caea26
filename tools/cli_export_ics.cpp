#include "tools/cli_export_ics.h"

#include "dayview/agenda.h"
#include "events/safe_file.h"
#include "import/ics.h"
#include "tools/cli_support.h"

void ExportIcsUsage(std::ostream& os) {
    os << "  dayloom-cli export-ics [--data КАТАЛОГ] [--from ГГГГ-ММ-ДД] [--to ГГГГ-ММ-ДД] [-o ФАЙЛ]\n"
          "      записывает события в формате iCalendar (RFC 5545) для других календарей:\n"
          "      в стандартный вывод или в ФАЙЛ. С --from и --to — только события, которые\n"
          "      приходятся на эти дни (повторяющиеся — начавшиеся не позже --to).\n";
}

int RunExportIcsVerb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone) {
    std::string problem;
    const auto a = ReadCliArgs(args, {"--data", "--from", "--to", "-o"}, {"--help", "-h"}, problem);
    if (!a) return CliFailWithHint(err, problem);
    if (a->AskedForHelp()) return CliPrintHelp(out, err, ExportIcsUsage, false);
    if (!a->positional.empty()) return CliFailWithHint(err, "лишний аргумент «" + a->positional[0] + "»");

    IcsExportOptions options;
    options.Zone = zone;
    options.Now = clockNow;
    for (const auto& [name, day] : {std::pair{"--from", &options.From}, {"--to", &options.To}}) {
        const std::string* text = a->Value(name);
        if (!text) continue;
        *day = ParseCliDate(*text);
        if (!*day) return CliFailWithHint(err, "неверная дата «" + *text + "» (нужно ГГГГ-ММ-ДД, например 2010-10-11)");
    }
    if (options.From && options.To && *options.To < *options.From)
        return CliFailWithHint(err, "--to раньше, чем --from");
    const auto dataDir = CliDataDir(*a, defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);
    const std::string* file = a->Value("-o");
    if (file && file->empty()) return CliFailWithHint(err, "пустое значение -o");

    const auto store = LoadCliStore(*dataDir, nullptr, problem);
    if (!store) return CliFail(err, problem);
    if (!store->existed) return CliFail(err, "нет файла событий " + CliPathText(store->file));

    const IcsWritten written = WriteICalendar(store->items, options);
    if (!file || *file == "-") {
        out << written.Text;
        out.flush();
        return out ? 0 : CliFail(err, "не удалось вывести календарь");
    }
    const WriteResult w = WriteOutputFile(CliPath(*file), written.Text);
    if (!w.ok) return CliFail(err, "не удалось записать " + *file + ": " + w.error);
    out << "iCalendar: записано событий " << written.Events << " в " << *file << '\n';
    out.flush();
    return 0;
}
