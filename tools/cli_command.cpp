#include "tools/cli_command.h"

#include <algorithm>

namespace {

const char* const kWriterWarning =
    "Команды, которые записывают файл событий (import, import-ics, remove-imported,\n"
    "good-days, sync-setup, sync), отказываются работать, пока окно dayloom открыто\n"
    "с той же папкой данных: пока оно открыто, события этой папки записывает (и\n"
    "синхронизирует) оно. Две такие команды сразу не работают: вторая ждёт\n"
    "до 10 секунд, пока закончит первая.\n";

const CliOption* Find(std::span<const CliOption> options, std::string_view name) {
    for (const CliOption& o : options)
        if (o.name == name) return &o;
    return nullptr;
}

// Characters, not bytes: the names of values are Cyrillic.
size_t Width(std::string_view utf8Text) {
    return static_cast<size_t>(
        std::count_if(utf8Text.begin(), utf8Text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string Label(const CliOption& o) {
    std::string label(o.name);
    if (o.TakesValue()) label.append(" ").append(o.value);
    return label;
}

// The options that have a help line, the name and value in a column as wide
// as the widest of them and two spaces, the help's further lines under its first.
void OptionLines(std::ostream& os, std::string_view indent, const std::vector<const CliOption*>& options,
                 const std::filesystem::path& defaultDataDir) {
    size_t column = 0;
    for (const CliOption* o : options) column = std::max(column, Width(Label(*o)) + 2);
    for (const CliOption* o : options) {
        const std::string label = Label(*o);
        os << indent << label << std::string(column - Width(label), ' ');
        for (size_t from = 0;;) {
            const size_t end = o->help.find('\n', from);
            os << o->help.substr(from, end - from);
            if (end == std::string_view::npos) break;
            os << '\n' << indent << std::string(column, ' ');
            from = end + 1;
        }
        if (o->endsWithDataFolder) {
            const std::u8string folder = defaultDataDir.u8string();
            os << std::string_view(reinterpret_cast<const char*>(folder.data()), folder.size());
        }
        os << '\n';
    }
}

std::vector<const CliOption*> Described(std::span<const CliOption> options) {
    std::vector<const CliOption*> out;
    for (const CliOption& o : options)
        if (!o.help.empty()) out.push_back(&o);
    return out;
}

void Usage(std::ostream& os, const CliVerb& verb) {
    os << verb.usage;
    if (verb.group != CliGroup::Reading) OptionLines(os, "    ", Described(verb.options), {});
    os << verb.notes;
}

void Group(std::ostream& os, std::span<const CliVerb* const> verbs, CliGroup group) {
    for (const CliVerb* v : verbs)
        if (v->group == group) Usage(os, *v);
}

}  // namespace

const std::string* CliArgs::Value(std::string_view name) const {
    for (const auto& [n, v] : values)
        if (n == name) return &v;
    return nullptr;
}

bool CliArgs::Flag(std::string_view name) const {
    return std::find(flags.begin(), flags.end(), name) != flags.end();
}

std::optional<CliArgs> ReadCliArgs(const std::vector<std::string>& args, std::span<const CliOption> options,
                                   bool& help, std::string& error) {
    help = false;
    CliArgs out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
            return out;
        }
        if (a.size() < 2 || a[0] != '-') {  // "-" alone is a file: standard input
            out.positional.push_back(a);
            continue;
        }
        const size_t eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const CliOption* o = Find(options, name);
        if (!o || (!o->TakesValue() && eq != std::string::npos)) {
            error = "неизвестный параметр " + name;
            return std::nullopt;
        }
        if (out.Flag(name) || out.Value(name)) {
            error = "параметр " + name + " указан дважды";
            return std::nullopt;
        }
        if (!o->TakesValue()) {
            out.flags.push_back(name);
        } else if (eq != std::string::npos) {
            out.values.emplace_back(name, a.substr(eq + 1));
        } else if (i + 1 < args.size()) {
            out.values.emplace_back(name, args[++i]);
        } else {
            error = "у параметра " + name + " нет значения";
            return std::nullopt;
        }
    }
    return out;
}

void PrintGeneralHelp(std::ostream& os, std::span<const CliVerb* const> verbs,
                      const std::filesystem::path& defaultDataDir) {
    os << "Использование:\n";
    Group(os, verbs, CliGroup::Reading);
    os << "  dayloom-cli --help | -h\n"
          "      эта справка.\n"
          "\n"
          "Параметры (можно и в виде --параметр=значение):\n";
    // The reading verbs' options, each once.
    std::vector<const CliOption*> shared;
    for (const CliVerb* v : verbs) {
        if (v->group != CliGroup::Reading) continue;
        for (const CliOption* o : Described(v->options))
            if (std::none_of(shared.begin(), shared.end(), [&](const CliOption* s) { return s->name == o->name; }))
                shared.push_back(o);
    }
    OptionLines(os, "  ", shared, defaultDataDir);
    os << "\n"
          "Строки выводятся в UTF-8. Код выхода: 0 — успех, 1 — ошибка (сообщение в stderr).\n"
          "\n"
          "Обмен с другими календарями:\n";
    Group(os, verbs, CliGroup::Exchange);
    os << "\nКоманды, которые записывают файл событий:\n";
    Group(os, verbs, CliGroup::Writing);
    os << "  dayloom-cli import --help, dayloom-cli good-days --help и т. д.\n"
          "      справка по одной команде.\n\n"
       << kWriterWarning;
}

void PrintVerbHelp(std::ostream& os, const CliVerb& verb) {
    os << "Использование:\n";
    Usage(os, verb);
    if (verb.group == CliGroup::Writing) os << '\n' << kWriterWarning;
}
