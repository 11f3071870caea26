// dayloom-cli agenda and reminders: the day list and the day's reminders as
// plain UTF-8 lines, for a terminal, a status bar or a script.
#include "dayview/agenda.h"
#include "dayview/day_list.h"
#include "events/event_file.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

std::string LoadProblem(const LoadReport& rep, const std::filesystem::path& file) {
    switch (rep.status) {
        case LoadReport::Status::Missing:
            return "нет файла событий " + CliPathText(file);
        case LoadReport::Status::Unreadable:
            return "файл событий " + CliPathText(file) + " не читается";
        case LoadReport::Status::Damaged:
        default:
            return "файл событий " + CliPathText(file) + " повреждён: " + rep.problem +
                   " (прочитано событий: " + std::to_string(rep.loaded) + " из " +
                   std::to_string(rep.announced) + ")";
    }
}

int RunDayList(const CliCall& call, const CliArgs& a, bool agenda) {
    std::ostream& err = call.err;
    const std::string* date = a.Value("--date");
    if (!agenda && date) return CliFailWithHint(err, "параметр --date относится только к команде agenda");

    TDateTime moment = call.clockNow;
    if (const std::string* now = a.Value("--now")) {
        const auto parsed = ParseCliMoment(*now);
        if (!parsed)
            return CliFailWithHint(err, "неверный момент «" + *now +
                                            "» (нужно ГГГГ-ММ-ДД ЧЧ:ММ, например 2010-10-11 09:30)");
        moment = *parsed;
    }
    TDateTime day = DateOf(moment);
    if (date) {
        const auto parsed = ParseCliDate(*date);
        if (!parsed)
            return CliFailWithHint(err, "неверная дата «" + *date + "» (нужно ГГГГ-ММ-ДД, например 2010-10-11)");
        day = *parsed;
    }
    std::string problem;
    const auto dir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dir) return CliFailWithHint(err, problem);
    const std::filesystem::path file = *dir / kCliEventFile;

    // Only the events of the one day are kept: the file is read a chunk at
    // a time and checked whole, but never built into a store, and only the
    // day's own events have their texts read.
    const TDateTime listDay = agenda ? DateOf(day) : moment;
    const ListMode mode = agenda ? ListMode::Day : ListMode::Reminder;
    TodoItems store;
    const LoadReport rep = ScanEventFile(
        file, FallsOnDay(listDay, mode),
        [&](const TTodoItem& e) { store.Add(e); });
    if (rep.status != LoadReport::Status::Ok) return CliFail(err, LoadProblem(rep, file));

    const DayListFormats fmt{};
    // The window's snoozed reminders, at their new moments.
    const SnoozeList snoozed = agenda ? SnoozeList() : SnoozeList::Load(SnoozeFileIn(*dir));
    const std::vector<std::string> lines =
        agenda ? AgendaLines(store, day, moment, fmt) : ReminderLines(store, moment, fmt, &snoozed);
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    call.out << text;
    call.out.flush();
    if (!call.out) return CliFail(err, "не удалось вывести результат");
    return 0;
}

// Both verbs read the same options; reminders refuses --date by name.
constexpr CliOption kOptions[] = {
    {"--data", "КАТАЛОГ", "каталог данных с файлом ListToDo.db; по умолчанию тот же,\nчто у программы dayloom: ", true},
    {"--date", "ДАТА", "день списка (только для agenda); по умолчанию день момента --now"},
    {"--now", "МОМЕНТ", "текущий момент; по умолчанию часы компьютера"},
};

}  // namespace

constexpr CliVerb kAgendaVerb{
    "agenda", CliGroup::Reading,
    "  dayloom-cli agenda [--data КАТАЛОГ] [--date ГГГГ-ММ-ДД] [--now \"ГГГГ-ММ-ДД ЧЧ:ММ\"]\n"
    "      список событий дня, как его показывает окно dayloom:\n"
    "      в каждой строке время из столбца «Старт», табуляция и название.\n",
    kOptions, "", 0, [](const CliCall& call, const CliArgs& a) { return RunDayList(call, a, true); }};

constexpr CliVerb kRemindersVerb{
    "reminders", CliGroup::Reading,
    "  dayloom-cli reminders [--data КАТАЛОГ] [--now \"ГГГГ-ММ-ДД ЧЧ:ММ\"]\n"
    "      напоминания дня, которые подаст dayloom:\n"
    "      в каждой строке момент напоминания ГГГГ-ММ-ДД ЧЧ:ММ, табуляция и название;\n"
    "      отложенные напоминания — в момент, на который их отложили.\n",
    kOptions, "", 0, [](const CliCall& call, const CliArgs& a) { return RunDayList(call, a, false); }};
