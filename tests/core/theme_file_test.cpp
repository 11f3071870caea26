#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "events/ansi.h"
#include "settings/theme_file.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

std::vector<GridRow> DesignRows() {
    std::vector<std::string> list;
    return PreViewColorShema(list, DesignColors());
}

// A theme file text with the given values and `sep` after every line.
std::string ThemeText(const std::vector<std::string>& values, std::string_view caption,
                      std::string_view sep) {
    std::string text = "Calendar:" + std::string(sep);
    for (const std::string& v : values) text += std::string(caption) + std::string(sep) + v + std::string(sep);
    return text;
}

TEST(ThemeFile, LinesEndAtCrLfLfOrCr) {
    using L = std::vector<std::string>;
    const struct {
        std::string_view text;
        L want;
    } cases[] = {
        {"", {}},           {"a", {"a"}},              {"a\r\n", {"a"}},         {"a\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}}, {"a\r\n\r\nb", {"a", "", "b"}}, {"\r\n", {""}},   {"a\n\r", {"a", ""}},
        {"a\r\r\n", {"a", ""}}, {std::string_view("x\0y", 3), {std::string("x\0y", 3)}},
        {std::string_view("a\n\n", 2), {"a"}},  // a view ends where it says, whatever follows it
    };
    for (const auto& c : cases) EXPECT_EQ(SplitLines(c.text), c.want) << testing::PrintToString(c.text);
}

TEST(ThemeFile, SixtyNineLinesRoundTripInACyrillicFolder) {
    TempFolder data;
    const fs::path themes = ThemesDir(data.path());
    const auto rows = DesignRows();
    ASSERT_TRUE(SaveThemeFile(themes, ansi("Ночь"), rows).ok);  // creates the themes folder

    const fs::path file = themes / Named("Ночь.tdt");
    EXPECT_EQ(TempFolder::Read(file), ThemeFileText(rows));  // whose lines ShippedThemes pins

    std::vector<std::string> list = {"stale"};
    const auto applied = LoadToDoThemaFromFile(file, list);
    ASSERT_TRUE(applied);
    EXPECT_EQ(list, GridColors(rows));
    EXPECT_TRUE(applied->Complete() && applied->panelsPainted);
}

TEST(ThemeFile, OnlyValuePositionsAreRead) {
    const std::vector<std::string> values = GridColors(DesignRows());
    for (const auto& [caption, sep] : {std::pair{"", "\r\n"}, std::pair{"other text", "\n"},
                                        std::pair{"clRed", "\r"}})
        EXPECT_EQ(ThemeValues(ThemeText(values, caption, sep)), values) << caption;
    EXPECT_EQ(ThemeValues("Calendar:\r\ncaption\r\n"), std::vector<std::string>{});
    EXPECT_EQ(ThemeValues("Calendar:\r\ncaption\r\nclRed\r\ncaption"), std::vector<std::string>{"clRed"});
}

TEST(ThemeFile, ShortAndUnreadableFiles) {
    TempFolder dir;
    const std::vector<std::string> all = GridColors(DesignRows());
    for (size_t n : {30u, 32u, 0u}) {
        TempFolder::Write(dir / "t.tdt", ThemeText({all.begin(), all.begin() + n}, "c", "\r\n"));
        std::vector<std::string> list = {"stale"};
        const auto r = LoadToDoThemaFromFile(dir / "t.tdt", list);
        ASSERT_TRUE(r);
        EXPECT_EQ(list.size(), n);
        EXPECT_EQ(r->FailedSlot(), n ? 0 : 1);
        EXPECT_EQ(r->panelsPainted, n == 32);  // with a black bottom shade
    }
    std::vector<std::string> list = {"kept"};
    EXPECT_FALSE(LoadToDoThemaFromFile(dir / "missing.tdt", list));
    EXPECT_FALSE(LoadToDoThemaFromFile(dir.path(), list));  // a folder
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST(ThemeFile, ACellWithALineBreakCannotShiftTheLines) {
    auto rows = DesignRows();
    rows[3].color = "clRed\r\nclBlue";
    const auto values = ThemeValues(ThemeFileText(rows));
    EXPECT_EQ(std::vector<std::string>(values.begin() + 3, values.begin() + 5),
              (std::vector<std::string>{"clRed  clBlue", "clGray"}));
}

TEST(ThemeNames, PlainNamesCaptionsAndCase) {
    for (const char* good : {"Default.tdt", "a.b", "con1.tdt", "CONSOLE.tdt", "COM10", "x-y_z", " a"})
        EXPECT_TRUE(IsPlainFileName(good)) << good;
    EXPECT_TRUE(IsPlainFileName(ansi("Ночь.tdt")));
    for (const char* bad : {"", ".", "..", "../x.tdt", "..\\x.tdt", "a/b", "a\\b", "C:x.tdt", "CON",
                            "con.tdt", "Nul.txt", "aux", "PRN.a.b", "COM1", "lpt9.tdt", "COM0",
                            "CON .tdt", "conin$", "CONOUT$.tdt", "x.", "x ", "a..b", "a\nb", "a\rb",
                            "a*b", "a?b", "a|b", "<a>", "\"a\""})
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    EXPECT_EQ(SmallCaption("Default.tdt"), "Default");
    EXPECT_EQ(SmallCaption("a.b.tdt"), "a.b");
    EXPECT_EQ(SmallCaption("plain"), "plain");
    EXPECT_EQ(SmallCaption("C:\\themes\\x.tdt"), "x");
    EXPECT_TRUE(SameThemeName(ansi("Ночь"), ansi("нОЧЬ")));
    EXPECT_TRUE(SameThemeName(ansi("Ёлка"), ansi("ёЛКА")));
    EXPECT_FALSE(SameThemeName("Night", "Nights"));
}

TEST(ThemeNames, OnlyLettersDigitsDashAndUnderscoreMakeATheme) {
    const struct {
        const char* name;  // UTF-8
        ThemeNameCheck check;
    } cases[] = {
        {"Night_2-b", ThemeNameCheck::Ok}, {"Ночь", ThemeNameCheck::Ok}, {"АБВЭЮЯабвэюя", ThemeNameCheck::Ok},
        {"", ThemeNameCheck::Empty},
        {"Моя тема", ThemeNameCheck::BadCharacter},   // a blank
        {"Night.old", ThemeNameCheck::BadCharacter},  // a dot
        {"../Default", ThemeNameCheck::BadCharacter}, {"a/b", ThemeNameCheck::BadCharacter},
        {"a\\b", ThemeNameCheck::BadCharacter},
        {"Ёлка", ThemeNameCheck::Ok}, {"ёжик", ThemeNameCheck::Ok},  // Ё and ё are letters too
        {"№1", ThemeNameCheck::BadCharacter}, {"a\tb", ThemeNameCheck::BadCharacter},
        {"a?b", ThemeNameCheck::BadCharacter}, {"CON", ThemeNameCheck::DeviceName},
        {"lpt1", ThemeNameCheck::DeviceName}, {"Com9", ThemeNameCheck::DeviceName},
        {"CONSOLE", ThemeNameCheck::Ok}, {"LPT10", ThemeNameCheck::Ok},
    };
    for (const auto& c : cases) EXPECT_EQ(CheckThemeName(ansi(c.name)), c.check) << c.name;
    // Every name that passes also names a plain file with its extension.
    for (const auto& c : cases) {
        if (c.check == ThemeNameCheck::Ok) {
            EXPECT_TRUE(IsPlainFileName(ansi(c.name) + ".tdt")) << c.name;
        }
    }
}

TEST(ThemeNames, FilesMatchWithoutRegardToCase) {
    TempFolder themes;
    TempFolder::Write(themes / "Night.tdt", "night");
    TempFolder::Write(themes / Named("ЛЕТО.tdt"), "summer");
    EXPECT_EQ(FindThemeFile(themes.path(), "night.tdt"), themes / "Night.tdt");
    EXPECT_EQ(FindThemeFile(themes.path(), ansi("лето.TDT")), themes / Named("ЛЕТО.tdt"));
    EXPECT_FALSE(FindThemeFile(themes.path(), "Day.tdt"));
    EXPECT_EQ(ResolveThemeFile(themes.path(), "Day.tdt"), themes / "Day.tdt");
    TempFolder::Write(themes / Named("Ёлка.tdt"), "tree");
    EXPECT_EQ(FindThemeFile(themes.path(), ansi("ёЛКА.tdt")), themes / Named("Ёлка.tdt"));
    fs::remove(themes / Named("Ёлка.tdt"));

    ASSERT_TRUE(SaveThemeFile(themes.path(), "NIGHT", DesignRows()).ok);
    EXPECT_TRUE(TempFolder::Read(themes / "Night.tdt").starts_with("Calendar:"));
    EXPECT_EQ(FindFiles(themes.path(), "tdt").size(), 2u);  // replaced, not doubled
#ifndef _WIN32
    // Where two names differ only in case, the exact one wins.
    TempFolder::Write(themes / "night.tdt", "lower");
    EXPECT_EQ(FindThemeFile(themes.path(), "night.tdt"), themes / "night.tdt");
    EXPECT_EQ(FindThemeFile(themes.path(), "NIGHT.tdt"), themes / "Night.tdt");
#endif
}

TEST(ShippedThemes, ThoseChangedOrGoneAreToldAndBroughtBack) {
    TempFolder data;
    const fs::path themes = ThemesDir(data.path());
    const std::vector<ShippedTheme> shipped = {{"Dark.tdt", "Calendar:\r\ndark\r\n"},
                                               {"Light.tdt", "Calendar:\r\nlight\r\n"},
                                               {"Default.tdt", "Calendar:\r\ndefault\r\n"}};
    EXPECT_EQ(ChangedShippedThemes(themes, shipped), (std::vector<std::string>{"Dark", "Light", "Default"}));
    ASSERT_TRUE(RestoreShippedThemes(themes, shipped, {"Dark", "Light", "Default"}).ok);  // makes the folder
    EXPECT_TRUE(ChangedShippedThemes(themes, shipped).empty());

    // A theme saved as "dark" took Dark's place; Default is gone; a user's own theme stays.
    TempFolder::Write(themes / "Dark.tdt", "mine");
    fs::remove(themes / "Default.tdt");
    TempFolder::Write(themes / "Mine.tdt", "own");
    EXPECT_EQ(ChangedShippedThemes(themes, shipped), (std::vector<std::string>{"Dark", "Default"}));
    ASSERT_TRUE(RestoreShippedThemes(themes, shipped, {"Dark"}).ok);
    EXPECT_EQ(TempFolder::Read(themes / "Dark.tdt"), shipped[0].text);
    EXPECT_FALSE(fs::exists(themes / "Default.tdt"));
    EXPECT_EQ(TempFolder::Read(themes / "Mine.tdt"), "own");
    EXPECT_EQ(FindFiles(themes, "tdt").size(), 3u);
}

TEST(ThemeNames, NothingOutsideTheThemesFolderIsReadOrWritten) {
    TempFolder data;
    const fs::path themes = ThemesDir(data.path());
    fs::create_directory(themes);
    TempFolder::Write(data / "secret.tdt", "Calendar:\r\nc\r\nclRed\r\n");
    for (const char* name : {"../secret", "..\\secret", "CON", "a/b", ""}) {
        EXPECT_FALSE(FindThemeFile(themes, std::string(name) + ".tdt")) << name;
        EXPECT_FALSE(SaveThemeFile(themes, name, DesignRows()).ok) << name;
    }
    EXPECT_EQ(TempFolder::Read(data / "secret.tdt"), "Calendar:\r\nc\r\nclRed\r\n");
    EXPECT_TRUE(fs::is_empty(themes));
}

TEST(ThemeNames, FindFilesListsUsableThemeNames) {
    TempFolder themes;
    for (std::string_view name : {"Default.tdt", "Night.TDT", "notes.txt", "x.tdtx", ".tdt", "a..b.tdt"})
        TempFolder::Write(themes / Named(name), "");
    fs::create_directory(themes / "folder.tdt");
    TempFolder::Write(themes / Named("日本.tdt"), "");  // the code page cannot hold it
#ifndef _WIN32
    TempFolder::Write(themes / "CON.tdt", "");
#endif
    const auto found = FindFiles(themes.path(), "tdt");
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()),
              (std::set<std::string>{"Default", "Night", "folder"}));
    EXPECT_TRUE(FindFiles(themes / "missing", "tdt").empty());
}

TEST(ThemeFile, AFailedSaveLeavesTheOldThemeWhole) {
    TempFolder themes;
    TempFolder::Write(themes / "Night.tdt", "old theme");
    BlockNextSafeWrite(themes / "Night.tdt");
    EXPECT_FALSE(SaveThemeFile(themes.path(), "night", DesignRows()).ok);
    EXPECT_EQ(TempFolder::Read(themes / "Night.tdt"), "old theme");
    // Two levels missing: the themes folder is made one level only, and the
    // failure is reported.
    EXPECT_FALSE(SaveThemeFile(themes / "no" / "themes", "x", DesignRows()).ok);
}

// The themes that ship are whole, canonical files that apply completely.
TEST(ShippedThemes, EveryThemeIsWholeAndApplies) {
    const fs::path dir = DAYLOOM_THEMES_DIR;
    const auto names = FindFiles(dir, "tdt");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              (std::set<std::string>{"Contrast", "Dark", "Default", "Light"}));
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string text = TempFolder::Read(dir / (name + ".tdt"));
        // 69 CR LF lines with the exact captions: what saving its own values writes.
        std::vector<std::string> values = ThemeValues(text);
        EXPECT_EQ(text, ThemeFileText(PreViewColorShema(values, DesignColors())));
        std::vector<std::string> list;
        const auto applied = LoadToDoThemaFromFile(dir / (name + ".tdt"), list);
        ASSERT_TRUE(applied);
        EXPECT_TRUE(applied->Complete() && applied->panelsPainted);
        for (const std::string& v : list) EXPECT_EQ(ColorToString(*StringToColor(v)), v);
        EXPECT_TRUE(name != "Default" || list == FullListColorShem(DesignColors()));
    }
}

}  // namespace
