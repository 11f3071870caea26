#include "tools/cli_support.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "events/ansi.h"
#include "events/data_folder.h"
#include "import/zet_text.h"

const char* const kCliWriterWarning =
    "Команды, которые записывают файл событий (import, import-ics, remove-imported,\n"
    "good-days), отказываются работать, пока окно dayloom открыто с той же папкой\n"
    "данных: пока оно открыто, события этой папки записывает оно. Две такие команды\n"
    "сразу не работают: вторая ждёт до 10 секунд, пока закончит первая.\n";

const std::string* CliArgs::Value(const std::string& name) const {
    for (const auto& [n, v] : values)
        if (n == name) return &v;
    return nullptr;
}

bool CliArgs::Flag(const std::string& name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<CliArgs> ReadCliArgs(const std::vector<std::string>& args,
                                   const std::vector<std::string>& valueOptions,
                                   const std::vector<std::string>& flagOptions, std::string& error) {
    auto known = [](const std::vector<std::string>& list, const std::string& n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    CliArgs out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-') {  // "-" alone is a file: standard input
            out.positional.push_back(a);
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        if (known(flagOptions, name) && eq == std::string::npos) {
            if (out.Flag(name)) { error = "параметр " + name + " указан дважды"; return std::nullopt; }
            out.flags.push_back(name);
            continue;
        }
        if (!known(valueOptions, name)) { error = "неизвестный параметр " + name; return std::nullopt; }
        if (out.Value(name)) { error = "параметр " + name + " указан дважды"; return std::nullopt; }
        if (eq != std::string::npos) {
            out.values.emplace_back(name, a.substr(eq + 1));
        } else {
            if (i + 1 >= args.size()) { error = "у параметра " + name + " нет значения"; return std::nullopt; }
            out.values.emplace_back(name, args[++i]);
        }
    }
    return out;
}

std::filesystem::path CliPath(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string CliPathText(const std::filesystem::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

std::optional<MonthChoice> ParseMonthList(const std::string& text) {
    if (text == "all") return MonthChoice::All();
    MonthChoice months;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int m = 0;
        if (item.empty() || item[0] == '+' || item[0] == '-' || !TryParseDecimal(item, m) || m < 1 || m > 12)
            return std::nullopt;
        months.Set(m);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return months;
}

// Messages quote names, arguments and file contents: whatever of them a
// terminal would act on is shown as text, here where every message passes.
int CliFail(std::ostream& err, const std::string& message) {
    err << kCliProgram << ": " << ShownText(message, 4000) << '\n';
    return 1;
}

int CliFailWithHint(std::ostream& err, const std::string& message) {
    err << kCliProgram << ": " << ShownText(message, 4000) << "\n(справка: " << kCliProgram << " --help)\n";
    return 1;
}

std::optional<CliStore> LoadCliStore(const std::filesystem::path& dir, const char* writer, std::string& error) {
    CliStore s;
    s.dir = dir;
    s.file = dir / kCliEventFile;
    if (writer) {
        std::error_code ec;
        if (!std::filesystem::is_directory(dir, ec) && !MakeDataFolder(dir, ec)) {
            error = "не удалось создать каталог " + CliPathText(dir) + ": " + ec.message();
            return std::nullopt;
        }
        // The window holds the folder for as long as it is open: no use waiting for it.
        auto state = s.lock.Take(dir, writer);
        if (state == FolderLock::State::Busy && !s.lock.Problem().starts_with(kWindowLockOwner))
            state = s.lock.Take(dir, writer, kCliLockWait);
        if (state == FolderLock::State::Failed) {
            error = "папка данных " + CliPathText(dir) + " не блокируется (" + s.lock.Problem() +
                    "); файл событий не изменён";
            return std::nullopt;
        }
        if (state == FolderLock::State::Busy) {
            error = s.lock.Problem().starts_with(kWindowLockOwner)
                        ? "открыто окно dayloom с папкой данных " + CliPathText(dir) +
                              ": закройте его и повторите (пока окно открыто, события в этой папке "
                              "записывает оно)"
                        : "папка данных " + CliPathText(dir) + " занята: " + s.lock.Problem() +
                              ". Повторите, когда команда закончит работу";
            return std::nullopt;
        }
        s.keeper = std::make_unique<EventFileKeeper>(s.file);
    }
    const LoadReport rep = s.keeper ? s.keeper->Load(s.items) : LoadFromFile(s.file, s.items);
    switch (rep.status) {
        case LoadReport::Status::Ok: s.existed = true; return s;
        case LoadReport::Status::Missing: return s;
        case LoadReport::Status::Unreadable:
            error = "файл событий " + CliPathText(s.file) + " не читается" +
                    (rep.problem.empty() || rep.problem == "файл не читается" ? "" : ": " + rep.problem);
            return std::nullopt;
        case LoadReport::Status::Damaged:
        default:
            error = "файл событий " + CliPathText(s.file) + " повреждён: " + rep.problem +
                    " (прочитано событий: " + std::to_string(rep.loaded) + " из " +
                    std::to_string(rep.announced) + "); он не изменён";
            return std::nullopt;
    }
}

bool SaveCliStore(CliStore& s, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(s.dir, ec) && !MakeDataFolder(s.dir, ec)) {
        error = "не удалось создать каталог " + CliPathText(s.dir) + ": " + ec.message();
        return false;
    }
    if (!s.keeper) s.keeper = std::make_unique<EventFileKeeper>(s.file);
    for (int attempt = 0;; ++attempt) {
        const WriteResult w = s.keeper->Save(s.items);
        if (w.ok) return true;
        if (!w.changedOutside || attempt >= 3) {
            error = "не удалось записать " + CliPathText(s.file) + ": " + w.error;
            return false;
        }
        // Another writer got past the lock (its file was deleted, say): its
        // events are kept, merged with this command's.
        const auto merge = s.keeper->MergeOutsideChanges(s.items, std::string(kCliEventFile) + ".damaged");
        if (!merge.ok) {
            error = "файл событий " + CliPathText(s.file) + " изменила другая программа, и он не читается (" +
                    merge.problem + "); он не изменён";
            return false;
        }
    }
}

ZetFile ReadZetStream(std::istream& in) {
    const std::string data = ReadZetBytes(in);
    if (in.bad()) {
        ZetFile f;
        f.Error = ansi("Стандартный ввод не читается.");
        return f;
    }
    return ZetTextLines(data);
}

int CliPrintHelp(std::ostream& out, std::ostream& err, void (*usage)(std::ostream&), bool writes) {
    out << "Использование:\n";
    usage(out);
    if (writes) out << '\n' << kCliWriterWarning;
    out.flush();
    return out ? 0 : CliFail(err, "не удалось вывести справку");
}

std::optional<MonthChoice> CliMonths(const CliArgs& args, std::string& error) {
    const std::string* m = args.Value("--months");
    if (!m) return MonthChoice::All();
    auto parsed = ParseMonthList(*m);
    if (!parsed) error = "неверный список месяцев «" + *m + "» (нужно all или, например, 1,3,12)";
    return parsed;
}

std::optional<std::filesystem::path> CliDataDir(const CliArgs& args, const std::filesystem::path& defaultDir,
                                                std::string& error) {
    const std::string* text = args.Value("--data");
    if (!text) return defaultDir;
    if (text->empty()) {
        error = "пустое значение --data";
        return std::nullopt;
    }
    return CliPath(*text);
}
