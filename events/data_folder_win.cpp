// The per-user folder on Windows; events/data_folder_posix.cpp is the XDG one.
#ifdef _WIN32

#include "events/data_folder.h"

std::filesystem::path PerUserAppDataFolder(const EnvLookup& env) {
    // The roaming folder is where the toolkit's application data location
    // points; the caller's lookup gives the value as UTF-8.
    for (const char* name : {"APPDATA", "LOCALAPPDATA"}) {
        const std::optional<std::string> v = env(name);
        if (v && !v->empty())
            return std::filesystem::path(std::u8string(v->begin(), v->end())) / "dayloom";
    }
    return {};
}

#endif
