#include "settings/user_options.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <system_error>
#include <utility>
#include <vector>

#include "dayview/sound_choice.h"
#include "events/ansi.h"
#include "settings/theme_file.h"

namespace fs = std::filesystem;

namespace {

const std::string kDefaultTheme = "Default.tdt";
// A path the code page cannot hold is written as UTF-8 after this mark; no
// path in the code page begins with its bytes ("п»ї").
const std::string kUtf8Mark = "\xEF\xBB\xBF";

std::string PathText(const fs::path& p) {
    try {
        const std::u8string u8 = p.u8string();
        return std::string(u8.begin(), u8.end());
    } catch (const std::exception&) {  // a Windows path with a lone surrogate
        return {};
    }
}

std::optional<fs::path> PathOfUtf8(const std::string& text) {
    try {
        return fs::path(std::u8string(text.begin(), text.end()));
    } catch (const std::exception&) {  // not UTF-8 where the system checks (Windows)
        return std::nullopt;
    }
}

std::string SoundLine(const fs::path& sound) {
    const std::string u = PathText(sound);
    return FitsAnsi(u) ? ansi(u) : kUtf8Mark + u;
}

std::optional<fs::path> SoundOfLine(const std::string& line) {
    if (line.starts_with(kUtf8Mark)) return PathOfUtf8(line.substr(kUtf8Mark.size()));
    return PathOfUtf8(utf8(line));
}

bool Overlaps(const ScreenRect& a, const ScreenRect& b) {
    const int64_t left = std::max<int64_t>(a.left, b.left);
    const int64_t right = std::min<int64_t>(int64_t{a.left} + a.width, int64_t{b.left} + b.width);
    const int64_t top = std::max<int64_t>(a.top, b.top);
    const int64_t bottom = std::min<int64_t>(int64_t{a.top} + a.height, int64_t{b.top} + b.height);
    return left < right && top < bottom;
}

int BirthDayInRange(int day) { return day >= 0 && day <= 31 ? day : 0; }

}  // namespace

WindowBounds DefaultPlacement(const ScreenRect& workArea, int screenWidth, int width, int height) {
    const auto top = int64_t{workArea.top} + workArea.height - height;
    const auto left = int64_t{screenWidth} - width;
    auto narrow = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {narrow(top), narrow(left), height, width};
}

UserOptions DefaultOptions(const fs::path& exeDir, const WindowBounds& placement) {
    UserOptions o;
    o.Bounds = ClampWindowSize(placement);
    o.SoundFile = DefaultSoundFile(exeDir);
    return o;
}

WindowBounds ClampWindowSize(WindowBounds b) {
    b.width = kWindowWidth;
    b.height = std::max(b.height, kMinWindowHeight);
    return b;
}

WindowBounds PlaceWindow(const WindowBounds& stored, const ScreenRect& workArea, int screenWidth,
                         std::span<const ScreenRect> availableAreas) {
    int tallest = workArea.height;
    for (const ScreenRect& area : availableAreas) tallest = std::max(tallest, area.height);
    WindowBounds b = stored;
    b.height = std::min(b.height, std::max(tallest, kMinWindowHeight));
    const ScreenRect captionBar{b.left, b.top, b.width, kCaptionBarHeight};
    if (availableAreas.empty() ||
        std::any_of(availableAreas.begin(), availableAreas.end(),
                    [&](const ScreenRect& area) { return Overlaps(captionBar, area); }))
        return b;
    return DefaultPlacement(workArea, screenWidth, b.width, b.height);
}

bool AcceptableSoundFile(const fs::path& file) {
    return PathText(file).find_first_of("\r\n") == std::string::npos;
}

UserOptions ReadOptions(std::string_view fileText, const UserOptions& defaults) {
    const std::vector<std::string> lines = SplitLines(fileText);
    const auto line = [&lines](size_t n) { return n <= lines.size() ? &lines[n - 1] : nullptr; };
    const auto number = [&line](size_t n, int& setting) {
        if (const std::string* l = line(n)) TryParseDecimal(*l, setting);  // keeps it when not a number
    };
    const auto isOff = [&line](size_t n) {
        const std::string* l = line(n);
        return l && *l == "0";
    };
    UserOptions o = defaults;
    number(1, o.Bounds.top);
    number(2, o.Bounds.left);
    number(3, o.Bounds.height);
    number(4, o.Bounds.width);
    o.Bounds = ClampWindowSize(o.Bounds);
    if (const std::string* l = line(5))
        if (auto sound = SoundOfLine(*l)) o.SoundFile = *sound;
    if (const std::string* l = line(6); l && IsPlainFileName(*l)) o.CurrentThemeFile = *l;
    if (isOff(7)) o.CalendarVisible = false;
    number(8, o.BirthDayIndex);
    o.BirthDayIndex = BirthDayInRange(o.BirthDayIndex);
    if (isOff(9)) o.ShowWeekNumbers = false;
    number(10, o.WeekStartDay);
    o.WeekStartDay = std::clamp(o.WeekStartDay, 1, 7);
    if (isOff(11)) o.SplitRemainingTime = false;
    return o;
}

std::optional<UserOptions> LoadWindowParam(const fs::path& optionsFile, const UserOptions& defaults) {
    std::string text;
    if (!ReadSettingsFile(optionsFile, text)) return std::nullopt;
    return ReadOptions(text, defaults);
}

std::string OptionsFileText(const UserOptions& o, const fs::path& defaultSound) {
    const WindowBounds b = ClampWindowSize(o.Bounds);
    const fs::path sound = AcceptableSoundFile(o.SoundFile)     ? o.SoundFile
                           : AcceptableSoundFile(defaultSound) ? defaultSound
                                                               : fs::path();
    const std::string lines[] = {
        std::to_string(b.top),
        std::to_string(b.left),
        std::to_string(b.height),
        std::to_string(b.width),
        SoundLine(sound),
        IsPlainFileName(o.CurrentThemeFile) ? o.CurrentThemeFile : kDefaultTheme,
        o.CalendarVisible ? "1" : "0",
        std::to_string(BirthDayInRange(o.BirthDayIndex)),
        o.ShowWeekNumbers ? "1" : "0",
        std::to_string(std::clamp(o.WeekStartDay, 1, 7)),
        o.SplitRemainingTime ? "1" : "0",
    };
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    return text;
}

WriteResult SaveWinOption(const fs::path& optionsFile, const UserOptions& options, const fs::path& defaultSound,
                          LinkPolicy links) {
    std::error_code ec;
    const fs::path dataDir = optionsFile.parent_path();
    if (!dataDir.empty() && !fs::exists(dataDir, ec)) fs::create_directory(dataDir, ec);  // a failure shows in the write
    const std::string text = OptionsFileText(options, defaultSound);
    bool given = false;
    return WriteChunksAtomically(
        optionsFile, [&] { return std::exchange(given, true) ? std::string_view() : std::string_view(text); }, true,
        links);
}

bool LooksLikeOptionsFile(std::string_view text) {
    if (text.size() > 4096 || text.find('\0') != std::string_view::npos) return false;
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.size() > 11) return false;
    int number = 0;
    for (size_t i = 0; i < lines.size() && i < 4; ++i)
        if (!TryParseDecimal(lines[i], number)) return false;
    return true;
}
