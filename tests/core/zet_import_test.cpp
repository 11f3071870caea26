#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "events/ansi.h"
#include "events/event_file.h"
#include "events/event_store.h"
#include "import/import_batch.h"
#include "import/zet_import.h"
#include "tests/support/builders.h"

namespace {

using Lines = std::vector<std::string>;

Lines Text(std::initializer_list<const char*> utf8Lines) {
    Lines out;
    for (const char* l : utf8Lines) out.push_back(ansi(l));
    return out;
}

ZetImportOptions Months(std::initializer_list<int> months) {
    ZetImportOptions o;
    for (int m : months) o.Months.Set(m);
    o.Now = At(2010, 10, 11, 9, 30, 15);
    return o;
}

const char* const kPlace = "Место: Москва 55N45 37E35";

Lines MoonJournal(std::initializer_list<const char*> data, const char* header = "Журнал Лунных дней 2010 г.") {
    Lines l = Text({header, "ZET 8", kPlace, ""});
    for (const char* d : data) l.push_back(ansi(d));
    return l;
}

Lines SunJournal(std::initializer_list<const char*> data, const char* header = "Таблица восходов Солнца 2012 г.") {
    Lines l = Text({header, "Москва,", " 55N45 37E35", "Временная зона: GMT+3", "Дата  День  Восход  Заход"});
    for (const char* d : data) l.push_back(ansi(d));
    return l;
}

TEST(ZetImport, MoonDayAndPhaseOfTheWorkedLines) {
    const ZetRun run = ImportZetJournal(MoonJournal({"05.03 23:05:00 +1 w4 13", "   18:40:00 Полнолуние"}),
                                        Months({3}));
    ASSERT_TRUE(run.ok()) << run.Message;
    EXPECT_EQ(run.Kind, TImportKind::MoonDays);
    ASSERT_EQ(run.Events.size(), 2u);
    const ZetNewEvent& day = run.Events[0];
    EXPECT_EQ(day.Subject, ansi("~Лунный день - 13"));
    EXPECT_EQ(day.Notes, ansi(" w4 13 -") + ansi(kPlace) + ansi("\r\n\"Победить\" - можно начинать"));
    EXPECT_EQ(day.Start, At(2010, 3, 6, 0, 5));
    EXPECT_EQ(day.Kind, EventKind::Simple);
    EXPECT_EQ(day.AlertIndex, 2);
    const ZetNewEvent& phase = run.Events[1];
    EXPECT_EQ(phase.Subject, ansi("~Лунная фаза - Полнолуние"));
    EXPECT_EQ(phase.Notes, ansi(kPlace));
    EXPECT_EQ(phase.Start, At(2010, 3, 6, 18, 40));

    ZetImportOptions plain = Months({3});
    plain.MoonDayNotes = false;
    plain.AlertIndex = 7;
    const ZetRun bare = LoadZetJournalMoonDays(MoonJournal({"05.03 23:05:00 +1 w4 13"}), plain);
    ASSERT_EQ(bare.Events.size(), 1u);
    EXPECT_EQ(bare.Events[0].Notes, ansi(" w4 13"));
    EXPECT_EQ(bare.Events[0].AlertIndex, 7);
}

TEST(ZetImport, MoonJournalYearsDatesAndMonths) {
    // Empty last word but one: the year 2000; an undated first line: the date of "now".
    const ZetRun run = LoadZetJournalMoonDays(
        MoonJournal({"   07:00:00 Новолуние", "12/05 10:00:00 +0 w4 31", "12.05 10:00:00 +0 w4 7",
                     "01.01 10:00:00 w3 w4 1"},
                    "Журнал Лунных дней  г."),
        Months({5, 10, 12}));
    ASSERT_TRUE(run.ok()) << run.Message;
    ASSERT_EQ(run.Events.size(), 3u);  // January is not chosen
    EXPECT_EQ(run.Events[0].Start, At(2010, 10, 11, 7, 0));
    EXPECT_EQ(run.Events[1].Start, At(2000, 12, 5, 10, 0));
    EXPECT_EQ(run.Events[1].Notes, ansi(" w4 31 -") + ansi(kPlace) + "\r\n");  // day 31 has no note
    EXPECT_EQ(run.Events[2].Start, At(2000, 5, 12, 10, 0));  // dotted after slashed: still day first
}

TEST(ZetImport, SunriseAndSunset) {
    const ZetRun run = ImportZetJournal(
        SunJournal({"05.03 w2 06:45 18:02 w5", "03/06 w2 06:40 18:05", "06.03 w2 06:42 18:04",
                    "07.03 w2 06:40", "нет времени", "", "05.04 w2 06:00 19:00"}),
        Months({3}));
    ASSERT_TRUE(run.ok()) << run.Message;
    EXPECT_EQ(run.Kind, TImportKind::SunRiseSet);
    ASSERT_EQ(run.Events.size(), 6u);  // three days of March, two events each
    EXPECT_EQ(run.Events[0].Subject, ansi("* Восход Солнца"));
    EXPECT_EQ(run.Events[0].Start, At(2012, 3, 5, 6, 45));
    EXPECT_EQ(run.Events[1].Subject, ansi("* Заход Солнца"));
    EXPECT_EQ(run.Events[1].Start, At(2012, 3, 5, 18, 2));
    EXPECT_EQ(run.Events[1].Notes, ansi("Москва, 55N45 37E35"));
    EXPECT_EQ(run.Events[2].Start, At(2012, 3, 6, 6, 40));  // slashed: month first
    EXPECT_EQ(run.Events[4].Start, At(2012, 3, 6, 6, 42));  // dotted on the next line: day first

    const ZetRun noYear = LoadSunData(SunJournal({"05.03 w2 06:45 18:02"}, "Таблица восходов Солнца  г."),
                                      Months({3}));
    ASSERT_EQ(noYear.Events.size(), 2u);
    EXPECT_EQ(noYear.Events[0].Start, At(2012, 3, 5, 6, 45));
}

TEST(ZetImport, PastedAspectsAndVoidOfCourse) {
    const ZetImportOptions o = Months({});  // pasted text is not filtered by month
    const ZetRun aspects = ImportPastedZetText(
        Text({"", "05.03.2010 14:22:10 w3 12°34'56\" ab w6 w7", "   ", "03/06/2010 01:02:03 Луна 1^2\" ab Марс",
              "07.03.2010 08:00:00 x\"ab"}),
        ZetPastedKind::MoonAspects, o);
    ASSERT_TRUE(aspects.ok()) << aspects.Message;
    ASSERT_EQ(aspects.Events.size(), 3u);
    EXPECT_EQ(aspects.Events[0].Subject, ansi("\"w6 w7"));
    EXPECT_EQ(aspects.Events[0].Notes, ansi(" w3 12°34'56\" ab w6 w7"));
    EXPECT_EQ(aspects.Events[0].Start, At(2010, 3, 5, 14, 22, 10));
    EXPECT_EQ(aspects.Events[1].Start, At(2010, 3, 6, 1, 2, 3));
    EXPECT_EQ(aspects.Events[2].Subject, "\"");  // fewer than four characters after the quote

    const ZetRun periods = ImportPastedZetText(
        Text({"05.03.2010 14:22 - 05.03.2010 18:40", "07.03.2010 23:50 - 08.03.2010 00:40",
              "03/09/2010 10:00 - 03/09/2010 11:00", "09.03.2010 10:00", "без времени"}),
        ZetPastedKind::VoidOfCourse, o);
    ASSERT_TRUE(periods.ok()) << periods.Message;
    ASSERT_EQ(periods.Events.size(), 3u);  // a start alone adds nothing
    EXPECT_EQ(periods.Events[0].Subject, ansi(">Луна без курса"));
    EXPECT_EQ(periods.Events[0].Notes, ansi("Луна без курса"));
    EXPECT_EQ(periods.Events[0].Kind, EventKind::ToDo);
    EXPECT_EQ(periods.Events[0].Start, At(2010, 3, 5, 14, 22));
    EXPECT_EQ(periods.Events[0].End, At(2010, 3, 5, 18, 40));
    EXPECT_EQ(periods.Events[1].End, At(2010, 3, 8, 0, 40));
    EXPECT_EQ(periods.Events[2].Start, At(2010, 3, 9, 10, 0));

    // Across midnight: one event, marked on its first day only.
    TodoItems store;
    EXPECT_EQ(MergeImport(store, BatchOf({periods.Events[1]})).Added, 1);
    EXPECT_EQ(DateOf(store[0].CreationDate), Day(2010, 3, 7));  // marked on its first day
    EXPECT_EQ(store[0].CompletionDate, At(2010, 3, 8, 0, 40));
}

// Nothing is added from an input with a line that does not convert; the
// message names the line by number and text.
TEST(ZetImport, ALineThatDoesNotConvertStopsTheWholeInput) {
    const ZetImportOptions all = [] { ZetImportOptions o; o.Months = MonthChoice::All(); return o; }();
    struct Case { const char* what; Lines lines; int kind; int line; const char* shown; };
    const Case cases[] = {
        {"moon month 13", MoonJournal({"05.03 10:00:00 +1 w4 1", "05.13 10:00:00 +1 w4 2"}), 0, 6, "05.13 10:00:00"},
        {"moon 25 o'clock", MoonJournal({"05.03 23:30:00 +2 w4 1"}), 0, 5, "23:30:00 +2"},
        {"moon phase words", MoonJournal({"05.03 18:40:00 Луна в знаке Девы"}), 0, 5, "Девы"},
        {"moon year is the last word", MoonJournal({"05.03 10:00:00 +1 w4 1"}, "Журнал Лунных дней 2010"), 0, 1, "2010"},
        {"sun date with a year", SunJournal({"05.03 w2 06:45 18:02", "06.03.2012 w2 06:45 18:02"}), 0, 7, "06.03.2012"},
        {"sun time with seconds", SunJournal({"05.03 w2 06:45:00 18:02"}), 0, 6, "06:45:00"},
        {"sun three words, bad date", SunJournal({"5x.03 w2 06:45"}), 0, 6, "5x"},
        {"aspect without seconds", Text({"05.03.2010 14:22:10 w3 1°2\" ab x", "05.03.2010 14:22 w3 1°2\" ab y"}), 1, 2, "14:22"},
        {"aspect without a year", Text({"05.03 14:22:10 w3 1°2\" ab x"}), 1, 1, "05.03"},
        {"aspect with a colon inside", Text({"05.03.2010 14:22:10 w3 1°2\" ab Луна: x"}), 1, 1, "Луна:"},
        {"aspect without a quote", Text({"05.03.2010 14:22:10 w3 1°2\" ab x", "05.03.2010 14:22:10 x"}), 1, 2, "14:22:10 x"},
        {"aspect of year 99999", Text({"05.03.99999 14:22:10 w3 1°2\" ab x"}), 1, 1, "нет такого года: 99999"},
        {"aspect of year 12345", Text({"05.03.12345 14:22:10 w3 1°2\" ab x"}), 1, 1, "нет такого года: 12345"},
        {"void of year 10000", Text({"05.03.2010 14:22 - 05.03.10000 18:40"}), 2, 1, "нет такого года: 10000"},
        {"moon line with a terminal escape", MoonJournal({"05.13 10:00:00 \x1B]0;x\x07"}), 0, 5, "\\x1B]0;x\\x07"},
        {"void ending in a hyphen", Text({"05.03.2010 14:22 -"}), 2, 1, "14:22 -"},
        {"void ending before it starts", Text({"05.03.2010 14:22 - 05.03.2010 13:00"}), 2, 1, "13:00"},
    };
    for (const Case& c : cases) {
        const ZetRun run = c.kind == 0 ? ImportZetJournal(c.lines, all)
                         : ImportPastedZetText(c.lines, c.kind == 1 ? ZetPastedKind::MoonAspects
                                                                    : ZetPastedKind::VoidOfCourse, all);
        EXPECT_EQ(run.Status, ZetStatus::BadLine) << c.what;
        EXPECT_TRUE(run.Events.empty()) << c.what;
        EXPECT_EQ(run.Line, c.line) << c.what;
        const std::string shown = run.Message;
        EXPECT_NE(shown.find("Строка " + std::to_string(c.line) + ": «"), std::string::npos) << shown;
        EXPECT_NE(shown.find(c.shown), std::string::npos) << c.what << ": " << shown;
        EXPECT_NE(shown.find("Ничего не импортировано."), std::string::npos) << shown;
        EXPECT_EQ(shown.find_first_of("\x1B\x07"), std::string::npos) << shown;
    }
}

TEST(ZetImport, WhatTheWindowSaysBeforeImporting) {
    const ZetImportOptions none = Months({});
    const ZetRun moon = ImportZetJournal(MoonJournal({"05.03 10:00:00 +1 w4 1"}), none);
    EXPECT_EQ(moon.Status, ZetStatus::NoMonths);
    EXPECT_EQ(moon.Message, "Выберите месяц(ы) для импорта.");
    const ZetRun sun = ImportZetJournal(SunJournal({"05.03 w2 06:45 18:02"}), none);
    EXPECT_EQ(sun.Message, "Выберите месяц(ы) для загрузки.");
    // Each run leaves the other kind of journal alone, even without months.
    EXPECT_EQ(LoadSunData(MoonJournal({}), none).Status, ZetStatus::NotThisKind);
    EXPECT_EQ(LoadZetJournalMoonDays(SunJournal({}), none).Status, ZetStatus::NotThisKind);
    EXPECT_TRUE(LoadZetJournalMoonDays(SunJournal({}), none).Message.empty());

    for (const Lines& other : {Text({"Журнал чего-то другого", "", "05.03 10:00:00"}), Lines{}}) {
        const ZetRun r = ImportZetJournal(other, Months({3}));
        EXPECT_EQ(r.Status, ZetStatus::NotAJournal);
        EXPECT_NE(r.Message.find("не ZET-журнал лунных дней"), std::string::npos);
    }
    EXPECT_EQ(ImportPastedZetText(Text({"", "  "}), ZetPastedKind::MoonAspects, none).Message, "Вставьте данные!");
    for (auto kind : {ZetPastedKind::MoonAspects, ZetPastedKind::VoidOfCourse}) {
        const Lines wrong = kind == ZetPastedKind::MoonAspects ? Text({"05.03.2010 14:22 - 05.03.2010 18:40"})
                                                               : Text({"05.03.2010 14:22:10 w3 1°2\" ab x"});
        const ZetRun r = ImportPastedZetText(wrong, kind, none);
        EXPECT_EQ(r.Status, ZetStatus::WrongKind);
        EXPECT_EQ(r.Message, "Данные не соответствуют типу ZET-данных, выбранному для импорта.");
    }
}

TEST(ZetImport, ProgressCountsTheLinesRead) {
    std::vector<std::pair<int, int>> seen;
    const Lines lines = MoonJournal({"05.03 10:00:00 +1 w4 1", "", "06.03 10:00:00 +1 w4 2"});
    LoadZetJournalMoonDays(lines, Months({3}), [&](int done, int total) { seen.emplace_back(done, total); });
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{5, 7}, {7, 7}}));  // blank lines do not move it
}

TEST(ZetImport, AnEventAlreadyThereIsNotAddedAgain) {
    const ZetRun run = ImportZetJournal(
        MoonJournal({"05.03 23:05:00 +1 w4 13", "   18:40:00 Полнолуние", "06.03 18:40:30 Полнолуние"}),
        Months({3}));
    ASSERT_TRUE(run.ok());
    // The user's own event at the same moment with another name, and one
    // with the imported name written in another case, are other events.
    TodoItems store = Store({Event("~лунный день - 13", At(2010, 3, 6, 0, 5)), Event("Врач", At(2010, 3, 6, 0, 5))});
    const ChangeSummary first = MergeImport(store, BatchOf(run.Events));
    EXPECT_EQ(first.Added, 2);
    EXPECT_EQ(first.AlreadyThere, 1);  // the third line repeats the second to the minute
    ASSERT_EQ(store.Count(), 4);
    TTodoItem want = Event("~Лунный день - 13", At(2010, 3, 6, 0, 5)).Alert(2);  // a simple event
    want.Notes = {run.Events[0].Notes};
    want.Imported = TImportKind::MoonDays;
    EXPECT_EQ(SaveToBytes(Store({store[2]})), SaveToBytes(Store({want})));

    const ChangeSummary again = MergeImport(store, BatchOf(run.Events));
    EXPECT_EQ(again.Added, 0);
    EXPECT_EQ(again.AlreadyThere, 3);
    EXPECT_EQ(store.Count(), 4);
}

// One identity a hundred thousand times, or a hundred thousand names at one
// moment against as many in the store, cost no more than different events:
// the check is linear in its input, not in the square of a repeat.
TEST(ZetImport, RepeatsCostNoMoreThanDifferentEvents) {
    constexpr int kMany = 100000;
    std::vector<ZetNewEvent> events(kMany);
    TodoItems store;
    for (int i = 0; i < kMany; ++i) {
        events[static_cast<size_t>(i)].Subject = "~same";
        events[static_cast<size_t>(i)].Start = At(2010, 3, 5, 10, 0);
        const std::string name = "~" + std::to_string(i);
        events.push_back(ZetNewEvent{name, "", At(2010, 3, 5, 11, 0)});
        AddEventToListToDo(store, i % 2 ? name : "user " + name, "", At(2010, 3, 5, 11, 0), 0, 0, EventKind::Simple);
    }
    const auto began = std::chrono::steady_clock::now();
    const ChangeSummary added = MergeImport(store, BatchOf(events));
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_EQ(added.Added, 1 + kMany / 2);
    EXPECT_EQ(added.AlreadyThere, kMany - 1 + kMany / 2);
    // Tens of milliseconds here; the square of a repeat took minutes.
    EXPECT_LT(took, std::chrono::seconds(5));
}

}  // namespace
