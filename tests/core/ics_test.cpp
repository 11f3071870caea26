// dayloom's own events written for other calendars and read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "events/event_file.h"
#include "events/event_store.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

IcsZone Berlin() { return *NamedZone("Europe/Berlin"); }

TodoItems EveryKind() {
    TodoItems store = Store({
        Event("Врач", At(2010, 10, 11, 10, 0)).Alert(4).Notes("Кабинет 12;\nвзять полис, паспорт"),
        Event("Совещание", At(2010, 10, 12, 14, 0)).Lasting(2, kUnitHours).Alert(7),
        Event("Дежурство", At(2010, 10, 25, 9, 0)).Lasting(24, kUnitHours).Alert(0),
        Event("Отпуск", At(2011, 1, 15, 0, 0)).Lasting(1, kUnitMonths).Done(),
        Event("Полив", At(2010, 10, 10, 9, 0)).Repeat("2", "3").Alert(2),
        Event("Бассейн", At(2010, 10, 13, 19, 0)).Repeat("3", "4").Alert(3),
        Event("Отчёт", At(2010, 1, 31, 17, 0)).Repeat("1", "5").Alert(5),
        Event("Годовщина", At(2008, 2, 29, 8, 0)).Repeat("1", "6").Alert(9),
        Event("Зарядка", At(2010, 10, 13, 7, 30)).Repeat("0", "0", "42").Alert(6),
        Event("Уборка", At(2010, 10, 5, 11, 0)).Repeat("0", "0", "64").Alert(8),
        Event("Таблетки", At(2010, 10, 14, 23, 0)).Repeat("30", "1").Alert(1),
        Event("Почта", At(2010, 10, 15, 8, 0)).Repeat("2", "2", "2"),
        Event("Декларация", At(2010, 10, 11, 9, 0)).Until(At(2010, 10, 13, 18, 0)).Alert(8),
        Event("Билеты", At(2010, 10, 4, 10, 0)).Until(At(2010, 10, 4, 12, 0)).Done(),
        Event(std::string(30, 'x') + "Очень длинное название, которое не помещается в строку",
              At(2010, 3, 28, 2, 30)),  // a time the clock skips that night
    });
    // What the ZET imports add: simple events and to-dos.
    AddEventToListToDo(store, ansi("~Лунный день - 5"), ansi("Луна в Раке"), At(2010, 10, 16, 4, 12), 0, 2,
                       EventKind::Simple);
    AddEventToListToDo(store, ansi(">Луна без курса"), ansi("Луна без курса"), At(2010, 10, 17, 23, 50),
                       At(2010, 10, 18, 0, 40), 2, EventKind::ToDo);
    return store;
}

TEST(ICalendar, EverythingDayloomMakesComesBackTheSame) {
    const TodoItems store = EveryKind();
    IcsExportOptions options;
    options.Zone = Berlin();
    SetClockZone(Berlin());
    options.Now = At(2010, 10, 11, 9, 0);
    const IcsWritten written = WriteICalendar(store, options);
    ASSERT_EQ(written.Events, store.Count());

    const IcsRun run = ReadICalendar(written.Text, Berlin());
    ASSERT_TRUE(run.ok) << run.Message;
    TodoItems back;
    EXPECT_EQ(MergeImport(back, BatchOf(IcsRun(run))).Simplified, 0);
    ASSERT_EQ(back.Count(), store.Count());
    for (int i = 0; i < store.Count(); ++i) {
        const TTodoItem &a = store[i], &b = back[i];
        SCOPED_TRACE(utf8(a.Subject));
        EXPECT_EQ(b.Subject, a.Subject);
        EXPECT_EQ(b.CreationDate, a.CreationDate);
        EXPECT_EQ(b.DueDate, a.DueDate);
        EXPECT_EQ(b.CompletionDate, a.CompletionDate);
        EXPECT_EQ(b.Category, a.Category);
        EXPECT_EQ(b.Project, a.Project);
        EXPECT_EQ(b.Resource, a.Resource);
        EXPECT_EQ(b.ImageIndex, a.ImageIndex);
        EXPECT_EQ(b.Complete, a.Complete);
        EXPECT_EQ(b.NotesText(), a.NotesText());
    }

    // The same file again adds nothing; the UIDs stay as they were.
    EXPECT_EQ(MergeImport(back, BatchOf(IcsRun(run))).AlreadyThere, store.Count());
    IcsExportOptions later = options;
    later.Now = At(2011, 5, 1, 12, 0);
    const std::string again = WriteICalendar(store, later).Text;
    for (const TTodoItem& e : store) EXPECT_NE(again.find("UID:" + IcsUid(e) + "@dayloom"), std::string::npos);
}

TEST(ICalendar, FromRangeKeepsTheEventsOfItsDays) {
    const TodoItems store = EveryKind();
    IcsExportOptions options;
    options.From = Day(2010, 10, 12);
    options.To = Day(2010, 10, 12);
    const IcsRun run = ReadICalendar(WriteICalendar(store, options).Text, UtcZone());
    ASSERT_TRUE(run.ok);
    std::vector<std::string> names;
    for (const TTodoItem& e : run.Events) names.push_back(utf8(e.Subject));
    // Spans that reach the day, and repetitions that began before its end.
    EXPECT_EQ(names, (std::vector<std::string>{"Совещание", "Полив", "Отчёт", "Годовщина", "Уборка",
                                               "Декларация"}));
}

// Whole days go out as dates with the midnight after the last one as their
// end, so a reader a zone away sees the same days; a UID never twice.
TEST(ICalendar, WholeDaysAreDatesAndNoUidIsWrittenTwice) {
    TodoItems store = Store({
        Event("Отпуск", At(2025, 7, 7, 0, 0)).Lasting(3, kUnitWeeks),
        Event("Встреча", At(2025, 7, 7, 10, 0)),
        Event("Встреча", At(2025, 7, 7, 10, 0)),
    });
    store[0].CompletionDate = At(2025, 7, 27, 23, 59);  // as a calendar's whole days come in
    IcsExportOptions options;
    options.Zone = Berlin();
    const std::string text = WriteICalendar(store, options).Text;
    EXPECT_NE(text.find("DTSTART;VALUE=DATE:20250707\r\nDTEND;VALUE=DATE:20250728\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DTSTART;TZID=Europe/Berlin:20250707T100000"), std::string::npos);
    // The zone with its history, not one offset.
    EXPECT_NE(text.find("BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin"), std::string::npos);
    EXPECT_NE(text.find("TZOFFSETTO:+0200"), std::string::npos);
    const std::string uid = "UID:" + IcsUid(store[1]) + "@dayloom";
    const size_t first = text.find(uid + "\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(uid + "-2\r\n"), std::string::npos);
}

// Every kind of event, two of another calendar (one changed here), two
// whose UIDs a server gave that another event would otherwise get, and
// three events of one identity.
TodoItems TwinsAndForeign() {
    const TodoItems kinds = EveryKind();
    const TTodoItem twin = Event("Встреча", At(2010, 10, 12, 10, 0));
    const std::string twinUid = IcsUid(twin) + "@dayloom";
    TodoItems store;
    store.Add(twin).Raw.setSyncUid(twinUid + "-2");  // the second twin's made-unique UID, taken first
    store.Add(kinds[0]).Raw.setSyncUid(IcsUid(kinds[5]) + "@dayloom");  // a later event's own UID
    for (const TTodoItem& e : kinds) store.Add(e);
    const std::string foreign =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n"
        "BEGIN:VEVENT\r\nUID:w1\r\nDTSTART;TZID=Europe/Berlin:20101011T183000\r\nRRULE:FREQ=WEEKLY;COUNT=10;BYDAY=MO\r\n"
        "EXDATE;TZID=Europe/Berlin:20101018T183000\r\nSUMMARY:Хор\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:d1\r\nDTSTART:20101012T100000Z\r\nSUMMARY:Врач\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    MergeImport(store, BatchOf(ReadICalendar(foreign, Berlin())));
    store[store.Count() - 1].Complete = true;  // written anew through libical
    for (int i = 0; i < 3; ++i) store.Add(twin);  // in one block or across two

    return store;
}

// A large store is written by several threads a block at a time; what they
// make must be byte for byte what one thread makes, including the UIDs made
// unique across blocks (two events of one identity, a server's UID that is
// another event's made-unique one) and blocks the date range leaves empty.
TEST(ICalendar, ThreadsWriteWhatOneThreadWrites) {
    SetClockZone(Berlin());
    const TodoItems store = TwinsAndForeign();
    IcsExportOptions one;
    one.Zone = Berlin();
    one.Now = At(2010, 10, 11, 9, 0);
    one.Threads = 1;
    for (const bool ranged : {false, true}) {
        IcsExportOptions o = one;
        if (ranged) o.From = o.To = Day(2010, 10, 12);
        const IcsWritten expected = WriteICalendar(store, o);
        ASSERT_EQ(expected.Events, ranged ? 12 : store.Count());
        for (const int threads : {2, 3})
            for (const size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{7}}) {
                SCOPED_TRACE(std::to_string(threads) + " threads, blocks of " + std::to_string(block) +
                             (ranged ? ", one day" : ""));
                o.Threads = threads;
                o.BlockEvents = block;
                const IcsWritten got = WriteICalendar(store, o);
                EXPECT_EQ(got.Events, expected.Events);
                EXPECT_EQ(got.Text, expected.Text);
            }
    }
    SetClockZone(UtcZone());
}

// The export straight from the event file writes what the export of the
// loaded store writes, whether the file is read whole first or a block at a
// time beside the threads.
TEST(ICalendar, TheEventFileGoesOutAsItsStoreDoes) {
    SetClockZone(Berlin());
    const TempFolder dir;
    const auto path = dir.path() / "ListToDo.db";
    const TodoItems store = TwinsAndForeign();
    ASSERT_TRUE(SaveToFile(path, store, false).ok);
    IcsExportOptions o;
    o.Zone = Berlin();
    o.Threads = 1;
    const IcsWritten expected = WriteICalendar(store, o);
    for (const int threads : {1, 2})
        for (const size_t block : {size_t{1}, size_t{4}, size_t{4096}}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, blocks of " + std::to_string(block));
            EventFileStream file;
            TodoItems foreign;
            ASSERT_EQ(file.Open(path, [&](const TTodoItem& e) { foreign.Add(e); }).status, LoadReport::Status::Ok);
            EXPECT_EQ(foreign.Count(), 2);
            o.Threads = threads;
            o.BlockEvents = block;
            int events = 0;
            std::string text;
            const ChunkSource next = ICalendarChunks(file, foreign, o, &events);
            for (std::string_view piece = next(); !piece.empty(); piece = next()) text.append(piece);
            EXPECT_EQ(events, expected.Events);
            EXPECT_EQ(text, expected.Text);
        }
    SetClockZone(UtcZone());
}

// A file that does not read whole gives the load's own report and nothing
// to write; one cut short after the first reading stops the export with an
// error, and the output it was writing over stays as it was.
TEST(ICalendar, AnEventFileThatIsNotWholeWritesNothing) {
    const TempFolder dir;
    const auto path = dir.path() / "ListToDo.db";
    const TodoItems store = EveryKind();
    ASSERT_TRUE(SaveToFile(path, store, false).ok);
    const std::uintmax_t size = std::filesystem::file_size(path);
    std::filesystem::resize_file(path, size - 3);
    TodoItems loaded;
    const LoadReport load = LoadFromFile(path, loaded);
    EventFileStream file;
    const LoadReport rep = file.Open(path, [](const TTodoItem&) {});
    EXPECT_EQ(rep.status, LoadReport::Status::Damaged);
    EXPECT_EQ(rep.problem, load.problem);
    EXPECT_EQ(rep.loaded, load.loaded);

#ifndef _WIN32  // a file open for reading cannot be cut there
    // Larger than what a reading takes in at once, so the cut is met.
    TodoItems many;
    while (many.Count() < 20000)
        for (const TTodoItem& e : store) many.Add(e);
    ASSERT_TRUE(SaveToFile(path, many, false).ok);
    const auto output = dir.path() / "out.ics";
    TempFolder::Write(output, "old");
    IcsExportOptions o;
    o.Threads = 2;
    o.BlockEvents = 256;
    ASSERT_EQ(file.Open(path, [](const TTodoItem&) {}).status, LoadReport::Status::Ok);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    EXPECT_THROW(WriteOutputFile(output, ICalendarChunks(file, TodoItems(), o)), std::runtime_error);
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(output, kept));
    EXPECT_EQ(kept, "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // no temporary left
#endif
}

}  // namespace
