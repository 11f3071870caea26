#include <gtest/gtest.h>

#include <map>

#include "events/data_folder.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(DataFolder, BesideTheProgramWhileItsFolderCanBeWritten) {
    TempFolder t;
    const fs::path perUser = t / "home" / ".local" / "share" / "dayloom";
    // A portable copy, and one whose data folder does not exist yet.
    EXPECT_EQ(ChooseDataFolder(t.path(), perUser), t / "dayloom_data");
    EXPECT_EQ(ChooseDataFolder(t / "new" / "bin", perUser), t / "new" / "bin" / "dayloom_data");
    // A folder nothing can be created in (under a file, as a read-only medium
    // refuses it even to an administrator): the per-user folder.
    TempFolder::Write(t / "file", "x");
    EXPECT_EQ(ChooseDataFolder(t / "file" / "bin", perUser), perUser / "dayloom_data");
    // No per-user folder known: the data stays beside the program.
    EXPECT_EQ(ChooseDataFolder(t / "file" / "bin", {}), t / "file" / "bin" / "dayloom_data");
    // The test left nothing behind.
    EXPECT_FALSE(fs::exists(t / ".dayloom-write-test"));
    EXPECT_FALSE(fs::exists(t / "new"));
}

// A folder that cannot be made (a file stands in its way) is reported, never
// taken for made.
TEST(DataFolder, MadeWithTheFoldersAboveOrReportedAsNotMade) {
    TempFolder t;
    std::error_code ec;
    EXPECT_TRUE(MakeDataFolder(t / "a" / "b" / "dayloom_data", ec));
    EXPECT_TRUE(fs::is_directory(t / "a" / "b" / "dayloom_data"));
    EXPECT_TRUE(MakeDataFolder(t / "a" / "b" / "dayloom_data", ec));  // already there
    TempFolder::Write(t / "file", "x");
    EXPECT_FALSE(MakeDataFolder(t / "file" / "dayloom_data", ec));
    EXPECT_TRUE(ec);
}

#ifndef _WIN32
TEST(DataFolder, PerUserFolderFromTheEnvironmentAsTheToolkitNamesIt) {
    struct Case {
        std::map<std::string, std::string> env;
        fs::path folder;
    } cases[] = {
        {{{"HOME", "/home/анна"}}, "/home/анна/.local/share/dayloom"},
        {{{"HOME", "/home/a"}, {"XDG_DATA_HOME", "/data/a"}}, "/data/a/dayloom"},
        {{{"HOME", "/home/a"}, {"XDG_DATA_HOME", "relative"}}, "relative/dayloom"},
        {{{"HOME", "/home/a"}, {"XDG_DATA_HOME", ""}}, "/home/a/.local/share/dayloom"},
        {{}, {}},
    };
    for (const Case& c : cases) {
        const fs::path got = PerUserAppDataFolder([&](const char* name) -> std::optional<std::string> {
            const auto it = c.env.find(name);
            if (it == c.env.end()) return std::nullopt;
            return it->second;
        });
        EXPECT_EQ(got, c.folder);
    }
}
#endif

TEST(DataFolder, ShippedFilesBesideTheProgramOrInTheInstalledShareFolder) {
    TempFolder t;
    fs::create_directories(t / "prefix" / "bin");
    fs::create_directories(t / "prefix" / "share" / "dayloom");
    const fs::path bin = t / "prefix" / "bin";
    EXPECT_EQ(FindShippedFile(bin, "ding.wav"), bin / "ding.wav");  // neither: beside
    TempFolder::Write(t / "prefix" / "share" / "dayloom" / "ding.wav", "RIFF");
    EXPECT_EQ(FindShippedFile(bin, "ding.wav"), t / "prefix" / "share" / "dayloom" / "ding.wav");
    TempFolder::Write(bin / "ding.wav", "RIFF");
    EXPECT_EQ(FindShippedFile(bin, "ding.wav"), bin / "ding.wav");
}

}  // namespace
