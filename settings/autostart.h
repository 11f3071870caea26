#pragma once
// Starting with the user's session: the entry the program puts into the
// user's start-up folder — a shortcut dayloom.lnk on Windows, an XDG
// autostart entry dayloom.desktop elsewhere — and where that folder is.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "dayloom.lnk" on Windows, "dayloom.desktop" elsewhere.
std::filesystem::path StartUpLinkName();

// $XDG_CONFIG_HOME/autostart, or $HOME/.config/autostart when the variable
// is unset, empty or not absolute (the XDG rule). None without a home.
std::optional<std::filesystem::path> XdgAutostartFolder(std::string_view xdgConfigHome,
                                                        std::string_view home);

// The autostart entry that starts `exe` in its own folder. Exec quotes the
// path by the desktop-entry rules, so blanks, quotes, dollars and percent
// signs in folder names survive; a line break is written escaped and cannot
// end the line. Desktops look the program of Exec up before they turn %% into
// %, so a path with a percent sign is handed to `env`.
std::string AutostartDesktopEntry(const std::filesystem::path& exe);

// The words of Exec in the entry's "Desktop Entry" group as a desktop parts
// them, field codes (%%) still in them: the first is what it looks for on
// disk. None without such a line.
std::vector<std::string> AutostartExecWords(std::string_view entry);
// The program an autostart entry starts: the first word of Exec (`env` and
// its settings passed over), %% read as %. None without one.
std::optional<std::filesystem::path> AutostartEntryProgram(std::string_view entry);

// Whether two paths name one program: the same file when both exist, else
// the same path once "." and ".." are resolved.
bool SameProgram(const std::filesystem::path& a, const std::filesystem::path& b);
