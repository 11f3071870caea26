// The window's snapping to the work area, and the start-up entry of the
// Linux session: where it goes and what it says.
#include <gtest/gtest.h>

#include "settings/autostart.h"
#include "settings/window_snap.h"

namespace fs = std::filesystem;

namespace {

TEST(WindowSnap, FifteenPixelsFromAnEdgeClingsSixteenDoNot) {
    // A 1280 x 984 work area below a 40-pixel top panel; the window 265 x 545.
    const ScreenRect work{0, 40, 1280, 984};
    const int right = 1280 - 265, bottom = 40 + 984 - 545;
    const struct {
        int x, y;
        WindowPos expected;
    } cases[] = {
        {right - 10, 300, {right, 300}},   // 10 from the right edge
        {right - 20, 300, {right - 20, 300}},
        {right + 15, 300, {right, 300}},   // partly off the edge
        {right + 16, 300, {right + 16, 300}}, {15, 300, {0, 300}}, {-15, 300, {0, 300}}, {16, 300, {16, 300}},
        {500, 55, {500, 40}}, {500, 56, {500, 56}}, {500, bottom - 15, {500, bottom}},
        {500, bottom - 16, {500, bottom - 16}},
        {right + 3, bottom - 4, {right, bottom}},  // a corner
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnapToWorkArea(work, {c.x, c.y, 265, 545}), c.expected) << c.x << "," << c.y;
    // A work area hardly wider than the window: both edges apply, right wins;
    // the same for top and bottom.
    EXPECT_EQ(SnapToWorkArea({0, 0, 270, 550}, {3, 2, 265, 545}), (WindowPos{5, 5}));
}

TEST(WindowSnap, TheBottomEdgeClingsWhenResized) {
    const ScreenRect work{0, 40, 1280, 984};  // bottom at 1024
    const struct {
        int top, height, expected;
    } cases[] = {
        {300, 714, 724}, {300, 709, 724}, {300, 708, 708},  // 10 and 15 short of the bottom; 16
        {300, 739, 724}, {300, 740, 740},                   // 15 and 16 past it
        {580, 450, 450},                                    // the bottom is near, yet 444 is too low
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnapHeightToWorkArea(work, {700, c.top, 265, c.height}, 450), c.expected) << c.top << "+" << c.height;
}

TEST(Autostart, TheFolderFollowsTheXdgRule) {
    EXPECT_EQ(XdgAutostartFolder("/home/u/cfg", "/home/u"), fs::path("/home/u/cfg/autostart"));
    EXPECT_EQ(XdgAutostartFolder("", "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(XdgAutostartFolder("relative/cfg", "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(XdgAutostartFolder("", ""), std::nullopt);
    EXPECT_EQ(XdgAutostartFolder("", "relative"), std::nullopt);
    EXPECT_EQ(XdgAutostartFolder("/root/Настройки", ""), fs::path(u8"/root/Настройки/autostart"));
}

TEST(Autostart, TheEntryStartsTheProgramInItsFolderWhateverThePath) {
    const std::string entry = AutostartDesktopEntry("/opt/dayloom/dayloom");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\nName=dayloom\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=\"/opt/dayloom/dayloom\"\n"), std::string::npos);
    EXPECT_NE(entry.find("\nPath=/opt/dayloom\n"), std::string::npos);
    for (const char* path : {"/home/u/Мои программы/dayloom", "/a \"b\"/c$HOME/`x`/d\\e/100%/dayloom",
                             "/tab\there/new\nline/dayloom", "/home/u/50%off/dayloom"}) {
        const fs::path exe(reinterpret_cast<const char8_t*>(path));
        const std::string e = AutostartDesktopEntry(exe);
        EXPECT_EQ(AutostartEntryProgram(e), exe) << e;
        // A desktop looks the first word up on disk before it reads %% as %:
        // a percent sign never reaches it.
        ASSERT_FALSE(AutostartExecWords(e).empty());
        EXPECT_EQ(AutostartExecWords(e)[0].find('%'), std::string::npos) << e;
        // Every key stays on its line.
        size_t lines = 0;
        for (char c : e) lines += c == '\n';
        EXPECT_EQ(lines, 9u) << e;
    }
}

TEST(Autostart, TheProgramAnEntryStarts) {
    const struct {
        const char* entry;
        const char* program;  // nullptr: none
    } cases[] = {
        {"[Desktop Entry]\nExec=/usr/bin/dayloom\n", "/usr/bin/dayloom"},
        {"[Desktop Entry]\r\nName=x\r\nExec = \"/opt/my dayloom/dayloom\" --min\r\n", "/opt/my dayloom/dayloom"},
        {"[Desktop Entry]\nExec=env LANG=ru_RU.UTF-8 /x/dayloom %f\n", "/x/dayloom"},
        {"[Desktop Entry]\nExec=/usr/bin/env \"/a/100%%/dayloom\"\n", "/a/100%/dayloom"},
        {"[Desktop Entry]\nExec=\"my\\sprogram\"\n", "my program"},
        {"[Other]\nExec=/x/other\n[Desktop Entry]\nName=dayloom\n", nullptr},
        {"[Desktop Entry]\nExec=\n", nullptr},
        {"kept", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto program = AutostartEntryProgram(c.entry);
        if (!c.program) EXPECT_EQ(program, std::nullopt) << c.entry;
        else EXPECT_EQ(program, fs::path(reinterpret_cast<const char8_t*>(c.program))) << c.entry;
    }
}

TEST(Autostart, SameProgramByFileOrByPath) {
    const fs::path here = fs::current_path();
    EXPECT_TRUE(SameProgram(here, here / "." / ".." / here.filename()));
    EXPECT_TRUE(SameProgram("/no/such/a/../dayloom", "/no/such/dayloom"));
    EXPECT_FALSE(SameProgram("/no/such/dayloom", "/no/other/dayloom"));
    EXPECT_FALSE(SameProgram(here, here.parent_path()));
}

}  // namespace
