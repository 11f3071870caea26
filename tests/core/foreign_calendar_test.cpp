// Calendars of other programs in the shapes real files have, read on a
// Moscow clock: the day list must show, day by day, the occurrences libical
// itself expands from the same file (icalcomponent_foreach_recurrence, the
// moved occurrences laid over by hand) — not what our own code says.
#include <gtest/gtest.h>

#include <filesystem>

#include <libical/ical.h>

#include <map>
#include <set>
#include <vector>

#include "dayview/day_list.h"
#include "events/event_edit.h"
#include "events/event_file.h"
#include "events/foreign_event.h"
#include "events/purge.h"
#include "events/recurrence.h"
#include "import/change_summary.h"
#include "import/ics.h"
#include "import/import_batch.h"
#include "tests/support/builders.h"

namespace {

constexpr int64_t kMoscow = 3 * 3600;  // Moscow keeps +03:00 all year since 2014
constexpr int64_t kUnixDay = 25569;

using Starts = std::map<int64_t, std::vector<int>>;  // day number → minutes of the day, ascending

void Walk(icalcomponent* c, std::set<std::string>& named) {
    for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY))
        if (icalparameter* z = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
            named.insert(icalparameter_get_tzid(z));
    for (icalcomponent* k = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); k;
         k = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT))
        Walk(k, named);
}

// A moment of the file on the Moscow clock: floating times and dates as written.
int64_t Wall(icalcomponent* cal, icalproperty* p, icaltimetype t) {
    t.zone = nullptr;
    const time_t asWritten = icaltime_as_timet_with_zone(t, icaltimezone_get_utc_timezone());
    icalparameter* tz = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
    if (t.is_date || (!tz && !icaltime_is_utc(icalproperty_get_dtstart(p)) &&
                      icalproperty_get_value_as_string(p)[std::strlen(icalproperty_get_value_as_string(p)) - 1] != 'Z'))
        return asWritten;
    if (!tz) return asWritten + kMoscow;  // UTC
    icaltimezone* zone = icalcomponent_get_timezone(cal, icalparameter_get_tzid(tz));
    return icaltime_as_timet_with_zone(t, zone) + kMoscow;
}

struct Collect {
    std::vector<int64_t>* out;
    int64_t shift;
};

// libical's expansion of every series of the file from `from` to `to`.
Starts Oracle(const std::string& ics, TDateTime from, TDateTime to) {
    icalcomponent* cal = icalparser_parse_string(ics.c_str());
    EXPECT_NE(cal, nullptr);
    if (!cal) return {};
    // Zones the file names without describing them: the system's, as libical has them.
    std::set<std::string> named;
    Walk(cal, named);
    for (const std::string& n : named) {
        if (icalcomponent_get_timezone(cal, n.c_str())) continue;
        icaltimezone* z = icaltimezone_get_builtin_timezone(n.c_str());
        if (!z) continue;
        icalcomponent* vtz = icalcomponent_new_clone(icaltimezone_get_component(z));
        icalproperty_set_tzid(icalcomponent_get_first_property(vtz, ICAL_TZID_PROPERTY), n.c_str());
        icalcomponent_add_component(cal, vtz);
    }
    std::vector<int64_t> walls;
    const time_t lo = ((SafeDayNumber(from) - kUnixDay - 3) * 86400), hi = ((SafeDayNumber(to) - kUnixDay + 3) * 86400);
    std::vector<icalcomponent*> events;
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT))
        events.push_back(c);
    for (icalcomponent* c : events) {
        if (icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) continue;
        icalproperty* dtstart = icalcomponent_get_first_property(c, ICAL_DTSTART_PROPERTY);
        if (!dtstart) continue;
        // The span libical gives is in UTC for a zoned start, as written for the others.
        const int64_t shift = Wall(cal, dtstart, icalproperty_get_dtstart(dtstart)) -
                              icaltime_as_timet_with_zone(icalcomponent_get_dtstart(c),
                                                          icalcomponent_get_dtstart(c).zone
                                                              ? icalcomponent_get_dtstart(c).zone
                                                              : icaltimezone_get_utc_timezone());
        std::vector<int64_t> mine;
        Collect collect{&mine, shift};
        icalcomponent_foreach_recurrence(
            c, icaltime_from_timet_with_zone(lo, 0, icaltimezone_get_utc_timezone()),
            icaltime_from_timet_with_zone(hi, 0, icaltimezone_get_utc_timezone()),
            [](icalcomponent*, struct icaltime_span* span, void* data) {
                auto* k = static_cast<Collect*>(data);
                k->out->push_back(span->start + k->shift);
            },
            &collect);
        const char* uid = icalcomponent_get_uid(c);
        for (icalcomponent* m : events) {
            icalproperty* rid = icalcomponent_get_first_property(m, ICAL_RECURRENCEID_PROPERTY);
            if (!rid || !uid || std::string_view(icalcomponent_get_uid(m)) != uid) continue;
            const int64_t was = Wall(cal, rid, icalproperty_get_recurrenceid(rid));
            mine.erase(std::remove(mine.begin(), mine.end(), was), mine.end());
            if (icalcomponent_get_status(m) == ICAL_STATUS_CANCELLED) continue;
            icalproperty* s = icalcomponent_get_first_property(m, ICAL_DTSTART_PROPERTY);
            mine.push_back(Wall(cal, s, icalproperty_get_dtstart(s)));
        }
        walls.insert(walls.end(), mine.begin(), mine.end());
    }
    icalcomponent_free(cal);
    Starts out;
    for (const int64_t w : walls) {
        const int64_t day = kUnixDay + (w >= 0 ? w / 86400 : (w - 86399) / 86400);
        if (day < SafeDayNumber(from) || day > SafeDayNumber(to)) continue;
        out[day].push_back(static_cast<int>((w - (day - kUnixDay) * 86400) / 60));
    }
    for (auto& [day, minutes] : out) std::sort(minutes.begin(), minutes.end());
    return out;
}

// What the day list shows starting on each day.
Starts Shown(const TodoItems& store, TDateTime from, TDateTime to) {
    Starts out;
    TDayRows rows;
    for (int64_t day = SafeDayNumber(from); day <= SafeDayNumber(to); ++day) {
        UpDateTdList(store, static_cast<TDateTime>(day), ListMode::Day, from, DayListFormats{}, rows);
        for (const TDayRow& r : rows)
            if (r.Kind != EventKind::Lasting) out[day].push_back(static_cast<int>(MsOfDay(r.Moment) / 60000));
        if (out.count(day)) std::sort(out[day].begin(), out[day].end());
    }
    return out;
}

// The file read, merged and put through the event file, as a session would.
TodoItems Imported(const std::string& bytes, IcsRun* seen = nullptr) {
    IcsRun run = ReadICalendar(bytes, ClockZone());
    EXPECT_TRUE(run.ok) << run.Message;
    if (seen) *seen = run;
    TodoItems store, back;
    MergeImport(store, BatchOf(std::move(run)));
    EXPECT_EQ(LoadFromBytes(SaveToBytes(store), back).status, LoadReport::Status::Ok);
    return back;
}

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

class ForeignCalendar : public ::testing::Test {
protected:
    void SetUp() override { SetClockZone(*NamedZone("Europe/Moscow")); }
    void TearDown() override { SetClockZone(UtcZone()); }
};

struct Shape {
    const char* name;
    std::string body;
};

const Shape kShapes[] = {
    {"a weekly series with COUNT and two EXDATEs",
     "BEGIN:VEVENT\r\nUID:w1\r\nDTSTART;TZID=Europe/Berlin:20250303T183000\r\nDTEND;TZID=Europe/Berlin:20250303T200000\r\n"
     "RRULE:FREQ=WEEKLY;COUNT=10;BYDAY=MO,TH\r\nEXDATE;TZID=Europe/Berlin:20250310T183000,20250320T183000\r\n"
     "SUMMARY:Хор\r\nEND:VEVENT\r\n"},
    {"a moved occurrence and a cancelled one",
     "BEGIN:VEVENT\r\nUID:m1\r\nDTSTART:20250106T070000Z\r\nRRULE:FREQ=DAILY;UNTIL=20250131T070000Z\r\nSUMMARY:Standup\r\nEND:VEVENT\r\n"
     "BEGIN:VEVENT\r\nUID:m1\r\nRECURRENCE-ID:20250110T070000Z\r\nDTSTART:20250111T093000Z\r\nSUMMARY:Standup moved\r\nEND:VEVENT\r\n"
     "BEGIN:VEVENT\r\nUID:m1\r\nRECURRENCE-ID:20250115T070000Z\r\nDTSTART:20250115T070000Z\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"},
    {"a Berlin series across the change of summer time",
     "BEGIN:VEVENT\r\nUID:b1\r\nDTSTART;TZID=Europe/Berlin:20250301T100000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\nSUMMARY:Kurs\r\nEND:VEVENT\r\n"},
    {"the last weekday of each month and the second Tuesday",
     "BEGIN:VEVENT\r\nUID:p1\r\nDTSTART;TZID=US/Eastern:20240131T170000\r\nRRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1\r\n"
     "SUMMARY:Payroll\r\nEND:VEVENT\r\n"
     "BEGIN:VEVENT\r\nUID:p2\r\nDTSTART:20240109T120000\r\nRRULE:FREQ=MONTHLY;BYDAY=2TU;BYMONTH=1,4,7,10\r\n"
     "RDATE:20250301T120000,20250302T120000\r\nSUMMARY:Board\r\nEND:VEVENT\r\n"},
    {"a yearly all-day holiday with a Swedish name",
     "BEGIN:VEVENT\r\nUID:h1\r\nDTSTART;VALUE=DATE:20200101\r\nDTEND;VALUE=DATE:20200102\r\nRRULE:FREQ=YEARLY\r\n"
     "SUMMARY:Nyårsdagen\r\nEND:VEVENT\r\n"},
};

TEST_F(ForeignCalendar, EveryDayShowsWhatLibicalExpands) {
    const TDateTime from = Day(2024, 12, 1), to = Day(2026, 2, 28);
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(s.name);
        const std::string file = Calendar(s.body);
        const TodoItems store = Imported(file);
        const Starts want = Oracle(file, from, to);
        EXPECT_FALSE(want.empty());
        EXPECT_EQ(Shown(store, from, to), want);
    }
    // All of them in one UTF-16 file with a mark: the same days.
    std::string body;
    for (const Shape& s : kShapes) body += s.body;
    EXPECT_EQ(Shown(Imported(Utf16Bytes(Calendar(body), false)), from, to), Oracle(Calendar(body), from, to));
}

TEST_F(ForeignCalendar, TheBerlinHourHoldsOnAMoscowClockInBothHalvesOfTheYear) {
    const TodoItems store = Imported(Calendar(kShapes[2].body));
    TDayRows rows;
    UpDateTdList(store, Day(2025, 3, 1), ListMode::Day, Day(2025, 3, 1), DayListFormats{}, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Moment, At(2025, 3, 1, 12, 0));
    EXPECT_EQ(rows[0].StartText, "12:00");
    UpDateTdList(store, Day(2025, 4, 12), ListMode::Day, Day(2025, 3, 1), DayListFormats{}, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Moment, At(2025, 4, 12, 11, 0));
    EXPECT_EQ(rows[0].StartText, "11:00");
}

TEST_F(ForeignCalendar, TextAndLongSpansComeWhole) {
    const TodoItems store = Imported(Calendar(
        kShapes[4].body +
        "BEGIN:VEVENT\r\nUID:v1\r\nDTSTART;VALUE=DATE:20250707\r\nDTEND;VALUE=DATE:20250728\r\nSUMMARY:Semester\r\n"
        "DESCRIPTION:Tre veckor\\, sedan hem\r\nEND:VEVENT\r\n"));
    ASSERT_EQ(store.Count(), 2);
    // The record holds the best the code page can; the letters are kept whole beside it.
    EXPECT_EQ(store[0].Subject, "Ny?rsdagen");
    EXPECT_EQ(store[0].Foreign()->Summary(), "Nyårsdagen");
    IcsExportOptions o;
    o.Zone = ClockZone();
    EXPECT_NE(WriteICalendar(store, o).Text.find("SUMMARY:Nyårsdagen"), std::string::npos);
    // Three weeks of whole days: every one of the 21, not the 22nd.
    TDayRows rows;
    int days = 0;
    for (TDateTime d = Day(2025, 7, 1); d <= Day(2025, 7, 31); d += 1) {
        UpDateTdList(store, d, ListMode::Day, d, DayListFormats{}, rows);
        days += rows.empty() ? 0 : 1;
        if (d == Day(2025, 7, 28)) {
            EXPECT_TRUE(rows.empty());
        }
    }
    EXPECT_EQ(days, 21);
    EXPECT_EQ(store[1].NotesText(), "Tre veckor, sedan hem\r\n");
}

TEST_F(ForeignCalendar, ABrokenComponentIsNamedAndTheOthersComeIn) {
    IcsRun run;
    const std::string bytes = "\xEF\xBB\xBF" + Calendar(
        "BEGIN:VEVENT\r\nUID:ok1\r\nDTSTART:20250101T100000\r\nSUMMARY:Good \r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:bad\r\nDTSTART:20250102T100000\r\nDTEND:2025010xT1100\r\nSUMMARY:Bad\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:ok2\r\nDTSTART:20250103T100000 \r\nSUMMARY:Notes\r\nDESCRIPTION:line one\r\nline two\r\n"
        "END:VEVENT\r\n") + "trailing junk\r\n";
    const TodoItems store = Imported(bytes, &run);
    ASSERT_EQ(store.Count(), 2);
    ASSERT_EQ(run.Skipped.size(), 1u);
    EXPECT_EQ(SkippedText(run.Skipped[0]), "строка 9, UID bad: DTEND: не читается «2025010xT1100»");
    EXPECT_EQ(store[1].CreationDate, At(2025, 1, 3, 10, 0));  // the space after the date is no fault
    EXPECT_EQ(store[1].NotesText(), "line one\r\nline two\r\n");
}

TEST_F(ForeignCalendar, AUidGivenAgainUpdatesTheEventAndTheRoundTripKeepsTheDays) {
    std::string body;
    for (const Shape& s : kShapes) body += s.body;
    const std::string file = Calendar(body);
    TodoItems store = Imported(file);
    const TDateTime from = Day(2024, 12, 1), to = Day(2026, 2, 28);

    // Exported and read again: the same days.
    IcsExportOptions o;
    o.Zone = ClockZone();
    const std::string exported = WriteICalendar(store, o).Text;
    EXPECT_EQ(Shown(Imported(exported), from, to), Shown(store, from, to));

    // The same file again changes nothing; the series moved by its calendar replaces the old one.
    EXPECT_EQ(MergeImport(store, BatchOf(ReadICalendar(file, ClockZone()))).AlreadyThere, 6);
    std::string moved = body;
    moved.replace(moved.find("20250301T100000"), 15, "20250302T100000");
    const ChangeSummary s = MergeImport(store, BatchOf(ReadICalendar(Calendar(moved), ClockZone())));
    EXPECT_EQ(s.Updated, 1);
    EXPECT_EQ(s.Added, 0);
    EXPECT_EQ(store.Count(), 6);
    EXPECT_EQ(SummaryText(s), "Добавлено событий: 0, обновлено: 1, уже были в списке: 5.");
}

// Done here or reopened here, whatever the calendar wrote to say it was
// done: exported and read again, the event is as the user left it.
TEST_F(ForeignCalendar, DoneAndReopenedHereGoOutAsTheUserLeftThem) {
    const std::string kinds[] = {
        "BEGIN:VEVENT\r\nUID:d1\r\nDTSTART:20250303T100000Z\r\nSUMMARY:Врач\r\nEND:VEVENT\r\n",
        "BEGIN:VEVENT\r\nUID:d2\r\nDTSTART:20250303T100000Z\r\nSUMMARY:Врач\r\nX-DAYLOOM-COMPLETED:TRUE\r\n"
        "END:VEVENT\r\n",
        "BEGIN:VTODO\r\nUID:d3\r\nDTSTART:20250303T100000Z\r\nDUE:20250304T100000Z\r\nSUMMARY:Отчёт\r\n"
        "STATUS:COMPLETED\r\nCOMPLETED:20250303T120000Z\r\nPERCENT-COMPLETE:100\r\nEND:VTODO\r\n",
    };
    for (const std::string& body : kinds) {
        for (const bool done : {false, true}) {
            TodoItems store = Imported(Calendar(body));
            ASSERT_EQ(store.Count(), 1) << body;
            store[0].Complete = done;
            IcsExportOptions o;
            o.Zone = ClockZone();
            const TodoItems back = Imported(WriteICalendar(store, o).Text);
            ASSERT_EQ(back.Count(), 1) << body;
            EXPECT_EQ(back[0].Complete, done) << body;
            if (body.starts_with("BEGIN:VEVENT")) {
                EXPECT_NE(back[0].Foreign(), nullptr) << body;
            }
        }
    }
}

// A property the reader could not read is left out of what goes back out:
// the reader's note on it quotes raw bytes, not the calendar's text.
TEST_F(ForeignCalendar, WhatTheReaderCouldNotReadIsNotWrittenBack) {
    TodoItems store = Imported(Calendar(
        "BEGIN:VEVENT\r\nUID:e1\r\nDTSTART:20250303T100000Z\r\nDTSTAMP:20250301T1200\xE4\xB0\x80Z\r\n"
        "SUMMARY:Врач\r\nEND:VEVENT\r\n"));
    ASSERT_EQ(store.Count(), 1);
    store[0].Complete = true;  // a change of the user's: the text is written anew
    IcsExportOptions o;
    o.Zone = ClockZone();
    const std::string text = WriteICalendar(store, o).Text;
    EXPECT_EQ(text.find("X-LIC-ERROR"), std::string::npos) << text;
    EXPECT_EQ(Imported(text).Count(), 1);
}

TEST_F(ForeignCalendar, APastSeriesIsPurgedAndAnEndlessOneIsKept) {
    const TodoItems store = Imported(Calendar(kShapes[0].body + kShapes[2].body));
    // COUNT counts the left-out days too: the tenth is on 3 April.
    EXPECT_FALSE(IsPurgeable(store[0], At(2025, 4, 3, 9, 0)));
    EXPECT_TRUE(IsPurgeable(store[0], At(2025, 4, 4, 9, 0)));
    EXPECT_FALSE(IsPurgeable(store[1], At(2040, 1, 1, 9, 0)));
}

TEST_F(ForeignCalendar, AnEditOfItsDaysMakesTheEventTheUsersOwn) {
    TodoItems store = Imported(Calendar(kShapes[2].body));
    TEditorState state;
    TEditorValues v = EditorValuesFromItem(store[0], 0, TEditorValues{}, state);
    v.kind = state.kind;
    v.unit = state.unit;
    v.countText = state.countText;
    v.mask = state.mask;
    v.subject = ansi("Курс немецкого");
    ChangeItemToDo(store[0], v);
    ASSERT_NE(store[0].Foreign(), nullptr);  // a new name: still its calendar's series
    EXPECT_TRUE(RecursOn(store[0], Day(2025, 4, 12)));
    v.start += 1.0 / 24;
    ChangeItemToDo(store[0], v);
    EXPECT_EQ(store[0].Foreign(), nullptr);  // another hour: the user's own, by its own fields
    EXPECT_EQ(store[0].CreationDate, At(2025, 3, 1, 13, 0));
}

// The calendars the fuzzer keeps, each one a fault it once found: what comes
// in from each, written out, reads back as many events. One zone there left
// a component open, which an export written as it came passed on to take
// every component after it.
TEST_F(ForeignCalendar, TheFuzzersCalendarsGoOutAndComeBackWhole) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DAYLOOM_ICS_CORPUS)) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(entry.path(), bytes));
        const IcsRun run = ReadICalendar(bytes, ClockZone());
        if (!run.ok) continue;
        ++files;
        TodoItems store;
        const ChangeSummary added = MergeImport(store, BatchOf(IcsRun(run)));
        IcsExportOptions o;
        o.Zone = ClockZone();
        const IcsRun back = ReadICalendar(WriteICalendar(store, o).Text, ClockZone());
        EXPECT_TRUE(back.ok) << entry.path().filename().string();
        EXPECT_EQ(static_cast<int>(back.Events.size()), added.Added) << entry.path().filename().string();
    }
    EXPECT_GE(files, 3);
}

}  // namespace
