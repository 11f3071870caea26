#pragma once
// Starting with the user's session: the entry the program puts into the
// user's start-up folder — a shortcut dayloom.lnk on Windows, an XDG
// autostart entry dayloom.desktop elsewhere — and where that folder is.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// "dayloom.lnk" on Windows, "dayloom.desktop" elsewhere.
std::filesystem::path StartUpLinkName();

// $XDG_CONFIG_HOME/autostart, or $HOME/.config/autostart when the variable
// is unset, empty or not absolute (the XDG rule). None without a home.
std::optional<std::filesystem::path> XdgAutostartFolder(std::string_view xdgConfigHome,
                                                        std::string_view home);

// The autostart entry that starts `exe` in its own folder. Exec quotes the
// path by the desktop-entry rules, so blanks, quotes, dollars and percent
// signs in folder names survive; a line break is written escaped and cannot
// end the line.
std::string AutostartDesktopEntry(const std::filesystem::path& exe);
