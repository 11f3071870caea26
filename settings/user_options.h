#pragma once
// The options file `user_options`: eleven lines, CR LF, in the code page —
// window top, left, height, width, the sound file, the theme file name,
// calendar shown, day of birth, week numbers shown, first day of the week,
// time left split. And where the window goes at first show.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "events/safe_file.h"

constexpr int kWindowWidth = 265;          // the main window's fixed width
constexpr int kMinWindowHeight = 450;
constexpr int kDefaultWindowHeight = 545;
constexpr int kCaptionBarHeight = 28;      // what the user drags the caption-less window by

struct WindowBounds {
    int top = 0, left = 0, height = kDefaultWindowHeight, width = kWindowWidth;
    friend bool operator==(const WindowBounds&, const WindowBounds&) = default;
};

// A screen rectangle as QRect(x, y, width, height) gives it.
struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
};

struct UserOptions {
    WindowBounds Bounds;
    std::filesystem::path SoundFile;               // EdMediaFile; may be empty
    std::string CurrentThemeFile = "Default.tdt";  // a plain file name in the code page
    bool CalendarVisible = true;
    int BirthDayIndex = 0;                         // 0..31, 0 = none
    bool ShowWeekNumbers = true;
    int WeekStartDay = 1;                          // the calendar's StartDay: 1 Monday .. 7 Sunday
    bool SplitRemainingTime = true;
    friend bool operator==(const UserOptions&, const UserOptions&) = default;
};

// Bottom right: the window's bottom on the work area's bottom, its right edge
// on the screen's right edge.
WindowBounds DefaultPlacement(const ScreenRect& workArea, int screenWidth,
                              int width = kWindowWidth, int height = kDefaultWindowHeight);
// The settings before the file is read: the default placement, the platform's
// default sound beside `exeDir`, "Default.tdt".
UserOptions DefaultOptions(const std::filesystem::path& exeDir, const WindowBounds& placement);

// The fixed width and the least height.
WindowBounds ClampWindowSize(WindowBounds b);
// The stored bounds, unless the window's caption bar then shows on none of
// the available areas (a screen since removed): then the default placement
// of the same size, so the window never opens out of reach. A height beyond
// the tallest area (at least the least height) is cut to it: the system
// cannot place a window taller than its coordinates reach. With no areas
// known the work area stands for them.
WindowBounds PlaceWindow(const WindowBounds& stored, const ScreenRect& workArea, int screenWidth,
                         std::span<const ScreenRect> availableAreas);

// A sound file can be kept only when its path holds no line break.
bool AcceptableSoundFile(const std::filesystem::path& file);

// The file's settings over the defaults. Total: a line that is missing or
// does not convert keeps its default and the lines after it are still read;
// a theme name that is not a plain file name, a day of birth outside 0..31
// and a first day outside 1..7 read as the default, 0 and the nearest end.
UserOptions ReadOptions(std::string_view fileText, const UserOptions& defaults);
// None when there is no options file to read: the defaults stand, the panels
// get the default gradient and no theme is applied. Otherwise the theme named
// by CurrentThemeFile is applied when FindThemeFile finds it.
std::optional<UserOptions> LoadWindowParam(const std::filesystem::path& optionsFile,
                                           const UserOptions& defaults);

// The eleven lines. A value that would break the format is written as its
// default: a sound path with a line break as `defaultSound`, a theme name
// that is not plain as "Default.tdt".
std::string OptionsFileText(const UserOptions& options, const std::filesystem::path& defaultSound);
// Writes the file through a temporary renamed over it, creating the data
// folder (one level) when it is missing; a failure leaves the old file whole.
// `links` says what happens where the file is a symbolic link.
WriteResult SaveWinOption(const std::filesystem::path& optionsFile, const UserOptions& options,
                          const std::filesystem::path& defaultSound, LinkPolicy links = LinkPolicy::Follow);
// Whether `text` may be an options file of this program (an empty one too):
// short, text only, at most eleven lines, the first four of them numbers. A
// file that is not — another program's, put in its place or behind a link —
// is kept as a copy before anything is saved in its place.
bool LooksLikeOptionsFile(std::string_view text);
