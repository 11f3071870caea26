#pragma once
// Theme files (*.tdt in the themes folder): "Calendar:", then a caption line
// and a colour line per slot, CR LF, in the code page. Names of themes are
// texts in the code page, never paths: a name that could reach outside the
// themes folder is refused, and names match files without regard to case on
// every system.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "events/ansi.h"
#include "events/safe_file.h"
#include "settings/color_scheme.h"


// The value lines of a theme file (1-based lines 3, 5, 7, ... to the end);
// the first line and the captions are not read.
std::vector<std::string> ThemeValues(std::string_view fileText);
// "Calendar:", then each row's caption and colour; every line ends in CR LF.
std::string ThemeFileText(const std::vector<GridRow>& rows);

// dataDir/themes
std::filesystem::path ThemesDir(const std::filesystem::path& dataDir);

// A file name that names a file in the folder and nothing else: not empty; no
// folder separator, drive colon, wildcard or control character; no ".."; no
// trailing dot or blank; not a device (CON, PRN, AUX, NUL, COM0-9, LPT0-9,
// CONIN$, CONOUT$) with or without an extension.
bool IsPlainFileName(std::string_view name);
// The file name without folder and extension: "Default.tdt" gives "Default".
std::string SmallCaption(std::string_view fileName);
// Theme names are equal without regard to letter case, Cyrillic included.
bool SameThemeName(std::string_view a, std::string_view b);

// A character a theme name may hold (a code-page byte): "-", "_", digits,
// Latin letters and the Russian letters, Ё and ё among them. Such names are
// safe file names everywhere.
bool IsThemeNameChar(char c);
enum class ThemeNameCheck { Ok, Empty, BadCharacter, DeviceName };
// Whether `name` (without extension) may name a theme. Typing can only
// enter the allowed characters, but a pasted name can hold anything, so
// saving and loading ask this too; a device name (CON, LPT1, ...) is made
// of allowed characters and still refused.
ThemeNameCheck CheckThemeName(std::string_view name);

// Where the theme file `fileName` (with extension) lives: the entry of the
// folder whose name matches it without regard to case (the exact name first),
// else the folder joined with the name. None when the name is not plain.
std::optional<std::filesystem::path> ResolveThemeFile(const std::filesystem::path& themesDir,
                                                      std::string_view fileName);
// The same, only when that is an existing regular file.
std::optional<std::filesystem::path> FindThemeFile(const std::filesystem::path& themesDir,
                                                   std::string_view fileName);

// Names, without folder and extension, of the folder's entries ending in "."
// + extension (any case; files and folders alike, in the file system's
// order). Entries whose names the code page cannot hold or that are not plain
// names are left out: they could not be opened by name.
std::vector<std::string> FindFiles(const std::filesystem::path& folder, std::string_view extension);

// Reads a settings file, at most its first MiB (more than any settings file
// holds), so a stray huge file costs no memory; false when it cannot be read.
bool ReadSettingsFile(const std::filesystem::path& file, std::string& text);

// Reads the theme file's values; false when it cannot be read.
bool ReadThemeValues(const std::filesystem::path& file, std::vector<std::string>& values);
// Replaces ListColorShem by the file's values and applies them. None when the
// file cannot be read; the list is then left as it was.
std::optional<AppliedScheme> LoadToDoThemaFromFile(const std::filesystem::path& file,
                                                   std::vector<std::string>& ListColorShem);
// A theme that comes with the program: its file name ("Dark.tdt") and text.
struct ShippedTheme {
    std::string fileName;
    std::string text;
};
// The names (without extension) of the shipped themes whose file in the
// folder, in any letter case, is missing or no longer what shipped.
std::vector<std::string> ChangedShippedThemes(const std::filesystem::path& themesDir,
                                              const std::vector<ShippedTheme>& shipped);
// Writes the shipped themes named (without extension) over what is there,
// creating the folder when it is missing; stops at the first failure.
WriteResult RestoreShippedThemes(const std::filesystem::path& themesDir, const std::vector<ShippedTheme>& shipped,
                                 const std::vector<std::string>& names);

// Writes the rows as the theme `name` (without extension) into the themes
// folder, creating the folder (one level) when it is missing and replacing
// a file of that name in any letter case. A name that is not plain is refused.
WriteResult SaveThemeFile(const std::filesystem::path& themesDir, std::string_view name,
                          const std::vector<GridRow>& rows);
