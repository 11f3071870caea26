#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "dayview/sound_choice.h"
#include "events/ansi.h"
#include "settings/theme_file.h"
#include "settings/user_options.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const ScreenRect kWorkArea{0, 0, 1920, 1040};
constexpr int kScreenWidth = 1920;

UserOptions Defaults() {
    return DefaultOptions(Named("/opt/дейлум"), DefaultPlacement(kWorkArea, kScreenWidth));
}

TEST(UserOptions, ElevenLinesRoundTrip) {
    TempFolder data;
    UserOptions o = Defaults();
    o.Bounds = {-5, 100, 700, 265};
    o.SoundFile = Named("/home/мы/Звуки/гонг.wav");
    o.CurrentThemeFile = ansi("Ночь.tdt");
    o.CalendarVisible = false;
    o.BirthDayIndex = 17;
    o.ShowWeekNumbers = false;
    o.WeekStartDay = 7;
    o.SplitRemainingTime = false;
    const fs::path file = data / "user_options";
    ASSERT_TRUE(SaveWinOption(file, o, Defaults().SoundFile).ok);
    const std::string text = TempFolder::Read(file);
    EXPECT_EQ(text, "-5\r\n100\r\n700\r\n265\r\n" + ansi("/home/мы/Звуки/гонг.wav") + "\r\n" +
                        ansi("Ночь.tdt") + "\r\n0\r\n17\r\n0\r\n7\r\n0\r\n");
    EXPECT_EQ(LoadWindowParam(file, Defaults()), o);

    ASSERT_TRUE(SaveWinOption(file, *LoadWindowParam(file, Defaults()), Defaults().SoundFile).ok);
    EXPECT_EQ(TempFolder::Read(file), text);  // a restart without changes writes the same lines
    EXPECT_FALSE(LoadWindowParam(data / "absent", Defaults()));
}

TEST(UserOptions, APathTheCodePageCannotHoldSurvives) {
    UserOptions o = Defaults();
    o.SoundFile = Named("/home/jürgen/Töne/ding.wav");
    const std::string text = OptionsFileText(o, Defaults().SoundFile);
    EXPECT_EQ(ReadOptions(text, Defaults()).SoundFile, o.SoundFile);
    o.SoundFile.clear();
    EXPECT_EQ(ReadOptions(OptionsFileText(o, Defaults().SoundFile), Defaults()).SoundFile, fs::path());
}

// Top, left, height, width | theme | calendar, birth day, week numbers, start day, split.
std::string Summary(const UserOptions& o) {
    const WindowBounds& b = o.Bounds;
    std::ostringstream s;
    s << b.top << ',' << b.left << ',' << b.height << ',' << b.width << '|' << o.CurrentThemeFile << '|'
      << o.CalendarVisible << o.BirthDayIndex << ',' << o.ShowWeekNumbers << o.WeekStartDay << o.SplitRemainingTime;
    return s.str();
}

TEST(UserOptions, EachLineStandsOnItsOwn) {
    const struct {
        const char* text;
        const char* want;
    } cases[] = {
        {"", "495,1655,545,265|Default.tdt|10,111"},  // bottom right of the work area
        {"10\r\n20\r\n600\r\n265\r\n", "10,20,600,265|Default.tdt|10,111"},
        {"1\n2\n100\n500", "1,2,450,265|Default.tdt|10,111"},                     // size limits
        {"top\r\n20\r\n600\r\n265\r\n\r\nN.tdt\r\n0", "495,20,600,265|N.tdt|00,111"},  // bad top only
        {"1\n2\n600\n265\nx\nT.tdt\nyes\n3\n\n7\n 0", "1,2,600,265|T.tdt|13,171"},  // only "0" is off
        {"1\n2\n600\n265\nx\nT.tdt\n1\nabc\n0\n7\n0", "1,2,600,265|T.tdt|10,070"},  // later lines read
        {"1\n2\n600\n265\nx\nT.tdt\n1\n32", "1,2,600,265|T.tdt|10,111"},
        {"1\n2\n600\n265\nx\nT.tdt\n1\n-1\n1\n9", "1,2,600,265|T.tdt|10,171"},
        {"1\n2\n600\n265\nx\nT.tdt\n1\n31\n1\n0", "1,2,600,265|T.tdt|131,111"},
        {"1\n2\n600\n265\nx\nT.tdt\n1\n0\n1\nseven\n0", "1,2,600,265|T.tdt|10,110"},
        {"1\n2\n600\n265\nx\n../../secret.tdt", "1,2,600,265|Default.tdt|10,111"},
        {"1\r2\r600\r265\rx\rcon.tdt", "1,2,600,265|Default.tdt|10,111"},
        {"1\n2\n600\n265\nx\nT.tdt\n1\n0\n1\n1\n1\n0\n0", "1,2,600,265|T.tdt|10,111"},  // 12th ignored
    };
    for (const auto& c : cases) EXPECT_EQ(Summary(ReadOptions(c.text, Defaults())), c.want) << c.text;
    EXPECT_EQ(ReadOptions("1\n2\n3\n4\n", Defaults()).SoundFile, DefaultSoundFile(Named("/opt/дейлум")));
    EXPECT_EQ(ReadOptions("1\n2\n3\n4\n\n", Defaults()).SoundFile, fs::path());
}

TEST(UserOptions, WritingKeepsTheFormatWhole) {
    UserOptions o = Defaults();
    o.SoundFile = Named("/tmp/a\nb.wav");
    o.CurrentThemeFile = "../x.tdt";
    o.Bounds = {1, 2, 10, 999};
    o.BirthDayIndex = 40;
    o.WeekStartDay = 12;
    EXPECT_FALSE(AcceptableSoundFile(o.SoundFile));
    EXPECT_TRUE(AcceptableSoundFile(Defaults().SoundFile));
    const std::string text = OptionsFileText(o, Named("/opt/ding.wav"));
    EXPECT_EQ(text, "1\r\n2\r\n450\r\n265\r\n/opt/ding.wav\r\nDefault.tdt\r\n1\r\n0\r\n1\r\n7\r\n1\r\n");
}

TEST(UserOptions, AFailedWriteLeavesTheOldFileWhole) {
    TempFolder exe;
    const fs::path file = exe / "dayloom_data" / "user_options";
    ASSERT_TRUE(SaveWinOption(file, Defaults(), Defaults().SoundFile).ok);  // makes the data folder
    const std::string old = TempFolder::Read(file);
    UserOptions changed = Defaults();
    changed.BirthDayIndex = 5;
    BlockNextSafeWrite(file);
    EXPECT_FALSE(SaveWinOption(file, changed, Defaults().SoundFile).ok);
    EXPECT_EQ(TempFolder::Read(file), old);
    EXPECT_FALSE(SaveWinOption(exe / "a" / "b" / "user_options", Defaults(), Defaults().SoundFile).ok);
}

TEST(WindowPlacement, ALostWindowComesBack) {
    const ScreenRect second{1920, 0, 1280, 984};
    const ScreenRect both[] = {kWorkArea, second};
    const ScreenRect one[] = {kWorkArea};
    const struct {
        const char* what;
        WindowBounds stored;
        std::span<const ScreenRect> areas;
        WindowBounds want;
    } cases[] = {
        {"on the screen", {100, 200, 600, 265}, one, {100, 200, 600, 265}},
        {"caption bar partly above", {-27, 200, 600, 265}, one, {-27, 200, 600, 265}},
        {"caption bar above the screen", {-28, 200, 600, 265}, one, {440, 1655, 600, 265}},
        {"on a screen since removed", {100, 2500, 600, 265}, one, {440, 1655, 600, 265}},
        {"on the second screen", {100, 2500, 600, 265}, both, {100, 2500, 600, 265}},
        {"hanging off the right edge", {100, 1919, 600, 265}, one, {100, 1919, 600, 265}},
        {"far away", {2000000000, 2000000000, 600, 265}, one, {440, 1655, 600, 265}},
        {"no screens known", {-9000, -9000, 600, 265}, {}, {-9000, -9000, 600, 265}},
        // Taller than any screen: as tall as the tallest, never under the least height.
        {"taller than the screens", {100, 200, 2147483647, 265}, both, {100, 200, 1040, 265}},
        {"taller, no screens known", {100, 200, 5000, 265}, {}, {100, 200, 1040, 265}},
        {"taller and lost", {-5000, 200, 2147483647, 265}, one, {0, 1655, 1040, 265}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceWindow(c.stored, kWorkArea, kScreenWidth, c.areas), c.want) << c.what;
}

// Only a file that can be this program's options is written over in place;
// anything else is kept as a copy first.
TEST(UserOptions, WhatPassesForAnOptionsFile) {
    const std::string written = OptionsFileText(Defaults(), Defaults().SoundFile);
    const struct {
        std::string text;
        bool looks;
    } cases[] = {
        {written, true},  // its fifth line is a path
        {"", true},
        {"1\n2\n3", true},
        {"1\n2\n3\nfour\n", false},
        {"#!/bin/sh\nrm -rf ~\n", false},
        {written + "0\r\n", false},  // a twelfth line
        {std::string("1\n2\n3\n4\n\0", 9), false},
        {"1\n2\n3\n4\n" + std::string(4100, 'x'), false},
    };
    for (const auto& c : cases) EXPECT_EQ(LooksLikeOptionsFile(c.text), c.looks) << c.text.substr(0, 40);
}

// Whatever the file holds, every setting comes out usable.
TEST(UserOptions, AnyBytesGiveSettingsInRange) {
    std::mt19937 random(20240607);
    constexpr char kBytes[] = "0123456789-+\r\n\r\n./\\:CONaux \xC0\xFF\xEF\xBB\xBF\0";
    const std::string alphabet(kBytes, sizeof kBytes - 1);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 120, ' ');
        for (char& c : text) c = alphabet[random() % alphabet.size()];
        const UserOptions o = ReadOptions(text, Defaults());
        ASSERT_EQ(o.Bounds.width, 265) << testing::PrintToString(text);
        ASSERT_GE(o.Bounds.height, 450);
        ASSERT_TRUE(o.BirthDayIndex >= 0 && o.BirthDayIndex <= 31);
        ASSERT_TRUE(o.WeekStartDay >= 1 && o.WeekStartDay <= 7);
        ASSERT_TRUE(IsPlainFileName(o.CurrentThemeFile));
        ASSERT_EQ(SplitLines(OptionsFileText(o, Defaults().SoundFile)).size(), 11u);
    }
}

}  // namespace
