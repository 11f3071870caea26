#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "dayview/day_list.h"
#include "events/recurrence.h"
#include "dayview/reminder_tick.h"
#include "dayview/sound_choice.h"
#include "events/ansi.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

// A moment `ms` milliseconds after `base`, without the drift of adding doubles.
TDateTime Plus(TDateTime base, int64_t ms) {
    const int64_t day = SafeDayNumber(base);
    const int64_t msOfDay = std::llround(TimeOf(base) * kMsPerDay) + ms;
    return ComposeDateTime(day + msOfDay / 86400000, msOfDay % 86400000);
}

// The main window's side of the timer, as TimerAlertTimer carries it out:
// the reminder list rebuilt at start and at each roll-over, tabs, sound.
struct Window {
    TodoItems store;
    TDayRows alert;
    ReminderMemory memory;
    int refresh = 0;
    TDateTime lastRoll = 0;
    DayListFormats fmt;
    std::vector<std::string> tabs;  // UTF-8 captions
    int selected = -1;
    std::vector<TDateTime> plays;
    std::vector<std::pair<TDateTime, int>> selects;
    int dayRebuilds = 0;

    void Rebuild(TDateTime d, TDateTime now) {
        UpDateTdList(store, d, ListMode::Reminder, now, fmt, alert);
    }
    // First show of the main window.
    void Start(TDateTime now) {
        lastRoll = DateOf(now);
        Rebuild(DateOf(now), now);
    }
    TickActions Tick(TDateTime now) {
        TickActions a = ReminderTick({.now = now, .alertList = alert, .soundPlaying = false,
                                      .alertShowing = !tabs.empty(), .refreshTicks = refresh,
                                      .lastRollDay = lastRoll, .fmt = fmt},
                                     memory);
        for (const TickStep& s : a.steps) {
            switch (s.kind) {
                case TickStep::Play: plays.push_back(now); break;
                case TickStep::RaiseTab:
                    EXPECT_EQ(s.tab, static_cast<int>(tabs.size()));
                    tabs.push_back(utf8(s.text));
                    selected = s.tab;
                    break;
                case TickStep::SelectTab:
                    EXPECT_GE(s.tab, 0);
                    EXPECT_LT(s.tab, static_cast<int>(tabs.size()));
                    selected = s.tab;
                    selects.push_back({now, s.tab});
                    break;
            }
        }
        refresh = a.newRefreshTicks;
        lastRoll = a.newLastRollDay;
        if (a.rebuildDayList) ++dayRebuilds;
        if (a.rollOver) Rebuild(DateOf(now), now);
        return a;
    }
    // Ticks from `from` for `count` ticks, `stepMs` apart.
    void Run(TDateTime from, int64_t count, int64_t stepMs) {
        for (int64_t i = 0; i < count; ++i) Tick(Plus(from, i * stepMs));
    }
};

constexpr int kFifteen = 4, kThirty = 5, kDayBefore = 9;

TEST(ReminderTick, FifteenMinutesBeforeFiresOnceAtItsMoment) {
    Window w;
    w.store.Add(Event("Встреча", At(2010, 10, 11, 10, 0)).Alert(kFifteen));
    w.Start(At(2010, 10, 11, 9, 0));
    w.Run(At(2010, 10, 11, 9, 44, 55), 5, 1000);  // 09:44:55 .. 09:44:59
    EXPECT_TRUE(w.plays.empty());
    w.Tick(At(2010, 10, 11, 9, 45, 0, 300));
    ASSERT_EQ(w.tabs, std::vector<std::string>{"Встреча [10:00:00]"});
    EXPECT_EQ(w.plays.size(), 1u);
    EXPECT_EQ(w.selected, 0);
    // The rest of the day, with the list rebuilt for the current moment now
    // and then (as after an edit elsewhere): no second raise.
    for (int h = 9; h < 24; ++h) {
        w.Rebuild(At(2010, 10, 11, h, 50), At(2010, 10, 11, h, 50));
        w.Run(At(2010, 10, 11, h, 50), 60, 60000);
    }
    EXPECT_EQ(w.tabs.size(), 1u);
    EXPECT_EQ(w.plays.size(), 1u);
}

TEST(ReminderTick, NoReminderAndCompletedNeverFire) {
    struct Case { const char* name; int alert; bool complete; };
    for (const Case c : {Case{"Не напоминать", 0, false}, Case{"completed", 1, true},
                         Case{"completed, 15 min", kFifteen, true}}) {
        SCOPED_TRACE(c.name);
        Window w;
        w.store = Store({Event("Встреча", At(2010, 10, 11, 10, 0)).Alert(c.alert).Done(c.complete),
                         Event("Пульс", At(2010, 10, 11, 10, 0)).Alert(c.alert).Repeat("5", "1").Done(c.complete)});
        w.Start(At(2010, 10, 11, 0, 0));
        w.Run(At(2010, 10, 11, 0, 0), 24 * 60, 60000);
        EXPECT_TRUE(w.plays.empty());
        EXPECT_TRUE(w.tabs.empty());
    }
}

TEST(ReminderTick, JustAfterMidnightEventFiresAfterTheRollOver) {
    Window w;
    w.store.Add(Event("Полночь", At(2010, 10, 12, 0, 10)).Alert(kThirty));
    w.Start(At(2010, 10, 11, 20, 0));
    w.Run(At(2010, 10, 11, 23, 30), 30 * 60, 1000);  // up to 23:59:59: still yesterday's list
    EXPECT_TRUE(w.tabs.empty());
    const TickActions roll = w.Tick(At(2010, 10, 12, 0, 0, 0, 400));
    EXPECT_TRUE(roll.rollOver);
    EXPECT_TRUE(roll.steps.empty());  // the new day's list is built after this tick
    ASSERT_EQ(w.alert.size(), 1u);
    EXPECT_DOUBLE_EQ(w.alert[0].Moment, At(2010, 10, 11, 23, 40));
    w.Tick(At(2010, 10, 12, 0, 0, 1, 400));
    EXPECT_EQ(w.tabs, std::vector<std::string>{"Полночь [0:10:00]"});
}

TEST(ReminderTick, DayAheadFiresTheDayBeforeWithDateAndOnTheDayWithTime) {
    Window w;
    w.store.Add(Event("Визит", At(2010, 10, 12, 10, 0)).Alert(kDayBefore));
    w.Start(At(2010, 10, 11, 8, 0));
    w.Run(At(2010, 10, 11, 8, 0), 2 * 3600, 1000);  // until 09:59:59
    EXPECT_TRUE(w.tabs.empty());
    // Ticks through the rest of the day: past 11:00 the start is fewer than
    // 23 hours away, and the copy must not be raised again with a new text.
    w.Run(At(2010, 10, 11, 10, 0), 14 * 60, 60000);
    EXPECT_EQ(w.tabs, std::vector<std::string>{"Визит [12.10.2010 10:00:00]"});
    w.Run(At(2010, 10, 12, 0, 0), 24 * 60, 60000);
    EXPECT_EQ(w.tabs, (std::vector<std::string>{"Визит [12.10.2010 10:00:00]", "Визит [10:00:00]"}));
    ASSERT_EQ(w.plays.size(), 2u);
    EXPECT_DOUBLE_EQ(w.plays[1], At(2010, 10, 12, 10, 0));
}

// A reminder repeated every `count` `unit`s from 10:00 ("Вовремя"), ticked at
// the given offsets (ms after 09:50); the ring times in whole seconds after
// 09:50. Every repeat must select the reminder's one tab.
std::vector<int64_t> RingSeconds(const std::vector<int64_t>& tickMs, const char* count, const char* unit) {
    Window w;
    w.store.Add(Event("Пульс", At(2010, 10, 11, 10, 0)).Repeat(count, unit));
    w.Start(At(2010, 10, 11, 9, 0));
    const TDateTime base = At(2010, 10, 11, 9, 50);
    for (int64_t ms : tickMs) w.Tick(Plus(base, ms));
    std::vector<int64_t> out;
    for (TDateTime p : w.plays) out.push_back(static_cast<int64_t>(std::floor((p - base) * 86400.0 + 1e-6)));
    for (const auto& [when, tab] : w.selects) EXPECT_EQ(tab, 0);
    EXPECT_EQ(w.selects.size() + (w.tabs.empty() ? 0 : 1), w.plays.size());
    return out;
}

TEST(ReminderTick, RepeatsRingOnceEachOnlyFromTheReminderOn) {
    std::vector<int64_t> everySecond;  // 09:50:00.25 .. 10:11:00.25
    for (int64_t sec = 0; sec <= 21 * 60; ++sec) everySecond.push_back(sec * 1000 + 250);
    struct Case { const char* name; const char* count; const char* unit; std::vector<int64_t> ticks, rings; };
    const Case cases[] = {
        // The raise at 10:00, repeats at 10:05 and 10:10; none at 09:50 or 09:55.
        {"every second", "5", "1", everySecond, {600, 900, 1200}},
        {"two ticks in one second", "5", "1", {600'100, 900'020, 900'980, 901'500}, {600, 900}},
        {"late timer skips 10:05:00", "5", "1", {600'100, 899'970, 901'010, 902'000}, {600, 901}},
        {"started at 10:07", "5", "1", {1'020'000, 1'021'000, 1'200'400}, {1020, 1200}},
        {"every 2 hours", "2", "2", {600'000, 4'200'000, 7'800'000, 7'801'000}, {600, 7800}},
        // A count the repeat cannot use: the raise alone.
        {"count 0", "0", "1", everySecond, {600}},
        {"count not a number", "abc", "1", everySecond, {600}},
        {"negative count", "-5", "1", everySecond, {600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RingSeconds(c.ticks, c.count, c.unit), c.rings);
    }
}

TEST(ReminderTick, StartingLateRaisesEveryPassedReminderOneTabEach) {
    Window w;
    w.store = Store({Event("Поздно", At(2010, 10, 11, 14, 59)), Event("Утро", At(2010, 10, 11, 9, 0)),
                     Event("Обед", At(2010, 10, 11, 12, 0)).Alert(3), Event("Вечер", At(2010, 10, 11, 16, 0)),
                     Event("Тихо", At(2010, 10, 11, 11, 0)).Alert(0)});
    w.Start(At(2010, 10, 11, 15, 0));
    const TickActions a = w.Tick(At(2010, 10, 11, 15, 0, 0, 500));
    EXPECT_EQ(w.tabs, (std::vector<std::string>{"Утро [9:00:00]", "Обед [12:00:00]", "Поздно [14:59:00]"}));
    EXPECT_EQ(w.plays.size(), 3u);
    ASSERT_EQ(a.steps.size(), 6u);  // each raise starts its own sound first
    EXPECT_EQ(a.steps[0].kind, TickStep::Play);
    EXPECT_EQ(a.steps[1].kind, TickStep::RaiseTab);
    w.Run(At(2010, 10, 11, 15, 0, 1), 60, 1000);
    EXPECT_EQ(w.tabs.size(), 3u);
}

TEST(ReminderTick, SubjectsDifferingInCaseShareOneReminder) {
    Window w;
    w.store = Store({Event("Обед", At(2010, 10, 11, 12, 0)), Event("ОБЕД", At(2010, 10, 11, 12, 0)),
                     Event("Обед", At(2010, 10, 11, 12, 30))});
    w.Start(At(2010, 10, 11, 13, 0));
    w.Tick(At(2010, 10, 11, 13, 0));
    EXPECT_EQ(w.tabs, (std::vector<std::string>{"Обед [12:00:00]", "Обед [12:30:00]"}));
    EXPECT_EQ(w.memory.Find(ansi("обед [12:00:00]"), At(2010, 10, 11)), 0);
    EXPECT_EQ(w.memory.Find(ansi("обед [12:00:00]"), At(2010, 10, 12)), -1);
    EXPECT_EQ(w.memory.ListMsg(), (std::vector<std::string>{ansi("Обед [12:00:00]"), ansi("Обед [12:30:00]")}));
}

TEST(ReminderTick, RefreshEveryTwentyEightTicks) {
    Window w;
    w.Start(At(2010, 10, 11, 9, 0));
    w.Run(At(2010, 10, 11, 9, 0), 27, 1000);
    EXPECT_EQ(w.dayRebuilds, 0);
    EXPECT_EQ(w.refresh, 27);
    w.Tick(At(2010, 10, 11, 9, 0, 27));
    EXPECT_EQ(w.dayRebuilds, 1);
    EXPECT_EQ(w.refresh, 0);
    w.Run(At(2010, 10, 11, 9, 1), 56, 1000);
    EXPECT_EQ(w.dayRebuilds, 3);

    TDayRows none;
    for (int ticks : {INT_MAX, 27, 500}) {
        const TickActions a = ReminderTick({.now = At(2010, 10, 11), .alertList = none,
                                            .refreshTicks = ticks, .lastRollDay = At(2010, 10, 11), .fmt = {}},
                                           w.memory);
        EXPECT_TRUE(a.rebuildDayList) << ticks;
        EXPECT_EQ(a.newRefreshTicks, 0);
        EXPECT_TRUE(a.setCaption);
    }
}

// Also: the sound is cut only while it plays with the alert window closed,
// each case of the two taken by the rows in turn.
TEST(ReminderTick, RollOverAtTheFirstTickOfANewDay) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case { const char* name; TDateTime last, now; bool roll; };
    const Case cases[] = {
        {"last millisecond of the day", At(2010, 10, 11, 0, 0), At(2010, 10, 11, 23, 59, 59, 999), false},
        {"midnight", At(2010, 10, 11, 0, 0), At(2010, 10, 12, 0, 0), true},
        {"last roll during the day", At(2010, 10, 11, 15, 30), At(2010, 10, 12, 0, 0, 0, 200), true},
        {"same day later", At(2010, 10, 12, 0, 0, 0, 200), At(2010, 10, 12, 8, 0), false},
        {"days asleep", At(2010, 10, 11), At(2010, 10, 15, 9, 0), true},
        {"clock set back", At(2010, 10, 11), At(2010, 10, 10, 9, 0), false},
        {"never set", 0, At(2010, 10, 11, 9, 0), true},
        {"bad now", At(2010, 10, 11), nan, false},
    };
    TDayRows none;
    ReminderMemory memory;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const bool playing = i & 1, showing = i & 2;
        SCOPED_TRACE(c.name);
        const TickActions a = ReminderTick({.now = c.now, .alertList = none, .soundPlaying = playing,
                                            .alertShowing = showing, .lastRollDay = c.last, .fmt = {}},
                                           memory);
        EXPECT_EQ(a.rollOver, c.roll);
        EXPECT_DOUBLE_EQ(a.newLastRollDay, c.roll ? c.now : c.last);
        EXPECT_EQ(a.cutSound, playing && !showing);
    }
}

TEST(ReminderTick, BadRowsGiveNoRaiseAndNoCrash) {
    TDayRows list(2);
    TDayRow& nanDue = list[0];
    nanDue.Moment = std::numeric_limits<double>::quiet_NaN();
    nanDue.ImageIndex = 1;
    TDayRow& odd = list[1];  // unset reminder choice, far start, nonsense unit
    odd.Moment = At(2010, 10, 11, 8, 0);
    odd.CreationDate = 1e12;
    odd.Repetition = {.Count = 5, .Unit = static_cast<RepeatUnit>(77), .HasCount = true, .HasUnit = true};
    ReminderMemory memory;
    const TickActions a = ReminderTick({.now = At(2010, 10, 11, 9, 0), .alertList = list,
                                        .lastRollDay = At(2010, 10, 11), .fmt = {}},
                                       memory);
    ASSERT_EQ(memory.raised.size(), 1u);  // the odd row: choice -1 is not skipped
    EXPECT_EQ(a.steps.size(), 2u);
}

TEST(ReminderText, TimeWhenNearDateAndTimeWhenFar) {
    TDayRow row;
    row.Subject = ansi("Сбор");
    row.CreationDate = At(2010, 10, 12, 10, 0);
    const DayListFormats fmt;
    struct Case { TDateTime ref; const char* text; };
    for (const Case c : {Case{At(2010, 10, 12, 10, 0), "Сбор [10:00:00]"},
                         Case{At(2010, 10, 11, 11, 0, 1), "Сбор [10:00:00]"},  // 22 h 59 min
                         Case{At(2010, 10, 11, 11, 0), "Сбор [12.10.2010 10:00:00]"},  // 23 h
                         Case{At(2010, 10, 13, 9, 0), "Сбор [12.10.2010 10:00:00]"},
                         Case{At(2010, 10, 13, 8, 59, 59), "Сбор [10:00:00]"}})
        EXPECT_EQ(utf8(ReminderText(row, c.ref, fmt)), c.text);
    row.CreationDate = At(2010, 10, 1);
    EXPECT_EQ(utf8(ReminderText(row, At(2010, 10, 11), fmt)), "Сбор [01.10.2010]");
    row.CreationDate = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(ReminderText(row, At(2010, 10, 11), fmt).empty());
}

TEST(TabNotes, ReachTheEventByIdentityAfterADeletion) {
    Window w;
    w.store = Store({Event("Первое", At(2010, 10, 11, 9, 0)).Notes("первая заметка"),
                     Event("Второе", At(2010, 10, 11, 9, 30)).Notes("вторая заметка\r\nещё строка")});
    w.Start(At(2010, 10, 11, 10, 0));
    w.Tick(At(2010, 10, 11, 10, 0));
    ASSERT_EQ(w.memory.raised.size(), 2u);
    EXPECT_EQ(utf8(TabNotes(w.store, w.memory, 1)), "вторая заметка\r\nещё строка");
    EXPECT_EQ(w.memory.ListSrcIdxMsg(w.store, 0), 0);
    EXPECT_EQ(w.memory.ListSrcIdxMsg(w.store, 1), 1);

    w.store.Delete(0);  // the first event's old position now holds the second
    EXPECT_EQ(TabNotes(w.store, w.memory, 0), EventDeletedText());
    EXPECT_EQ(utf8(TabNotes(w.store, w.memory, 1)), "вторая заметка\r\nещё строка");
    EXPECT_EQ(w.memory.ListSrcIdxMsg(w.store, 0), -1);
    EXPECT_EQ(w.memory.ListSrcIdxMsg(w.store, 1), 0);
    for (int tab : {-1, 2, INT_MAX}) {
        EXPECT_EQ(TabNotes(w.store, w.memory, tab), EventDeletedText());
        EXPECT_EQ(w.memory.ListSrcIdxMsg(w.store, tab), -1);
    }
    // Renaming is a new identity: the old tab no longer finds it.
    w.store[0].Subject = ansi("Второе!");
    EXPECT_EQ(TabNotes(w.store, w.memory, 1), EventDeletedText());
    w.store.Clear();
    EXPECT_EQ(TabNotes(w.store, w.memory, 1), EventDeletedText());
}

// ---- the sound ----

struct FakePlayer : SoundPlayer {
    std::vector<std::string> log;
    std::filesystem::path file;
    bool open = false;
    int64_t position = 0;
    std::function<void()> onEnd;
    void SetFile(const std::filesystem::path& p) override { file = p; log.push_back("file " + p.string()); }
    bool HasFile() const override { return !file.empty(); }
    bool Open() override { log.push_back("open"); open = HasFile(); return open; }
    void Play(std::function<void()> end) override { log.push_back("play"); onEnd = std::move(end); position = 1; }
    void Stop() override { log.push_back("stop"); }
    void Close() override { log.push_back("close"); open = false; position = 0; }
    int64_t Position() const override { return position; }
};

TEST(Sound, ChoiceOfTheFile) {
    std::set<std::string> present = {"/d/ding.wav", "/m/bell.mp3", "/m/звон.wav"};
    const FileExists exists = [&](const std::filesystem::path& p) { return present.count(Utf8Of(p)) > 0; };
    struct Case { std::string ed, newEd, play; };  // play "": the player's file stays
    for (const Case& c : {Case{"/m/bell.mp3", "/m/bell.mp3", "/m/bell.mp3"}, Case{"/m/звон.wav", "/m/звон.wav", "/m/звон.wav"},
                          Case{"/m/gone.wav", "/d/ding.wav", "/d/ding.wav"}, Case{"", "", ""}}) {
        const SoundChoice s = ChooseSoundFile(c.ed, "/d/ding.wav", exists);
        EXPECT_EQ(s.mediaFile, c.newEd) << c.ed;
        EXPECT_EQ(s.playFile ? Utf8Of(*s.playFile) : "", c.play) << c.ed;
    }
    present.erase("/d/ding.wav");  // missing, and no default either
    EXPECT_EQ(ChooseSoundFile("/m/gone.wav", "/d/ding.wav", exists).mediaFile, "/d/ding.wav");
    EXPECT_FALSE(ChooseSoundFile("/m/gone.wav", "/d/ding.wav", exists).playFile);
    EXPECT_FALSE(ChooseSoundFile("/m/bell.mp3", "/d/ding.wav", nullptr).playFile);
}

TEST(Sound, MediaBumPlayAndItsEnd) {
    const FileExists onlyBell = [](const std::filesystem::path& p) { return p == "/m/bell.wav"; };
    FakePlayer player;
    std::string ed;
    MediaBum_Play(player, ed, "/d/ding.wav", onlyBell);
    EXPECT_TRUE(player.log.empty());  // no file ever set: nothing plays, nothing reported

    ed = "/m/bell.wav";
    MediaBum_Play(player, ed, "/d/ding.wav", onlyBell);
    EXPECT_EQ(player.log, (std::vector<std::string>{"file /m/bell.wav", "open", "play"}));
    EXPECT_TRUE(SoundPlaying(player));
    player.log.clear();
    ASSERT_TRUE(player.onEnd);
    player.onEnd();  // MediaPlayNotify
    EXPECT_EQ(player.log, (std::vector<std::string>{"stop", "close"}));
    EXPECT_FALSE(SoundPlaying(player));

    // Emptied later: the last file plays again.
    player.log.clear();
    ed.clear();
    MediaBum_Play(player, ed, "/d/ding.wav", onlyBell);
    EXPECT_EQ(player.log, (std::vector<std::string>{"open", "play"}));

    // A missing file is replaced by the default, which is missing too: the
    // old file stays and plays.
    player.log.clear();
    ed = "/m/gone.wav";
    MediaBum_Play(player, ed, "/d/ding.wav", onlyBell);
    EXPECT_EQ(ed, "/d/ding.wav");
    EXPECT_EQ(player.log, (std::vector<std::string>{"open", "play"}));

    player.log.clear();
    CutSoundOff(player);
    EXPECT_EQ(player.log, (std::vector<std::string>{"open", "stop", "close"}));
}

TEST(Sound, DefaultFileAndExistence) {
    TempFolder folder;
    const std::filesystem::path dir = folder.path();
#ifdef _WIN32
    EXPECT_EQ(DefaultSoundFile(dir), std::filesystem::path("C:\\WINDOWS\\Media\\ding.wav"));
#else
    EXPECT_EQ(DefaultSoundFile(dir), dir / "ding.wav");
#endif
    TempFolder::Write(dir / "ding.wav", "RIFF");
    EXPECT_TRUE(RegularFileExists(dir / "ding.wav"));
    EXPECT_FALSE(RegularFileExists(dir));  // a folder is no sound
    EXPECT_FALSE(RegularFileExists(dir / "gone.wav"));
    EXPECT_FALSE(RegularFileExists(""));
}

}  // namespace
