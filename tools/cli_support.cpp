#include "tools/cli_support.h"

#include <system_error>

#include "events/ansi.h"
#include "events/data_folder.h"
#include "import/zet_text.h"

namespace {

bool Digits(std::string_view s, size_t from, size_t count, int& value) {
    value = 0;
    for (size_t i = from; i < from + count; ++i) {
        const char c = s[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool ParseDateParts(std::string_view s, int& y, int& m, int& d) {
    if (s.size() < 10 || s[4] != '-' || s[7] != '-') return false;
    if (!Digits(s, 0, 4, y) || !Digits(s, 5, 2, m) || !Digits(s, 8, 2, d)) return false;
    return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m);
}

}  // namespace

std::optional<TDateTime> ParseCliDate(std::string_view text) {
    int y, m, d;
    if (text.size() != 10 || !ParseDateParts(text, y, m, d)) return std::nullopt;
    return EncodeDate(y, m, d);
}

std::optional<TDateTime> ParseCliMoment(std::string_view text) {
    int y, mo, d, h, mi;
    if (text.size() != 16 || !ParseDateParts(text, y, mo, d) || text[10] != ' ' || text[13] != ':')
        return std::nullopt;
    if (!Digits(text, 11, 2, h) || !Digits(text, 14, 2, mi) || h > 23 || mi > 59) return std::nullopt;
    return EncodeDateTime(y, mo, d, h, mi);
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

bool TakeCliLock(const std::filesystem::path& dir, const char* writer, FolderLock& lock, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec) && !MakeDataFolder(dir, ec)) {
        error = "не удалось создать каталог " + CliPathText(dir) + ": " + ec.message();
        return false;
    }
    // The window holds the folder for as long as it is open: no use waiting for it.
    auto state = lock.Take(dir, writer);
    if (state == FolderLock::State::Busy && !lock.Problem().starts_with(kWindowLockOwner))
        state = lock.Take(dir, writer, kCliLockWait);
    if (state == FolderLock::State::Failed) {
        error = "папка данных " + CliPathText(dir) + " не блокируется (" + lock.Problem() +
                "); файл событий не изменён";
        return false;
    }
    if (state == FolderLock::State::Busy) {
        error = lock.Problem().starts_with(kWindowLockOwner)
                    ? "открыто окно dayloom с папкой данных " + CliPathText(dir) +
                          ": закройте его и повторите (пока окно открыто, события в этой папке "
                          "записывает оно)"
                    : "папка данных " + CliPathText(dir) + " занята: " + lock.Problem() +
                          ". Повторите, когда команда закончит работу";
        return false;
    }
    return true;
}

std::optional<CliStore> LoadCliStore(const std::filesystem::path& dir, const char* writer, std::string& error) {
    CliStore s;
    s.dir = dir;
    s.file = dir / kCliEventFile;
    if (writer && !TakeCliLock(dir, writer, s.lock, error)) return std::nullopt;
    s.doc = std::make_unique<EventDocument>(s.file);
    const LoadReport rep = writer ? s.doc->Load() : s.doc->LoadToRead();
    if (rep.status == LoadReport::Status::Missing) return s;
    if (rep.status == LoadReport::Status::Ok) {
        s.existed = true;
        return s;
    }
    error = CliLoadProblem(s.file, rep);
    return std::nullopt;
}

std::string CliLoadProblem(const std::filesystem::path& file, const LoadReport& rep) {
    if (rep.status == LoadReport::Status::Unreadable)
        return "файл событий " + CliPathText(file) + " не читается" +
               (rep.problem.empty() || rep.problem == "файл не читается" ? "" : ": " + rep.problem);
    return "файл событий " + CliPathText(file) + " повреждён: " + rep.problem +
           " (прочитано событий: " + std::to_string(rep.loaded) + " из " + std::to_string(rep.announced) +
           "); он не изменён";
}

bool SaveCliStore(CliStore& s, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(s.dir, ec) && !MakeDataFolder(s.dir, ec)) {
        error = "не удалось создать каталог " + CliPathText(s.dir) + ": " + ec.message();
        return false;
    }
    for (int attempt = 0;; ++attempt) {
        const WriteResult w = s.doc->Save();
        if (w.ok) return true;
        if (!w.changedOutside || attempt >= 3) {
            error = "не удалось записать " + CliPathText(s.file) + ": " + w.error;
            return false;
        }
        // Another writer got past the lock (its file was deleted, say): its
        // events are kept, merged with this command's.
        const auto merge = s.doc->MergeOutsideChanges(std::string(kCliEventFile) + ".damaged");
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
        f.Error = "Стандартный ввод не читается.";
        return f;
    }
    return ZetTextLines(data);
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
