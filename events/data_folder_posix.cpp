// The per-user folder on XDG systems; events/data_folder_win.cpp is Windows'.
#ifndef _WIN32

#include "events/data_folder.h"

std::filesystem::path PerUserAppDataFolder(const EnvLookup& env) {
    // Taken as it is, relative or not: the program's toolkit does the same,
    // and both must name one folder.
    const std::optional<std::string> xdg = env("XDG_DATA_HOME");
    if (xdg && !xdg->empty()) return std::filesystem::path(*xdg) / "dayloom";
    const std::optional<std::string> home = env("HOME");
    if (!home || home->empty()) return {};
    return std::filesystem::path(*home) / ".local" / "share" / "dayloom";
}

#endif
