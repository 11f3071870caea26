#pragma once
// The platform half of starting with the session: where the user's start-up
// folder is and how the entry in it is made. The program reaches these
// through its Environment, so tests point it at a folder of their own.
#include <filesystem>
#include <optional>

#include "events/safe_file.h"

// The user's start-up folder: FOLDERID_Startup on Windows, the XDG autostart
// folder elsewhere. None when the system does not tell it; nothing is then
// written anywhere.
std::optional<std::filesystem::path> FindStartUpFolder();

// Creates or replaces the entry `link` that starts `exe` in the executable's
// own folder (with its own path as the argument on Windows). The entry's
// folder is created when missing.
WriteResult MyLinkForStartUp(const std::filesystem::path& link, const std::filesystem::path& exe);
// The program the entry `link` starts; none when it cannot be read or names none.
std::optional<std::filesystem::path> StartUpLinkTarget(const std::filesystem::path& link);
