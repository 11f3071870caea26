#include "tools/cli_dispatch.h"

#include <algorithm>
#include <exception>
#include <new>

#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

constexpr const CliVerb* kVerbs[] = {&kAgendaVerb,    &kRemindersVerb,      &kExportIcsVerb, &kImportVerb,
                                     &kImportIcsVerb, &kRemoveImportedVerb, &kGoodDaysVerb, &kSearchVerb,
#ifdef DAYLOOM_HAS_SYNC
                                     &kSyncSetupVerb, &kSyncVerb
#endif
};

// Any verb's options: before the verb is found, a value is not taken for it
// ("--data import agenda"), and without a verb no known option is called unknown.
std::vector<CliOption> AllOptions() {
    std::vector<CliOption> all;
    for (const CliVerb* v : kVerbs)
        for (const CliOption& o : v->options)
            if (std::none_of(all.begin(), all.end(), [&](const CliOption& a) { return a.name == o.name; }))
                all.push_back(o);
    return all;
}

// Position of the verb among the arguments; args.size() when there is none.
size_t VerbAt(const std::vector<std::string>& args, std::span<const CliOption> options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 1 && a[0] == '-') {
            if (std::any_of(options.begin(), options.end(), [&](const CliOption& o) { return o.TakesValue() && o.name == a; }))
                ++i;
            continue;
        }
        return i;
    }
    return args.size();
}

int Help(const CliCall& call, const CliVerb* verb) {
    if (verb && verb->group != CliGroup::Reading) PrintVerbHelp(call.out, *verb);
    else PrintGeneralHelp(call.out, kVerbs, call.defaultDataDir);
    call.out.flush();
    return call.out ? 0 : CliFail(call.err, "не удалось вывести справку");
}

// No verb or an unknown one: the message, then the general help.
int FailWithUsage(const CliCall& call, const std::string& message) {
    CliFail(call.err, message);
    PrintGeneralHelp(call.err, kVerbs, call.defaultDataDir);
    return 1;
}

int Dispatch(const std::vector<std::string>& args, const CliCall& call) {
    const std::vector<CliOption> all = AllOptions();
    const size_t at = VerbAt(args, all);
    const auto found = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                    [&](const CliVerb* v) { return at < args.size() && v->name == args[at]; });
    bool help = false;
    std::string problem;
    if (found == std::end(kVerbs)) {
        // Up to a strange verb, or with none, the arguments are read as any
        // verb's options, so that help there is help and a slip is named.
        const std::vector<std::string> before(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(at));
        if (!ReadCliArgs(before, all, help, problem)) return CliFailWithHint(call.err, problem);
        if (help) return Help(call, nullptr);
        return FailWithUsage(call, at < args.size() ? "неизвестная команда «" + args[at] + "»" : "не указана команда");
    }
    const CliVerb& verb = **found;
    std::vector<std::string> rest = args;
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(at));
    const auto read = ReadCliArgs(rest, verb.options, help, problem);
    if (!read) return CliFailWithHint(call.err, problem);
    if (help) return Help(call, &verb);
    if (read->positional.size() > verb.maxArguments)
        return CliFailWithHint(call.err, "лишний аргумент «" + read->positional[verb.maxArguments] + "»");
    return verb.run(call, *read);
}

}  // namespace

std::span<const CliVerb* const> CliVerbs() { return kVerbs; }

int RunCli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           const std::filesystem::path& defaultDataDir, TDateTime clockNow, const IcsZone& zone,
           const CliSecrets* secrets) {
    const CliCall call{in, out, err, defaultDataDir, clockNow, zone, secrets};
    // Events of other calendars are shown on the same clock as the rest.
    SetClockZone(zone);
    try {
        return Dispatch(args, call);
    } catch (const std::bad_alloc&) {
        return CliFail(err, "не хватает памяти");
    } catch (const std::exception& e) {
        return CliFail(err, std::string("ошибка: ") + e.what());
    }
}
