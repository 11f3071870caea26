// dayloom-cli sync-setup and sync: the data folder's events with a calendar
// on a CalDAV server, from a terminal or a scheduled task. The password is
// never written by us: a command prints it, or the keyring the window keeps
// it in is read.
#include <algorithm>
#include <charconv>
#include <system_error>

#include "events/safe_file.h"
#include "sync/caldav_client.h"
#include "sync/document_sync.h"
#include "sync/sync_round.h"
#include "sync/sync_settings.h"
#include "sync/sync_status.h"
#include "tools/cli_support.h"
#include "tools/cli_verbs.h"

namespace {

bool ReadSettings(const std::filesystem::path& dir, SyncSettings& s, bool& exists, std::string& error) {
    const std::filesystem::path file = dir / kSyncSettingsFile;
    std::error_code ec;
    exists = std::filesystem::exists(file, ec);
    if (!exists) return true;
    std::string text, why;
    if (!ReadWholeFile(file, text)) {
        error = "файл настроек " + CliPathText(file) + " не читается";
        return false;
    }
    if (!ReadSyncSettings(text, s, why)) {
        error = "файл настроек " + CliPathText(file) + " не читается: " + why;
        return false;
    }
    return true;
}

bool Password(const CliCall& call, const SyncSettings& s, std::string& password, std::string& error) {
    if (!call.secrets) {
        error = "пароль взять неоткуда";
        return false;
    }
    std::string why;
    if (!s.passwordCommand.empty()) {
        if (call.secrets->runCommand && call.secrets->runCommand(s.passwordCommand, password, why)) return true;
        error = "команда пароля «" + s.passwordCommand + "» не дала пароль: " + why;
        return false;
    }
    if (call.secrets->keyring && call.secrets->keyring(SyncPasswordKey(s), password, why)) return true;
    error = "пароль для " + s.user + " на " + s.url + " не найден в хранилище паролей системы (" + why +
            "): укажите в dayloom-cli sync-setup --password-command КОМАНДА, которая выводит пароль, "
            "или сохраните его в окне «Синхронизация…»";
    return false;
}

// The calendar asked for by its name or its path; with none asked, the only one.
const CalendarFound* Choose(const std::vector<CalendarFound>& found, const std::string* asked) {
    auto trimmed = [](std::string p) {
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        return p;
    };
    if (!asked) return found.size() == 1 ? &found[0] : nullptr;
    for (const CalendarFound& c : found)
        if (c.name == *asked) return &c;
    for (const CalendarFound& c : found)
        if (trimmed(c.href) == trimmed(*asked)) return &c;
    return nullptr;
}

int Setup(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    std::string problem;
    if (a.positional.empty()) return CliFailWithHint(err, "не указан адрес сервера");
    const std::string* user = a.Value("--user");
    if (!user || user->empty()) return CliFailWithHint(err, "не указано имя пользователя (--user ИМЯ)");
    const auto dir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dir) return CliFailWithHint(err, problem);

    SyncSettings s;
    s.url = a.positional[0];
    s.user = *user;
    s.allowPlainHttp = a.Flag("--allow-http");
    s.zetImports = a.Flag("--zet-imports");
    s.favourableDays = a.Flag("--good-days");
    if (const std::string* cmd = a.Value("--password-command")) s.passwordCommand = *cmd;
    if (const std::string* every = a.Value("--every")) {
        int n = -1;
        const auto r = std::from_chars(every->data(), every->data() + every->size(), n);
        if (r.ec != std::errc() || r.ptr != every->data() + every->size() || n < 0 || n > 24 * 60)
            return CliFailWithHint(err, "неверное значение --every «" + *every + "» (нужно число минут 0–1440)");
        s.everyMinutes = n;
    }
    if (std::string refused = CalDavClient::CheckAddress(s.url, s.allowPlainHttp); !refused.empty())
        return CliFail(err, "адрес сервера не подходит: " + refused);
    std::string password;
    if (!Password(call, s, password, problem)) return CliFail(err, problem);

    FolderLock lock;
    if (!TakeCliLock(*dir, "dayloom-cli sync-setup", lock, problem)) return CliFail(err, problem);
    SyncSettings old;
    bool existed = false;
    // A damaged settings file is replaced: this command gives all of them
    // anew; what calendar it named is not known.
    const bool oldKnown = ReadSettings(*dir, old, existed, problem);

    CalDavClient client(s.url, s.user, password);
    std::vector<CalendarFound> found;
    if (!client.Discover(found, problem)) return CliFail(err, "календари не найдены: " + problem);
    const std::string* asked = a.Value("--calendar");
    const CalendarFound* chosen = Choose(found, asked);
    if (!chosen) {
        CliFail(err, found.empty() ? std::string("у пользователя нет календарей на этом сервере")
                     : asked      ? "календаря «" + *asked + "» нет; есть:"
                                  : std::string("календарей несколько; выберите один: --calendar ИМЯ"));
        for (const CalendarFound& c : found) err << "  " << c.name << '\t' << c.href << '\n';
        return 1;
    }
    s.calendar = chosen->href;
    s.calendarName = chosen->name;

    // What was agreed with another calendar would read as events deleted on
    // this one: forgotten before the settings name it.
    if (!oldKnown || !SameSyncCalendar(old, s)) {
        const WriteResult w = WriteFileAtomically(*dir / kSyncStateFile, SyncState{}.Text());
        if (!w.ok) return CliFail(err, "не удалось записать " + CliPathText(*dir / kSyncStateFile) + ": " + w.error);
    }
    const WriteResult w = WriteFileAtomically(*dir / kSyncSettingsFile, SyncSettingsText(s));
    if (!w.ok) return CliFail(err, "не удалось записать " + CliPathText(*dir / kSyncSettingsFile) + ": " + w.error);
    out << "Синхронизация настроена: календарь «" << s.calendarName << "» (" << s.calendar << "), пользователь "
        << s.user << ".\nПароль: "
        << (s.passwordCommand.empty() ? "из хранилища паролей системы" : "от команды «" + s.passwordCommand + "»")
        << ".\n";
    out.flush();
    return 0;
}

int Sync(const CliCall& call, const CliArgs& a) {
    std::ostream &out = call.out, &err = call.err;
    std::string problem;
    const auto dir = CliDataDir(a, call.defaultDataDir, problem);
    if (!dir) return CliFailWithHint(err, problem);
    SyncSettings s;
    bool exists = false;
    if (!ReadSettings(*dir, s, exists, problem)) return CliFail(err, problem);
    if (!exists || !s.Configured())
        return CliFail(err, "синхронизация не настроена: dayloom-cli sync-setup АДРЕС --user ИМЯ");
    if (std::string refused = CalDavClient::CheckAddress(s.url, s.allowPlainHttp); !refused.empty())
        return CliFail(err, "адрес сервера не подходит: " + refused);
    std::string password;
    if (!Password(call, s, password, problem)) return CliFail(err, problem);

    // The lock is held for the whole round: what the round takes is written
    // over the same events it read.
    auto store = LoadCliStore(*dir, "dayloom-cli sync", problem);
    if (!store) return CliFail(err, problem);
    SyncState state;
    std::string text;
    // A damaged state costs a full listing, nothing else.
    if (ReadWholeFile(*dir / kSyncStateFile, text)) state.Read(text);

    DocumentSync folder(*store->doc, s, call.zone);
    // New events' UIDs go to disk before the first of them is sent: killed
    // after the server took one, we would otherwise send it again under
    // another UID once the event is moved or renamed.
    folder.OnBeforeSending([&](std::string& why) { return !folder.KeepGivenUids() || SaveCliStore(*store, why); });
    CalDavClient client(s.url, s.user, password);
    const SyncReport report = RunSyncRound(client, s.calendar, state, folder);
    if (!report.ok) return CliFail(err, "синхронизация не удалась: " + report.error);
    const uint64_t before = store->doc->Version();
    folder.Apply();
    // The events first: a state ahead of the file would make the next round
    // take the server's old version over what was taken now.
    if (store->doc->Version() != before && !SaveCliStore(*store, problem)) return CliFail(err, problem);
    state.lastDone = call.clockNow;
    const WriteResult w = WriteFileAtomically(*dir / kSyncStateFile, state.Text());
    for (const std::string& p : report.problems) err << kCliProgram << ": не прошло: " << p << '\n';
    const SyncCounts counts = CountsOf(report, folder.LateConflicts());
    out << SyncCountsText(counts) << " (запросов: " << report.requests << ")\n";
    if (const std::string conflicts = SyncConflictNotice(counts.conflicts); !conflicts.empty())
        out << conflicts << '\n';
    out.flush();
    if (!w.ok)
        return CliFail(err, "события записаны, но не записано состояние синхронизации (" + w.error +
                                "): следующая синхронизация сверит события заново");
    return 0;
}

constexpr CliOption kSetupOptions[] = {
    {"--data", "КАТАЛОГ", ""},
    {"--user", "ИМЯ", "имя пользователя на сервере"},
    {"--calendar", "ИМЯ", "календарь по имени или пути; без него —\nединственный календарь пользователя"},
    {"--password-command", "КОМАНДА",
     "команда, которая выводит пароль первой строкой;\n"
     "без неё пароль берётся из хранилища паролей\n"
     "системы, где его хранит окно"},
    {"--allow-http", "", "разрешить http без шифрования к другому компьютеру"},
    {"--zet-imports", "", "отправлять и события из журналов ZET"},
    {"--good-days", "", "отправлять и благоприятные дни"},
    {"--every", "N", "окно синхронизирует каждые N минут (0 — только\nвручную); по умолчанию 15"},
};

constexpr CliOption kSyncOptions[] = {{"--data", "КАТАЛОГ", ""}};

}  // namespace

constexpr CliVerb kSyncSetupVerb{
    "sync-setup", CliGroup::Writing,
    "  dayloom-cli sync-setup АДРЕС --user ИМЯ [--calendar ИМЯ] [--data КАТАЛОГ]\n"
    "                         [--password-command КОМАНДА] [--allow-http]\n"
    "                         [--zet-imports] [--good-days] [--every N]\n"
    "      настраивает синхронизацию с календарём на сервере CalDAV: находит\n"
    "      календари пользователя и запоминает выбранный. Пароль в файлы не пишется.\n",
    kSetupOptions, "", 1, Setup};

constexpr CliVerb kSyncVerb{
    "sync", CliGroup::Writing,
    "  dayloom-cli sync [--data КАТАЛОГ]\n"
    "      один обмен с календарём на сервере: отправляет изменённое здесь, берёт\n"
    "      изменённое там и выводит, что отправлено и получено. Событие, изменённое\n"
    "      с обеих сторон, остаётся в версии сервера, а здесь сохраняется его копия\n"
    "      с пометкой «(конфликт)».\n",
    kSyncOptions, "", 0, Sync};
