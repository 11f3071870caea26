#include "tools/cli_dispatch.h"

#include <algorithm>
#include <exception>
#include <new>

#include "dayview/agenda.h"
#include "tools/cli_good_days.h"
#include "tools/cli_export_ics.h"
#include "tools/cli_import.h"
#include "tools/cli_import_ics.h"
#include "tools/cli_remove_imported.h"
#include "tools/cli_support.h"

namespace {

// Options of any verb that take a value, so that a value is not taken for
// the verb ("--data import agenda").
bool TakesValue(const std::string& a) {
    static const char* const kValued[] = {"--data", "--date", "--now", "--months", "--remind",
                                          "--aspects", "--void-of-course", "--kind", "--year",
                                          "--birth-day", "--from", "--to", "-o"};
    return std::any_of(std::begin(kValued), std::end(kValued), [&](const char* v) { return a == v; });
}

// Position of the verb among the arguments; args.size() when there is none.
size_t VerbAt(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (TakesValue(a)) ++i;
            continue;
        }
        return i;
    }
    return args.size();
}

int Dispatch(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
             const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone) {
    const size_t at = VerbAt(args);
    const std::string verb = at < args.size() ? args[at] : std::string{};
    if (verb == "import" || verb == "remove-imported" || verb == "good-days" || verb == "export-ics" ||
        verb == "import-ics") {
        std::vector<std::string> rest = args;
        rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(at));
        if (verb == "good-days") return RunGoodDaysVerb(rest, out, err, defaultDataDir);
        if (verb == "export-ics") return RunExportIcsVerb(rest, out, err, defaultDataDir, clockNow, zone);
        if (verb == "import-ics") return RunImportIcsVerb(rest, in, out, err, defaultDataDir, zone);
        return verb == "import" ? RunImportVerb(rest, in, out, err, defaultDataDir, clockNow)
                                : RunRemoveImportedVerb(rest, out, err, defaultDataDir);
    }
    const int rc = RunDayloomCli(args, out, err, defaultDataDir, clockNow);
    const bool help = std::any_of(args.begin(), args.end(), [](const std::string& a) { return a == "-h" || a == "--help"; });
    // The reading verbs' usage is printed on help, with no arguments and
    // after an unknown verb; the writing verbs belong beside it.
    const bool unknownVerb = !verb.empty() && verb != "agenda" && verb != "reminders";
    const bool usageShown = help ? rc == 0 : rc != 0 && (args.empty() || unknownVerb);
    if (usageShown) {
        std::ostream& os = help ? out : err;
        os << "\nОбмен с другими календарями:\n";
        ExportIcsUsage(os);
        os << "\nКоманды, которые записывают файл событий:\n";
        ImportUsage(os);
        ImportIcsUsage(os);
        RemoveImportedUsage(os);
        GoodDaysUsage(os);
        os << "  dayloom-cli import --help, dayloom-cli good-days --help и т. д.\n"
              "      справка по одной команде.\n\n"
           << kCliWriterWarning;
        os.flush();
        if (help && !out) return CliFail(err, "не удалось вывести справку");
    }
    return rc;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone) {
    try {
        return Dispatch(args, in, out, err, defaultDataDir, clockNow, zone);
    } catch (const std::bad_alloc&) {
        return CliFail(err, "не хватает памяти");
    } catch (const std::exception& e) {
        return CliFail(err, std::string("ошибка: ") + e.what());
    }
}
