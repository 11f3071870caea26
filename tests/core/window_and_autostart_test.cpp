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

TEST(Autostart, TheFolderFollowsTheXdgRule) {
    EXPECT_EQ(XdgAutostartFolder("/home/u/cfg", "/home/u"), fs::path("/home/u/cfg/autostart"));
    EXPECT_EQ(XdgAutostartFolder("", "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(XdgAutostartFolder("relative/cfg", "/home/u"), fs::path("/home/u/.config/autostart"));
    EXPECT_EQ(XdgAutostartFolder("", ""), std::nullopt);
    EXPECT_EQ(XdgAutostartFolder("", "relative"), std::nullopt);
    EXPECT_EQ(XdgAutostartFolder("/root/Настройки", ""), fs::path(u8"/root/Настройки/autostart"));
}

// The Exec line as a desktop entry reader takes it apart: string escapes
// first, then the quoting of the argument.
std::string ExecArgument(const std::string& entry) {
    const size_t at = entry.find("\nExec=");
    EXPECT_NE(at, std::string::npos);
    const std::string line = entry.substr(at + 6, entry.find('\n', at + 6) - at - 6);
    std::string unescaped;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char n = line[++i];
            unescaped += n == 'n' ? '\n' : n == 't' ? '\t' : n == 'r' ? '\r' : n == 's' ? ' ' : n;
        } else {
            unescaped += line[i];
        }
    }
    EXPECT_TRUE(unescaped.size() >= 2 && unescaped.front() == '"' && unescaped.back() == '"') << unescaped;
    std::string arg;
    for (size_t i = 1; i + 1 < unescaped.size(); ++i) {
        if (unescaped[i] == '\\') ++i;
        else if (unescaped[i] == '%') ++i;  // %% is a percent sign
        arg += unescaped[i];
    }
    return arg;
}

TEST(Autostart, TheEntryStartsTheProgramInItsFolderWhateverThePath) {
    const std::string entry = AutostartDesktopEntry("/opt/dayloom/dayloom");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\nName=dayloom\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=\"/opt/dayloom/dayloom\"\n"), std::string::npos);
    EXPECT_NE(entry.find("\nPath=/opt/dayloom\n"), std::string::npos);
    for (const char* path : {"/home/u/Мои программы/dayloom", "/a \"b\"/c$HOME/`x`/d\\e/100%/dayloom",
                             "/tab\there/new\nline/dayloom"}) {
        const std::string e = AutostartDesktopEntry(fs::path(reinterpret_cast<const char8_t*>(path)));
        EXPECT_EQ(ExecArgument(e), path);
        // Every key stays on its line.
        size_t lines = 0;
        for (char c : e) lines += c == '\n';
        EXPECT_EQ(lines, 9u) << e;
    }
}

}  // namespace
