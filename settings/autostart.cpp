#include "settings/autostart.h"

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
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=dayloom\n"
           "Comment=Органайзер: календарь, события и напоминания\n"
           "Exec=" + QuoteExecArgument(Utf8(exe)) + "\n"
           "Path=" + EscapeString(Utf8(exe.parent_path())) + "\n"
           "Icon=dayloom\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}
