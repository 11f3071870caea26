#include <gtest/gtest.h>

#include "events/event_store.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"
#include "import/ics_lines.h"
#include "tests/support/builders.h"

namespace {

// Central European time with summer time, from the rule the law gives (the
// last Sundays of March and October at 01:00 UTC), not from our own writer.
IcsZone Berlin() {
    return {"Europe/Berlin", [](int64_t utc) {
                const DateTimeParts p = DecodeDateTime(FromWallSeconds(utc));
                auto change = [&](int month) {
                    return WallSeconds(EncodeDateTime(p.year, month, NthWeekdayOfMonth(p.year, month, 0, -1), 1));
                };
                return utc >= change(3) && utc < change(10) ? 7200 : 3600;
            }};
}

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

// A calendar as other programs write it: zones of their own, whole days,
// rules dayloom has no kind for, alarms before and at a moment, to-dos.
constexpr const char* kForeign = R"(BEGIN:VCALENDAR
PRODID:-//Google Inc//Google Calendar 70.9054//EN
VERSION:2.0
CALSCALE:GREGORIAN
METHOD:PUBLISH
X-WR-CALNAME:Дом и работа
BEGIN:VTIMEZONE
TZID:America/New_York
X-LIC-LOCATION:America/New_York
BEGIN:DAYLIGHT
TZOFFSETFROM:-0500
TZOFFSETTO:-0400
TZNAME:EDT
DTSTART:19700308T020000
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU
END:DAYLIGHT
BEGIN:STANDARD
TZOFFSETFROM:-0400
TZOFFSETTO:-0500
TZNAME:EST
DTSTART:19701101T020000
RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU
END:STANDARD
END:VTIMEZONE
BEGIN:VTIMEZONE
TZID:W. Europe Standard Time
BEGIN:STANDARD
DTSTART:16010101T030000
TZOFFSETFROM:+0200
TZOFFSETTO:+0100
RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=10
END:STANDARD
BEGIN:DAYLIGHT
DTSTART:16010101T020000
TZOFFSETFROM:+0100
TZOFFSETTO:+0200
RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=3
END:DAYLIGHT
END:VTIMEZONE
BEGIN:VEVENT
DTSTART;VALUE=DATE:20101012
DTEND;VALUE=DATE:20101013
RRULE:FREQ=YEARLY
DTSTAMP:20101001T120000Z
UID:0a1b2c3d@google.com
SUMMARY:День рождения Маши
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:This is an event reminder
TRIGGER:-P0DT15H0M0S
END:VALARM
END:VEVENT
BEGIN:VEVENT
DTSTART;VALUE=DATE:20101018
DTEND;VALUE=DATE:20101021
DTSTAMP:20101001T120000Z
UID:conf-2010@example.org
SUMMARY:Конференция
LOCATION:Казань\, ул. Баумана\, 1
DESCRIPTION:Доклад во второй день. Взять ноутбук\, зарядку и распечатки слай
 дов для секции «Календари».
END:VEVENT
BEGIN:VEVENT
DTSTART;TZID=America/New_York:20101011T090000
DTEND;TZID=America/New_York:20101011T093000
RRULE:FREQ=WEEKLY;WKST=SU;BYDAY=MO,WE,FR
EXDATE;TZID=America/New_York:20101013T090000
DTSTAMP:20101001T120000Z
UID:standup@google.com
SUMMARY:Stand-up
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:Stand-up
TRIGGER:-PT10M
END:VALARM
BEGIN:VALARM
ACTION:EMAIL
DESCRIPTION:Stand-up
SUMMARY:Stand-up
ATTENDEE:mailto:team@example.org
TRIGGER:-PT5M
END:VALARM
END:VEVENT
BEGIN:VEVENT
DTSTART:20101014T150000Z
DURATION:PT1H
RRULE:FREQ=DAILY;COUNT=5
DTSTAMP:20101001T120000Z
UID:course@example.org
SUMMARY:Курс
END:VEVENT
BEGIN:VEVENT
DTSTART:20101012T190000
RRULE:FREQ=MONTHLY;BYDAY=2TU
DTSTAMP:20101001T120000Z
UID:school@example.org
SUMMARY:Родительское собрание
END:VEVENT
BEGIN:VEVENT
DTSTART;TZID=America/New_York:20101009T080000
RRULE:FREQ=WEEKLY;UNTIL=20101130T130000Z
DTSTAMP:20101001T120000Z
UID:yoga@example.org
SUMMARY:Йога
END:VEVENT
BEGIN:VEVENT
DTSTART;VALUE=DATE:20101025
RRULE:FREQ=MONTHLY;BYMONTHDAY=25
DTSTAMP:20101001T120000Z
UID:rent@example.org
SUMMARY:Оплата квартиры
END:VEVENT
BEGIN:VEVENT
DTSTART;TZID="W. Europe Standard Time":20101020T100000
DTEND;TZID="W. Europe Standard Time":20101020T110000
DTSTAMP:20101001T120000Z
UID:040000008200E00074C5B7101A82E008@outlook
SUMMARY;LANGUAGE=de-de:Planning
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:Reminder
TRIGGER;VALUE=DATE-TIME:20101020T070000Z
END:VALARM
END:VEVENT
BEGIN:VTODO
DTSTART:20101011T100000Z
DUE;VALUE=DATE:20101015
DTSTAMP:20101001T120000Z
UID:tax@example.org
SUMMARY:Подать декларацию
PRIORITY:1
STATUS:NEEDS-ACTION
BEGIN:VALARM
ACTION:DISPLAY
DESCRIPTION:Подать декларацию
TRIGGER;RELATED=END:-P1D
END:VALARM
END:VTODO
BEGIN:VTODO
DUE:20101010T120000Z
COMPLETED:20101009T120000Z
STATUS:COMPLETED
DTSTAMP:20101001T120000Z
UID:parcel@example.org
SUMMARY:Забрать посылку
END:VTODO
BEGIN:VTODO
DTSTAMP:20101001T120000Z
UID:someday@example.org
SUMMARY:Когда-нибудь
END:VTODO
BEGIN:VJOURNAL
DTSTAMP:20101001T120000Z
UID:journal@example.org
SUMMARY:Заметка
END:VJOURNAL
END:VCALENDAR
)";

TEST(ICalendar, AnotherProgramsCalendarGivesTheEventsAUserExpects) {
    // Read on a clock three hours east of UTC, without summer time.
    const IcsRun run = ReadICalendar(kForeign, FixedZone("Etc/GMT-3", 3 * 3600));
    ASSERT_TRUE(run.ok) << run.Message;
    EXPECT_EQ(run.Undated, 1);
    struct Expect {
        const char* name;
        TDateTime start, end;  // end: CompletionDate
        const char *count, *unit, *mask;
        bool repeats, done;
        int alert;
        bool simplified;
    } expected[] = {
        // Whole day, every year; reminded 15 hours ahead: "за 1 день".
        {"День рождения Маши", At(2010, 10, 12), 0, "1", "6", "0", true, false, 9, false},
        // Three whole days: from the first day's midnight to the third day's last minute.
        {"Конференция", At(2010, 10, 18), At(2010, 10, 20, 23, 59), "4319", "1", "0", false, false, 0, false},
        // 09:00 in New York in summer is 13:00 UTC; the earlier alarm (10 min) wins, as "за 15 мин".
        {"Stand-up", At(2010, 10, 11, 16, 0), 0, "0", "0", "42", true, false, 4, false},
        // COUNT: the first of the five, an hour long.
        {"Курс", At(2010, 10, 14, 18, 0), At(2010, 10, 14, 19, 0), "1", "2", "0", false, false, 0, true},
        // The second Tuesday of each month: no kind holds it.
        {"Родительское собрание", At(2010, 10, 12, 19, 0), 0, "0", "0", "0", false, false, 0, true},
        {"Йога", At(2010, 10, 9, 15, 0), 0, "0", "0", "0", false, false, 0, true},
        // The 25th of every month is dayloom's monthly repetition.
        {"Оплата квартиры", At(2010, 10, 25), 0, "1", "5", "0", true, false, 0, false},
        // 10:00 summer time in Berlin is 08:00 UTC; the alarm at 07:00 UTC is an hour before.
        {"Planning", At(2010, 10, 20, 11, 0), At(2010, 10, 20, 12, 0), "1", "2", "0", false, false, 7, false},
        // Due on the 15th: by its last minute. Its alarm a day before that is
        // after the start, and dayloom reminds from the start: on time.
        {"Подать декларацию", At(2010, 10, 11, 13, 0), At(2010, 10, 15, 23, 59), "0", "0", "0", false, false, 1, false},
        {"Забрать посылку", At(2010, 10, 10, 15, 0), At(2010, 10, 10, 15, 0), "0", "0", "0", false, true, 0, false},
    };
    ASSERT_EQ(run.Events.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const Expect& x = expected[i];
        const TTodoItem& e = run.Events[i];
        SCOPED_TRACE(x.name);
        EXPECT_EQ(utf8(e.Subject), x.name);
        EXPECT_EQ(e.CreationDate, x.start);
        EXPECT_EQ(e.CompletionDate, x.end);
        EXPECT_EQ(e.DueDate, x.repeats ? x.start : 0);
        EXPECT_EQ(e.Category, x.count);
        EXPECT_EQ(e.Project, x.unit);
        EXPECT_EQ(e.Resource, x.mask);
        EXPECT_EQ(e.Complete, x.done);
        EXPECT_EQ(e.ImageIndex, x.alert);
        EXPECT_EQ(run.Simplified[i] != 0, x.simplified);
    }
    EXPECT_EQ(utf8(run.Events[1].NotesText()),
              "Доклад во второй день. Взять ноутбук, зарядку и распечатки слайдов для секции «Календари».\r\n"
              "Место: Казань, ул. Баумана, 1\r\n");

    TodoItems store;
    EXPECT_EQ(SummaryText(MergeImport(store, BatchOf(IcsRun(run)))),
              "Добавлено событий: 10, повторений упрощено: 3, без даты пропущено: 1.");
}

TEST(ICalendar, AFaultyFileAddsNothingAndNamesItsLine) {
    struct Case {
        const char* text;
        int line;
        const char* says;
    } cases[] = {
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20101011T1000\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 3,
         "DTSTART: неверная дата"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20100230T100000\nEND:VEVENT\nEND:VCALENDAR\n", 3, "20100230"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20101011T100000\nDURATION:1 hour\nEND:VEVENT\nEND:VCALENDAR\n", 4,
         "DURATION"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20101011T100000\nEND:VCALENDAR\n", 4, "закрывает BEGIN:VEVENT"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20101011T100000\n", 2, "не закрыт"},
        {"BEGIN:VCALENDAR\nэто не iCalendar\nEND:VCALENDAR\n", 2, "не похожа на свойство"},
        {"END:VEVENT\n", 1, "без BEGIN"},
        {"BEGIN:VCARD\nFN:Анна\nEND:VCARD\n", 0, "нет календаря"},
        {"", 0, "нет календаря"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const IcsRun run = ReadICalendar(c.text, UtcZone());
        EXPECT_FALSE(run.ok);
        EXPECT_TRUE(run.Events.empty());
        EXPECT_EQ(run.Line, c.line);
        EXPECT_NE(run.Message.find(c.says), std::string::npos) << run.Message;
    }
}

// Found by fuzzing: moments at the calendar's ends moved onto a clock three
// hours ahead left the years the event file holds, and a span of millennia
// overflowed the count of minutes it was measured in.
TEST(ICalendar, TheCalendarsEndsHoldOnAnotherClock) {
    const IcsZone ahead = FixedZone("Etc/GMT-3", 3 * 3600);
    const auto read = [&](const std::string& body) {
        return ReadICalendar("BEGIN:VCALENDAR\nBEGIN:VEVENT\n" + body + "END:VEVENT\nEND:VCALENDAR\n", ahead);
    };
    IcsRun run = read("DTSTART:99991231T220000Z\n");
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.Line, 3);
    EXPECT_NE(run.Message.find("выходит за 9999 год"), std::string::npos) << run.Message;
    run = read("DTSTART:99991231T100000Z\nDURATION:P1D\n");
    EXPECT_FALSE(run.ok);
    EXPECT_EQ(run.Line, 4);
    EXPECT_NE(run.Message.find("DURATION"), std::string::npos) << run.Message;

    run = read("DTSTART:99991231T100000Z\nDURATION:PT1H\n");  // 23:00 of the last day is still ours
    ASSERT_TRUE(run.ok) << run.Message;
    EXPECT_EQ(run.Events[0].CreationDate, At(9999, 12, 31, 13, 0));
    run = read("DTSTART:00010101T000000\nDTEND:99991231T000000\nSUMMARY:Long\n");
    ASSERT_TRUE(run.ok) << run.Message;
    ASSERT_EQ(run.Events.size(), 1u);
    EXPECT_EQ(run.Events[0].CompletionDate, 0);  // simple: no count of dayloom's says 10,000 years
}

// What another program's file says reaches the store as it says it, or the
// file is refused at the line that cannot be taken faithfully.
TEST(ICalendar, TextsDatesAndOffsetsAsWrittenOrRefusedAtTheirLine) {
    const std::string file = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20101011T100000\r\nSUMMARY:Встреча\r\n"
                             "END:VEVENT\r\nEND:VCALENDAR\r\n";
    for (const std::string& bytes : {file, ansi(file), Utf16Bytes(file, false), Utf16Bytes(file, true)}) {
        const IcsRun run = ReadICalendar(bytes, UtcZone());
        ASSERT_TRUE(run.ok) << run.Message;
        ASSERT_EQ(run.Events.size(), 1u);
        EXPECT_EQ(run.Events[0].Subject, ansi("Встреча"));
    }
    IcsRun mixed = ReadICalendar(file + ansi(file), UtcZone());
    EXPECT_EQ(mixed.Line, 10);
    EXPECT_NE(mixed.Message.find("в двух кодировках"), std::string::npos) << mixed.Message;

    const auto read = [](const std::string& lines) {
        return ReadICalendar("BEGIN:VCALENDAR\n" + lines + "BEGIN:VEVENT\nDTSTART;TZID=Z:00010101T100000\n"
                             "END:VEVENT\nEND:VCALENDAR\n", UtcZone());
    };
    const std::string zone = "BEGIN:VTIMEZONE\nTZID:Z\nBEGIN:STANDARD\nDTSTART:00010101T000000\nTZOFFSETFROM:+0000\n";
    IcsRun run = read("");  // the first day of the calendar, not 1970
    ASSERT_TRUE(run.ok) << run.Message;
    EXPECT_EQ(run.Events[0].CreationDate, At(1, 1, 1, 10, 0));
    for (const char* offset : {"-9999", "+2400", "+0160", "+010060", "+01", "0100", "+01:00"}) {
        run = read(zone + "TZOFFSETTO:" + offset + "\nEND:STANDARD\nEND:VTIMEZONE\n");
        EXPECT_FALSE(run.ok) << offset;
        EXPECT_EQ(run.Line, 7) << offset;
        EXPECT_NE(run.Message.find(std::string("«") + offset + "» — не сдвиг часов"), std::string::npos)
            << run.Message;
    }
    run = read(zone + "TZOFFSETTO:-0230\nEND:STANDARD\nEND:VTIMEZONE\n");
    ASSERT_TRUE(run.ok) << run.Message;
    EXPECT_EQ(run.Events[0].CreationDate, At(1, 1, 1, 12, 30));
    // On a clock behind UTC the first hour of the calendar is before it.
    run = ReadICalendar("BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:00010101T010000Z\nEND:VEVENT\nEND:VCALENDAR\n",
                        FixedZone("Etc/GMT+3", -3 * 3600));
    EXPECT_EQ(run.Line, 3);
    EXPECT_NE(run.Message.find("раньше 1 года"), std::string::npos) << run.Message;

    // What the message quotes of the file cannot drive a terminal.
    run = ReadICalendar("BEGIN:VCALENDAR\nEND:\x1B]0;x\x07\n", UtcZone());
    EXPECT_EQ(run.Line, 2);
    EXPECT_NE(run.Message.find("END:\\x1B]0;x\\x07 закрывает"), std::string::npos) << run.Message;
}

// A file made to be held many times over (a tiny line for each thing kept,
// a list the length of the file) costs a walk no more than what it keeps: the
// first of each property asked for, a few parameters, a thousand children.
TEST(ICalendar, AWalkKeepsWhatItIsAskedForAndNoMore) {
    std::string text = "BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20101011T100000\n";
    for (int i = 0; i < 20000; ++i) text += "DTSTART:20111011T100000\nX-OTHER:1\nRDATE:1\n";
    text += "SUMMARY";
    for (int i = 0; i < 20000; ++i) text += ";P" + std::to_string(i % 40) + "=v";
    text += ":s\n";
    for (int i = 0; i < 3000; ++i) text += "BEGIN:VALARM\nTRIGGER:-PT5M\nEND:VALARM\nBEGIN:X-NOT-KEPT\nEND:X-NOT-KEPT\n";
    text += "END:VEVENT\nEND:VCALENDAR\n";
    int handed = 0;
    const IcsWalk walk = WalkIcsText(text, {"VCALENDAR", {"VEVENT", "VALARM"}, {"DTSTART", "SUMMARY"}, {"RDATE"}},
                                     [&](int top, IcsComponent& c) {
                                         ++handed;
                                         EXPECT_EQ(top, 0);
                                         EXPECT_EQ(c.Find("DTSTART")->Value, "20101011T100000");
                                         EXPECT_EQ(c.FindAll("DTSTART").size(), 1u);
                                         EXPECT_EQ(c.FindAll("RDATE").size(), kMostIcsRepeats);
                                         EXPECT_EQ(c.Find("X-OTHER"), nullptr);
                                         EXPECT_EQ(c.Find("SUMMARY")->Params.size(), kMostIcsParams);
                                         EXPECT_EQ(c.Children.size(), kMostIcsChildren);
                                         return true;
                                     });
    ASSERT_TRUE(walk.ok) << walk.Error;
    EXPECT_EQ(walk.Tops, 1);
    EXPECT_EQ(handed, 1);
}

TEST(ICalendar, LinesAreFoldedAt75OctetsWithoutCuttingACharacter) {
    std::string out;
    std::string cyrillic = "SUMMARY:";
    for (int i = 0; i < 80; ++i) cyrillic += "Ж";  // two octets each
    AppendIcsLine(out, cyrillic);
    size_t longest = 0, start = 0;
    for (size_t at; (at = out.find("\r\n", start)) != std::string::npos; start = at + 2) {
        const std::string_view l(out.data() + start, at - start);
        longest = std::max(longest, l.size());
        const size_t body = start == 0 ? 0 : 1;  // a continuation starts with its space
        EXPECT_NE(static_cast<unsigned char>(l[body]) & 0xC0, 0x80u) << "a character cut in two";
    }
    EXPECT_EQ(longest, 75u);
    std::string read;
    const IcsWalk walk = WalkIcsText("BEGIN:X\r\nBEGIN:Y\r\n" + out + "END:Y\r\nEND:X\r\n", {"X", {"Y"}, {"SUMMARY"}, {}},
                                     [&](int, IcsComponent& c) {
                                         read = c.Properties.at(0).Value;
                                         return true;
                                     });
    ASSERT_TRUE(walk.ok);
    EXPECT_EQ("SUMMARY:" + read, cyrillic);

    const std::string text = "a\\b;c,d\r\nвторая строка";
    EXPECT_EQ(IcsEscapeText(text), "a\\\\b\\;c\\,d\\nвторая строка");
    EXPECT_EQ(IcsUnescapeText(IcsEscapeText(text)), "a\\b;c,d\nвторая строка");
}

TEST(ICalendarZone, WallClockAndUtcAroundTheChangesOfSummerTime) {
    const IcsZone z = Berlin();
    // Both clocks as seconds of 28 March 2010 and the days around it.
    auto wall = [](int d, int h, int m) { return WallSeconds(At(2010, 3, d, h, m)); };
    const auto& utc = wall;
    EXPECT_EQ(ToUtc(z, wall(27, 12, 0)), utc(27, 11, 0));
    EXPECT_EQ(ToUtc(z, wall(28, 1, 59)), utc(28, 0, 59));
    EXPECT_EQ(ToUtc(z, wall(28, 2, 30)), utc(28, 1, 30));  // skipped: comes out as 03:30
    EXPECT_EQ(ToUtc(z, wall(28, 3, 0)), utc(28, 1, 0));
    // 02:30 on 31 October is shown twice; the first is meant.
    EXPECT_EQ(ToUtc(z, WallSeconds(At(2010, 10, 31, 2, 30))), WallSeconds(At(2010, 10, 31, 0, 30)));

    // A Berlin clock time read through the zone as we write it comes out
    // at the same UTC moment as through the zone itself, all year round.
    std::string zone;
    for (const std::string& l : VTimeZoneLines(z, 2010)) zone += l + "\r\n";
    EXPECT_NE(zone.find("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU"), std::string::npos) << zone;
    for (int64_t t = WallSeconds(At(2009, 1, 1)); t < WallSeconds(At(2012, 1, 1)); t += 3600 * 7 + 60) {
        const DateTimeParts p = DecodeDateTime(FromWallSeconds(t));
        char start[64];
        std::snprintf(start, sizeof start, "DTSTART;TZID=Europe/Berlin:%04d%02d%02dT%02d%02d00\r\n", p.year,
                      p.month, p.day, p.hour, p.minute);
        const IcsRun run = ReadICalendar(
            "BEGIN:VCALENDAR\r\n" + zone + "BEGIN:VEVENT\r\n" + start + "END:VEVENT\r\nEND:VCALENDAR\r\n",
            UtcZone());
        ASSERT_TRUE(run.ok) << run.Message;
        ASSERT_EQ(WallSeconds(run.Events[0].CreationDate), ToUtc(z, t)) << start;
    }

    const IcsZone fixed = FixedZone("Etc/GMT-3", 3 * 3600);
    const std::vector<std::string> lines = VTimeZoneLines(fixed, 2010);
    EXPECT_EQ(lines, (std::vector<std::string>{"BEGIN:VTIMEZONE", "TZID:Etc/GMT-3", "BEGIN:STANDARD",
                                               "DTSTART:19700101T000000", "TZOFFSETFROM:+0300", "TZOFFSETTO:+0300",
                                               "END:STANDARD", "END:VTIMEZONE"}));
    EXPECT_EQ(NthWeekdayOfMonth(2010, 3, 0, -1), 28);
    EXPECT_EQ(NthWeekdayOfMonth(2010, 3, 0, 2), 14);
    EXPECT_EQ(NthWeekdayOfMonth(2010, 2, 1, 5), 0);  // no fifth Monday
}

}  // namespace
