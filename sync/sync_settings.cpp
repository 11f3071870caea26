#include "sync/sync_settings.h"

#include <charconv>

#include "events/ansi.h"

namespace {

constexpr std::string_view kHeader = "dayloom sync settings 1";

// A value is one line: anything that would break it is left out.
std::string OneLine(std::string_view v) {
    std::string out;
    for (const char c : v)
        if (c != '\n' && c != '\r') out += c;
    return out;
}

}  // namespace

bool GoesToServer(TImportKind kind, const SyncSettings& s) {
    switch (kind) {
        case TImportKind::None: return true;
        case TImportKind::FavourableDays: return s.favourableDays;
        case TImportKind::MoonDays:
        case TImportKind::SunRiseSet:
        case TImportKind::MoonAspects:
        case TImportKind::VoidOfCourse: return s.zetImports;
    }
    return false;  // a kind a later version made: not sent unasked
}

std::string SyncSettingsText(const SyncSettings& s) {
    std::string out(kHeader);
    out += '\n';
    auto put = [&](const char* key, std::string_view value) {
        out += key;
        out += '=';
        out += OneLine(value);
        out += '\n';
    };
    put("url", s.url);
    put("user", s.user);
    put("calendar", s.calendar);
    put("calendar-name", s.calendarName);
    put("password-command", s.passwordCommand);
    put("allow-http", s.allowPlainHttp ? "1" : "0");
    put("zet-imports", s.zetImports ? "1" : "0");
    put("favourable-days", s.favourableDays ? "1" : "0");
    put("every-minutes", std::to_string(s.everyMinutes));
    return out;
}

bool ReadSyncSettings(std::string_view text, SyncSettings& s, std::string& error) {
    s = SyncSettings{};
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    bool first = true;
    for (const std::string& read : SplitLines(text)) {
        const std::string_view line = read;
        if (first) {
            first = false;
            if (line != kHeader) {
                error = "это не файл настроек синхронизации";
                return false;
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
        auto flag = [&](bool& b) {
            if (value == "1" || value == "0") b = value == "1";
        };
        if (key == "url") s.url = value;
        else if (key == "user") s.user = value;
        else if (key == "calendar") s.calendar = value;
        else if (key == "calendar-name") s.calendarName = value;
        else if (key == "password-command") s.passwordCommand = value;
        else if (key == "allow-http") flag(s.allowPlainHttp);
        else if (key == "zet-imports") flag(s.zetImports);
        else if (key == "favourable-days") flag(s.favourableDays);
        else if (key == "every-minutes") {
            int m = 0;
            const auto r = std::from_chars(value.data(), value.data() + value.size(), m);
            if (r.ec == std::errc() && r.ptr == value.data() + value.size() && m >= 0 && m <= 24 * 60) s.everyMinutes = m;
        }
    }
    if (first) {
        error = "файл настроек синхронизации пуст";
        return false;
    }
    return true;
}

std::string PasswordLine(std::string_view output) {
    std::string_view line = output.substr(0, output.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line);
}
