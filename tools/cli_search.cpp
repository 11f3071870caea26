// dayloom-cli search: the events whose name or notes contain a text, as the
// window's search finds them: date, a tab, the name; the upcoming ones first.
#include <limits>

#include "dayview/agenda.h"
#include "events/ansi.h"
#include "events/event_search.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

int Run(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    if (a.positional.size() != 1 || a.positional[0].empty())
        return CliFailWithHint(err, "нужен текст, который искать");
    TDateTime from = -std::numeric_limits<double>::infinity(), to = std::numeric_limits<double>::infinity();
    for (const auto& [name, day] : {std::pair{"--from", &from}, {"--to", &to}}) {
        const std::string* text = a.Value(name);
        if (!text) continue;
        const auto parsed = ParseCliDate(*text);
        if (!parsed) return CliFailWithHint(err, "неверная дата «" + *text + "» (нужно ГГГГ-ММ-ДД, например 2010-10-11)");
        *day = *parsed;
    }
    if (to < from) return CliFailWithHint(err, "--to раньше, чем --from");
    to += 1.0 - kOneMinute / 60000;  // the whole last day
    std::string problem;
    const auto dataDir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dataDir) return CliFailWithHint(err, problem);
    const auto store = LoadCliStore(*dataDir, nullptr, problem);
    if (!store) return CliFail(err, problem);

    EventSearch search;
    search.Build(store->Events());
    const SearchResult found = search.Find(ansi(a.positional[0]), call.clockNow,
                                           std::numeric_limits<size_t>::max(), from, to);
    std::string text;
    for (const SearchHit& h : found.hits)
        text += FormatDateTime("yyyy-MM-dd", h.date) + '\t' + CliField(store->Events()[h.position].Subject) + '\n';
    out << text;
    out.flush();
    return out ? 0 : CliFail(err, "не удалось вывести результат");
}

constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--from", "ДАТА", ""},
    {"--to", "ДАТА", ""},
};

}  // namespace

constexpr CliVerb kSearchVerb{
    "search", CliGroup::Exchange,
    "  dayloom-cli search ТЕКСТ [--data КАТАЛОГ] [--from ГГГГ-ММ-ДД] [--to ГГГГ-ММ-ДД]\n"
    "      события, в названии или заметках которых есть ТЕКСТ (без учёта регистра, ё как е):\n"
    "      в каждой строке дата начала ГГГГ-ММ-ДД, табуляция и название; сначала\n"
    "      предстоящие, ближайшие первыми, затем прошедшие. Файл событий не меняется.\n",
    kOptions, "", 1, Run};
