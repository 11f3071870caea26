#include "settings/autostart.h"

#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Utf8(const fs::path& p) {
    const std::u8string u = p.u8string();
    return {u.begin(), u.end()};
}

// Escapes of a value of type string: the backslash and the control
// characters that would break the line.
std::string EscapeString(std::string_view s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    return out;
}

// One argument of Exec: inside double quotes the quote, backquote, dollar
// and backslash take a backslash, and a percent sign is doubled (it starts
// a field code); the result is then escaped as any string value.
std::string QuoteExecArgument(std::string_view arg) {
    std::string q = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') q += '\\';
        if (c == '%') q += '%';
        q += c;
    }
    q += '"';
    return EscapeString(q);
}

// A value of type string with its escapes resolved.
std::string UnescapeString(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char n = s[++i];
        out += n == 's' ? ' ' : n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n;
    }
    return out;
}

// The arguments of an Exec value: blanks part them, double quotes keep them
// whole (a backslash there takes the next character as it is).
std::vector<std::string> ExecArguments(std::string_view exec) {
    std::vector<std::string> args;
    size_t i = 0;
    while (i < exec.size()) {
        if (exec[i] == ' ' || exec[i] == '\t') {
            ++i;
            continue;
        }
        std::string arg;
        bool quoted = false;
        for (; i < exec.size() && (quoted || (exec[i] != ' ' && exec[i] != '\t')); ++i) {
            const char c = exec[i];
            if (c == '"') quoted = !quoted;
            else if (quoted && c == '\\' && i + 1 < exec.size()) arg += exec[++i];
            else arg += c;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

fs::path StartUpLinkName() {
#ifdef _WIN32
    return "dayloom.lnk";
#else
    return "dayloom.desktop";
#endif
}

std::optional<fs::path> XdgAutostartFolder(std::string_view xdgConfigHome, std::string_view home) {
    // The variables hold POSIX paths: absolute means a leading slash.
    auto path = [](std::string_view s) { return fs::path(std::u8string(s.begin(), s.end())); };
    if (xdgConfigHome.starts_with('/')) return path(xdgConfigHome) / "autostart";
    if (!home.starts_with('/')) return std::nullopt;
    return path(home) / ".config" / "autostart";
}

std::string AutostartDesktopEntry(const fs::path& exe) {
    const std::string program = Utf8(exe);
    const std::string exec = (program.find('%') != std::string::npos ? "env " : "") + QuoteExecArgument(program);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=dayloom\n"
           "Comment=Органайзер: календарь, события и напоминания\n"
           "Exec=" + exec + "\n"
           "Path=" + EscapeString(Utf8(exe.parent_path())) + "\n"
           "Icon=dayloom\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::vector<std::string> AutostartExecWords(std::string_view entry) {
    bool inGroup = false;
    while (!entry.empty()) {
        const size_t end = entry.find('\n');
        const std::string_view line = Trimmed(entry.substr(0, end));
        entry.remove_prefix(end == std::string_view::npos ? entry.size() : end + 1);
        if (line.starts_with('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const size_t eq = line.find('=');
        if (inGroup && eq != std::string_view::npos && Trimmed(line.substr(0, eq)) == "Exec")
            return ExecArguments(UnescapeString(Trimmed(line.substr(eq + 1))));
    }
    return {};
}

std::optional<fs::path> AutostartEntryProgram(std::string_view entry) {
    const std::vector<std::string> words = AutostartExecWords(entry);
    size_t first = 0;
    if (first < words.size() && (words[first] == "env" || words[first].ends_with("/env"))) {
        ++first;
        while (first < words.size() && (words[first].starts_with('-') || words[first].find('=') != std::string::npos))
            ++first;
    }
    if (first >= words.size() || words[first].empty()) return std::nullopt;
    std::string program;  // %% is a percent sign
    for (size_t i = 0; i < words[first].size(); ++i) {
        program += words[first][i];
        if (words[first][i] == '%' && i + 1 < words[first].size() && words[first][i + 1] == '%') ++i;
    }
    return fs::path(std::u8string(program.begin(), program.end()));
}

bool SameProgram(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    if (!ec) return same;
    return a.lexically_normal() == b.lexically_normal();
}
