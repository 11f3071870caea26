#include "settings/theme_file.h"

#include <algorithm>
#include <array>
#include <exception>
#include <fstream>
#include <system_error>

#include "events/ansi.h"

namespace fs = std::filesystem;

namespace {

const std::string kThemeHeader = "Calendar:";
constexpr size_t kMaxSettingsFile = 1u << 20;

fs::path PathOfAnsiName(std::string_view name) {
    const std::string u = utf8(name);
    return fs::path(std::u8string(u.begin(), u.end()));
}

// The entry's name in the code page; none when the code page cannot hold it
// (such a file can be neither shown nor opened by name).
std::optional<std::string> AnsiNameOf(const fs::path& entry) {
    std::u8string u8;
    try {
        u8 = entry.filename().u8string();
    } catch (const std::exception&) {  // a Windows name with a lone surrogate
        return std::nullopt;
    }
    const std::string u(u8.begin(), u8.end());
    if (!FitsAnsi(u)) return std::nullopt;
    return ansi(u);
}

// Names of the folder's entries in the code page, with their paths. A missing
// or unreadable folder has none.
std::vector<std::pair<std::string, fs::path>> EntriesOf(const fs::path& folder) {
    std::vector<std::pair<std::string, fs::path>> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (auto name = AnsiNameOf(it->path())) entries.emplace_back(std::move(*name), it->path());
    return entries;
}

std::string UpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return r;
}

bool IsDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    const std::string up = UpperAscii(base);
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (up == device) return true;
    return up.size() == 4 && (up.starts_with("COM") || up.starts_with("LPT")) && up[3] >= '0' &&
           up[3] <= '9';
}

// A cell holding a line break would shift every line after it.
std::string OneLine(std::string s) {
    std::replace_if(s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return s;
}

}  // namespace

std::vector<std::string> ThemeValues(std::string_view fileText) {
    std::vector<std::string> lines = SplitLines(fileText);
    std::vector<std::string> values;
    for (size_t i = 2; i < lines.size(); i += 2) values.push_back(std::move(lines[i]));
    return values;
}

std::string ThemeFileText(const std::vector<GridRow>& rows) {
    std::string text = kThemeHeader + "\r\n";
    for (const GridRow& row : rows) text += OneLine(row.caption) + "\r\n" + OneLine(row.color) + "\r\n";
    return text;
}

fs::path ThemesDir(const fs::path& dataDir) { return dataDir / "themes"; }

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    if (name.find("..") != std::string_view::npos) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) return false;
    }
    return !IsDeviceName(name);
}

std::string SmallCaption(std::string_view fileName) {
    const size_t slash = fileName.find_last_of("\\/:");
    if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
    return std::string(fileName.substr(0, fileName.rfind('.')));
}

bool SameThemeName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && AnsiLowerCase(a) == AnsiLowerCase(b);
}

bool IsThemeNameChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    // 0xC0-0xFF are А-Я and а-я in the code page, 0xA8 and 0xB8 Ё and ё.
    return c == '-' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z') || b >= 0xC0 || b == 0xA8 || b == 0xB8;
}

ThemeNameCheck CheckThemeName(std::string_view name) {
    if (name.empty()) return ThemeNameCheck::Empty;
    if (!std::all_of(name.begin(), name.end(), IsThemeNameChar)) return ThemeNameCheck::BadCharacter;
    if (IsDeviceName(name)) return ThemeNameCheck::DeviceName;
    return ThemeNameCheck::Ok;
}

std::optional<fs::path> ResolveThemeFile(const fs::path& themesDir, std::string_view fileName) {
    if (!IsPlainFileName(fileName)) return std::nullopt;
    std::optional<std::pair<std::string, fs::path>> match;
    for (auto& entry : EntriesOf(themesDir)) {
        if (entry.first == fileName) return entry.second;
        // Two names differing only in case (possible on Linux): the same one every time.
        if (SameThemeName(entry.first, fileName) && (!match || entry.first < match->first))
            match = std::move(entry);
    }
    if (match) return match->second;
    return themesDir / PathOfAnsiName(fileName);
}

std::optional<fs::path> FindThemeFile(const fs::path& themesDir, std::string_view fileName) {
    auto file = ResolveThemeFile(themesDir, fileName);
    std::error_code ec;
    if (!file || !fs::is_regular_file(*file, ec)) return std::nullopt;
    return file;
}

std::vector<std::string> FindFiles(const fs::path& folder, std::string_view extension) {
    const std::string suffix = AnsiLowerCase("." + std::string(extension));
    std::vector<std::string> names;
    for (const auto& [name, path] : EntriesOf(folder)) {
        if (name.size() <= suffix.size() || !IsPlainFileName(name)) continue;
        const size_t stem = name.size() - suffix.size();
        if (AnsiLowerCase(name.substr(stem)) == suffix) names.push_back(name.substr(0, stem));
    }
    return names;
}

bool ReadSettingsFile(const fs::path& file, std::string& text) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::uintmax_t size = fs::file_size(file, ec);
    std::string head(ec ? kMaxSettingsFile : static_cast<size_t>(std::min<std::uintmax_t>(size, kMaxSettingsFile)), '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    if (in.bad()) return false;
    head.resize(static_cast<size_t>(in.gcount()));
    text = std::move(head);
    return true;
}

bool ReadThemeValues(const fs::path& file, std::vector<std::string>& values) {
    std::string text;
    if (!ReadSettingsFile(file, text)) return false;
    values = ThemeValues(text);
    return true;
}

std::optional<AppliedScheme> LoadToDoThemaFromFile(const fs::path& file,
                                                   std::vector<std::string>& ListColorShem) {
    std::vector<std::string> values;
    if (!ReadThemeValues(file, values)) return std::nullopt;
    ListColorShem = std::move(values);
    return SetColorShema(ListColorShem);
}

WriteResult SaveThemeFile(const fs::path& themesDir, std::string_view name,
                          const std::vector<GridRow>& rows) {
    const std::string fileName = std::string(name) + ".tdt";
    if (!IsPlainFileName(name) || !IsPlainFileName(fileName))
        return {false, "недопустимое имя темы: " + utf8(name)};
    std::error_code ec;
    if (!fs::exists(themesDir, ec)) fs::create_directory(themesDir, ec);  // a failure shows in the write
    return WriteFileAtomically(*ResolveThemeFile(themesDir, fileName), ThemeFileText(rows));
}

std::vector<std::string> ChangedShippedThemes(const fs::path& themesDir, const std::vector<ShippedTheme>& shipped) {
    std::vector<std::string> changed;
    for (const ShippedTheme& theme : shipped) {
        const auto file = FindThemeFile(themesDir, theme.fileName);
        std::string text;
        // A file larger than any theme reads cut, and so differs.
        if (!file || !ReadSettingsFile(*file, text) || text != theme.text)
            changed.push_back(SmallCaption(theme.fileName));
    }
    return changed;
}

WriteResult RestoreShippedThemes(const fs::path& themesDir, const std::vector<ShippedTheme>& shipped,
                                 const std::vector<std::string>& names) {
    std::error_code ec;
    if (!fs::exists(themesDir, ec)) fs::create_directory(themesDir, ec);  // a failure shows in the write
    for (const ShippedTheme& theme : shipped) {
        if (std::find(names.begin(), names.end(), SmallCaption(theme.fileName)) == names.end()) continue;
        const auto file = ResolveThemeFile(themesDir, theme.fileName);
        if (!file) return {false, "недопустимое имя темы: " + utf8(theme.fileName)};
        if (WriteResult w = WriteFileAtomically(*file, theme.text); !w.ok) return w;
    }
    return {true, {}};
}
