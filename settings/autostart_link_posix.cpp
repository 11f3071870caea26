// The XDG autostart entry; settings/autostart_link_win.cpp is the Windows shortcut.
#ifndef _WIN32

#include <cstdlib>
#include <system_error>

#include "settings/autostart.h"
#include "settings/autostart_link.h"
#include "settings/theme_file.h"

namespace fs = std::filesystem;

std::optional<fs::path> FindStartUpFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return XdgAutostartFolder(config ? config : "", home ? home : "");
}

WriteResult MyLinkForStartUp(const fs::path& link, const fs::path& exe) {
    std::error_code ec;
    fs::create_directories(link.parent_path(), ec);  // a failure shows in the write
    return WriteFileAtomically(link, AutostartDesktopEntry(exe));
}

std::optional<fs::path> StartUpLinkTarget(const fs::path& link) {
    std::string text;
    if (!ReadSettingsFile(link, text)) return std::nullopt;
    return AutostartEntryProgram(text);
}

#endif
