#pragma once
// Where dayloom keeps its data and finds the files it ships with. The program
// and dayloom-cli both ask here, so they always agree on the folder.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

constexpr const char* kDataFolderName = "dayloom_data";

// The data folder: `dayloom_data` beside the executable while that folder can
// be written (a portable copy keeps everything with it), otherwise
// `dayloom_data` in the per-user application folder. An installed program
// (/usr/bin, C:\Program Files) lands in the second case, so it still saves.
// An empty `perUserAppData` (the system names none) keeps the folder beside
// the executable.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& exeDir,
                                       const std::filesystem::path& perUserAppData);

// Creates the data folder, and the folders above it, when missing; a folder
// made here is the user's alone. False with `ec` set when it cannot be made.
bool MakeDataFolder(const std::filesystem::path& dir, std::error_code& ec);

// Whether files can be created in `folder`, or, when it does not exist yet,
// in the nearest folder above it that does. Tried for real with a file that
// is removed again: permissions alone do not tell (an administrator, a
// read-only medium, a folder the system virtualizes).
bool CanWriteIn(const std::filesystem::path& folder);

// The per-user application folder as the platform names it, from the
// environment (`env` looks a variable up; none when unset): on Linux
// $XDG_DATA_HOME/dayloom or ~/.local/share/dayloom, on Windows
// %APPDATA%\dayloom (%LOCALAPPDATA% when APPDATA is unset). The same folder
// the program gets from its toolkit. Empty when the environment names none.
using EnvLookup = std::function<std::optional<std::string>(const char* name)>;
std::filesystem::path PerUserAppDataFolder(const EnvLookup& env);

// A file shipped with the program: beside the executable (a build tree, a
// portable copy), else in the installed share/dayloom beside its bin folder.
// The path beside the executable when neither holds it.
std::filesystem::path FindShippedFile(const std::filesystem::path& exeDir,
                                      const std::filesystem::path& name);
