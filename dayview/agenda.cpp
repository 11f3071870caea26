#include "dayview/agenda.h"

#include <exception>
#include <new>

#include "dayview/day_list.h"
#include "events/ansi.h"
#include "events/event_file.h"

namespace {

constexpr const char* kProgram = "dayloom-cli";
constexpr const char* kEventFile = "ListToDo.db";

// The reminder timer never raises these copies.
bool TimerSkips(const TTodoItem& copy) { return copy.ImageIndex == kAlertNone || copy.Complete; }

// Arguments and messages are UTF-8; a path made from a narrow string would be
// read in the ANSI code page on Windows, where a Cyrillic folder gets lost.
std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string PathText(const std::filesystem::path& p) {
    const std::u8string u8 = p.u8string();
    return std::string(u8.begin(), u8.end());
}

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

void Usage(std::ostream& os, const std::filesystem::path& defaultDataDir) {
    os << "Использование:\n"
          "  dayloom-cli agenda [--data КАТАЛОГ] [--date ГГГГ-ММ-ДД] [--now \"ГГГГ-ММ-ДД ЧЧ:ММ\"]\n"
          "      список событий дня, как его показывает окно dayloom:\n"
          "      в каждой строке время из столбца «Старт», табуляция и название.\n"
          "  dayloom-cli reminders [--data КАТАЛОГ] [--now \"ГГГГ-ММ-ДД ЧЧ:ММ\"]\n"
          "      напоминания дня, которые подаст dayloom:\n"
          "      в каждой строке момент напоминания ГГГГ-ММ-ДД ЧЧ:ММ, табуляция и название.\n"
          "  dayloom-cli --help | -h\n"
          "      эта справка.\n"
          "\n"
          "Параметры (можно и в виде --параметр=значение):\n"
          "  --data КАТАЛОГ  каталог данных с файлом ListToDo.db; по умолчанию тот же,\n"
          "                  что у программы dayloom: "
       << PathText(defaultDataDir)
       << "\n"
          "  --date ДАТА     день списка (только для agenda); по умолчанию день момента --now\n"
          "  --now МОМЕНТ    текущий момент; по умолчанию часы компьютера\n"
          "\n"
          "Строки выводятся в UTF-8. Код выхода: 0 — успех, 1 — ошибка (сообщение в stderr).\n";
}

struct Option {
    const char* name;
    std::optional<std::string> value;
};

// Messages quote paths and arguments: whatever of them a terminal would act
// on is shown as text.
int Fail(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << ShownText(message, 4000) << '\n';
    return 1;
}

int FailWithHint(std::ostream& err, const std::string& message) {
    err << kProgram << ": " << ShownText(message, 4000) << "\n(справка: " << kProgram << " --help)\n";
    return 1;
}

std::string LoadProblem(const LoadReport& rep, const std::filesystem::path& file) {
    switch (rep.status) {
        case LoadReport::Status::Missing:
            return "нет файла событий " + PathText(file);
        case LoadReport::Status::Unreadable:
            return "файл событий " + PathText(file) + " не читается";
        case LoadReport::Status::Damaged:
        default:
            return "файл событий " + PathText(file) + " повреждён: " + rep.problem +
                   " (прочитано событий: " + std::to_string(rep.loaded) + " из " +
                   std::to_string(rep.announced) + ")";
    }
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const std::filesystem::path& defaultDataDir, TDateTime clockNow) {
    std::string command;
    Option data{"--data", {}}, date{"--date", {}}, now{"--now", {}};
    Option* const options[] = {&data, &date, &now};

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            Usage(out, defaultDataDir);
            out.flush();
            return out ? 0 : Fail(err, "не удалось вывести справку");
        }
        if (a.size() > 1 && a[0] == '-') {
            const size_t eq = a.find('=');
            const std::string name = a.substr(0, eq);
            Option* opt = nullptr;
            for (Option* o : options)
                if (name == o->name) opt = o;
            if (!opt) return FailWithHint(err, "неизвестный параметр " + name);
            if (opt->value) return FailWithHint(err, "параметр " + name + " указан дважды");
            if (eq != std::string::npos) {
                opt->value = a.substr(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    return FailWithHint(err, "у параметра " + name + " нет значения");
                opt->value = args[++i];
            }
            continue;
        }
        if (!command.empty()) return FailWithHint(err, "лишний аргумент «" + a + "»");
        if (a != "agenda" && a != "reminders") {
            err << kProgram << ": неизвестная команда «" << a << "»\n";
            Usage(err, defaultDataDir);
            return 1;
        }
        command = a;
    }
    if (command.empty()) {
        err << kProgram << ": не указана команда\n";
        Usage(err, defaultDataDir);
        return 1;
    }
    if (command == "reminders" && date.value)
        return FailWithHint(err, "параметр --date относится только к команде agenda");

    TDateTime moment = clockNow;
    if (now.value) {
        const auto parsed = ParseCliMoment(*now.value);
        if (!parsed)
            return FailWithHint(err, "неверный момент «" + *now.value +
                                         "» (нужно ГГГГ-ММ-ДД ЧЧ:ММ, например 2010-10-11 09:30)");
        moment = *parsed;
    }
    TDateTime day = DateOf(moment);
    if (date.value) {
        const auto parsed = ParseCliDate(*date.value);
        if (!parsed)
            return FailWithHint(err, "неверная дата «" + *date.value +
                                         "» (нужно ГГГГ-ММ-ДД, например 2010-10-11)");
        day = *parsed;
    }
    if (data.value && data.value->empty()) return FailWithHint(err, "пустое значение --data");
    const std::filesystem::path dir = data.value ? PathFromUtf8(*data.value) : defaultDataDir;
    const std::filesystem::path file = dir / kEventFile;

    // Only the events of the one day are kept: the file is read a chunk at
    // a time and checked whole, but never built into a store.
    const bool agenda = command == "agenda";
    const TDateTime listDay = agenda ? DateOf(day) : moment;
    const ListMode mode = agenda ? ListMode::Day : ListMode::Reminder;
    TodoItems store;
    const LoadReport rep = ScanEventFile(file, [&](const TTodoItem& e) {
        if (FallsOnDay(e, listDay, mode)) store.Add(e);
    });
    if (rep.status != LoadReport::Status::Ok) return Fail(err, LoadProblem(rep, file));

    const DayListFormats fmt{};
    const std::vector<std::string> lines = command == "agenda" ? AgendaLines(store, day, moment, fmt)
                                                               : ReminderLines(store, moment, fmt);
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    out << text;
    out.flush();
    if (!out) return Fail(err, "не удалось вывести результат");
    return 0;
}

}  // namespace

std::string CliField(std::string_view ansiText) {
    std::string clean(ansiText);
    for (char& c : clean) {
        const auto b = static_cast<unsigned char>(c);
        // 0x98 has no character in the code page and would come out as a C1 control.
        if (b < 0x20 || b == 0x7F || b == 0x98) c = ' ';
    }
    return utf8(clean);
}

std::vector<std::string> AgendaLines(const TodoItems& store, TDateTime day, TDateTime now,
                                     const DayListFormats& fmt) {
    TodoItems copies;
    UpDateTdList(store, DateOf(day), ListMode::Day, now, fmt, copies);
    std::vector<std::string> lines;
    lines.reserve(size_t(copies.Count()));
    for (const TTodoItem& c : copies) lines.push_back(CliField(c.Category) + '\t' + CliField(c.Subject));
    return lines;
}

std::vector<std::string> ReminderLines(const TodoItems& store, TDateTime now,
                                       const DayListFormats& fmt) {
    TodoItems copies;
    UpDateTdList(store, now, ListMode::Reminder, now, fmt, copies);
    std::vector<std::string> lines;
    for (const TTodoItem& c : copies)
        if (!TimerSkips(c)) lines.push_back(FormatCliMoment(c.DueDate) + '\t' + CliField(c.Subject));
    return lines;
}

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

std::string FormatCliMoment(TDateTime moment) { return FormatDateTime("yyyy-MM-dd HH:mm", moment); }

int RunDayloomCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  const std::filesystem::path& defaultDataDir, TDateTime clockNow) {
    try {
        return Run(args, out, err, defaultDataDir, clockNow);
    } catch (const std::bad_alloc&) {
        return Fail(err, "не хватает памяти");
    } catch (const std::exception& e) {
        return Fail(err, std::string("ошибка: ") + e.what());
    }
}
