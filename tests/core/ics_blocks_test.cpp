// A calendar read a few bytes at a time gives what the whole text gives:
// lines, folds and line breaks cut between blocks, encodings decided over the
// whole file, components that need others from before or after them.
#include <gtest/gtest.h>

#include <cstdio>

#include "events/foreign_event.h"
#include "import/ics.h"
#include "import/uid_table.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

std::string Calendar(const std::string& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\n" + body + "END:VCALENDAR\r\n";
}

std::string Event(const std::string& uid, const std::string& start, const std::string& more = "") {
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTART:" + start + "\r\n" + more + "END:VEVENT\r\n";
}

std::string WithLineEnds(std::string text, const std::string& end) {
    std::string out;
    for (size_t at = 0, next; at < text.size(); at = next + 2) {
        next = text.find("\r\n", at);
        out += text.substr(at, next - at) + end;
    }
    return out;
}

// What the user is told: the events' names, what was left out and why.
std::string Summary(const IcsRun& run) {
    if (!run.ok) return run.Message;
    std::string s = "events:";
    for (const TTodoItem& e : run.Events) s += " " + utf8(e.Subject);
    for (const IcsSkipped& k : run.Skipped) s += "; " + SkippedText(k);
    if (run.Undated) s += "; undated " + std::to_string(run.Undated);
    if (run.Repeated) s += "; repeated " + std::to_string(run.Repeated);
    return s;
}

// Everything a read gives, to the last field and the calendar's own text.
std::string Everything(const IcsRun& run) {
    std::string s = Summary(run) + "\nline " + std::to_string(run.Line);
    for (const TTodoItem& e : run.Events) {
        char times[96];
        std::snprintf(times, sizeof times, "%.9f %.9f %.9f %d %d", e.CreationDate, e.DueDate, e.CompletionDate,
                      int(e.Complete), e.ImageIndex);
        s += "\n" + utf8(e.Subject) + " " + times + " " + utf8(e.NotesText());
        if (const TForeignEvent* f = e.Foreign()) s += "\n" + f->Uid() + "\n" + f->Text();
    }
    return s;
}

struct Case {
    const char* name;
    std::string bytes;
    std::string expected;  // Summary of the whole text's read
};

const std::string kCyrillic = "Встреча";

std::vector<Case> Cases() {
    const std::string unknownZone =
        "BEGIN:VTIMEZONE\r\nTZID:My/Zone\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\nTZOFFSETFROM:+0500\r\n"
        "TZOFFSETTO:+0500\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string series = Event("s1", "20250106T070000Z", "RRULE:FREQ=DAILY;COUNT=5\r\nSUMMARY:Series\r\n");
    const std::string moved = Event("s1", "20250108T090000Z", "RECURRENCE-ID:20250108T070000Z\r\nSUMMARY:Moved\r\n");
    std::string many;
    for (int i = 0; i < 3000; ++i) many += Event("u" + std::to_string(i), "20250101T100000Z", "SUMMARY:e\r\n");
    const std::string longUid(300, 'L');
    return {
        {"folded lines and notes on bare lines",
         Calendar(Event("f1", "20250101T100000Z",
                        "SUMMARY:Long na\r\n me folded\r\n\tonce more\r\nDESCRIPTION:one\r\ntwo\r\n\r\n\r\nthree\r\n")),
         "events: Long name foldedonce more"},
        {"lone LF line ends", WithLineEnds(Calendar(Event("n1", "20250101T100000Z", "SUMMARY:LF\r\n")), "\n"),
         "events: LF"},
        {"lone CR line ends", WithLineEnds(Calendar(Event("r1", "20250101T100000Z", "SUMMARY:CR\r\n")), "\r"),
         "events: CR"},
        {"LF CR read as two line breaks",
         WithLineEnds(Calendar(Event("m1", "20250101T100000Z", "SUMMARY:Mixed\r\n")), "\n\r"), "events: Mixed"},
        {"no line break at the end",
         "BEGIN:VCALENDAR\r\n" + Event("e1", "20250101T100000Z", "SUMMARY:End\r\n") + "END:VCALENDAR",
         "events: End"},
        {"Windows-1251", ansi(Calendar(Event("w1", "20250101T100000Z", "SUMMARY:" + kCyrillic + "\r\n"))),
         "events: " + kCyrillic},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + Calendar(Event("b1", "20250101T100000Z", "SUMMARY:" + kCyrillic + "\r\n")),
         "events: " + kCyrillic},
        {"UTF-16 with a mark and a character of two units",
         Utf16Bytes(Calendar(Event("b2", "20250101T100000Z", "SUMMARY:" + kCyrillic + " \U0001F600\r\n")), false),
         "events: " + kCyrillic + " ?"},
        {"UTF-16 big-endian without a mark",
         Utf16Bytes(Calendar(Event("b3", "20250101T100000Z", "SUMMARY:" + kCyrillic + "\r\n")), true, false),
         "events: " + kCyrillic},
        {"UTF-16 cut in the middle of a character",
         Utf16Bytes(Calendar(Event("b4", "20250101T100000Z", "SUMMARY:x\r\n")), false).substr(0, 41),
         "Строка 2: неполный символ UTF-16. Ничего не импортировано."},
        {"a later line in another encoding",
         Calendar(Event("c1", "20250101T100000Z", "SUMMARY:" + kCyrillic + "\r\n") +
                  Event("c2", "20250102T100000Z", "SUMMARY:" + ansi(kCyrillic) + "\r\n")),
         "Строка 12: строка в кодировке Windows-1251, а строка 7 — в UTF-8: текст в двух кодировках сразу не "
         "читается. Ничего не импортировано."},
        {"UTF-8 letters the code page lacks beside Windows-1251 lines: all Windows-1251",
         Calendar(Event("c4", "20250101T100000Z", "SUMMARY:\xE4\xB8\xAD\r\n") +
                  Event("c5", "20250102T100000Z", "SUMMARY:" + ansi(kCyrillic) + "\r\n")),
         "events: " + utf8("\xE4\xB8\xAD") + " " + kCyrillic},
        {"a mark that says UTF-8 over a line that is not",
         "\xEF\xBB\xBF" + Calendar(Event("c3", "20250101T100000Z", "SUMMARY:" + ansi(kCyrillic) + "\r\n")),
         "Строка 7: строка не в UTF-8, хотя текст начинается с метки UTF-8. Ничего не импортировано."},
        {"moved occurrence after its series", Calendar(series + moved), "events: Series"},
        {"moved occurrence before its series", Calendar(moved + series), "events: Series"},
        {"moved occurrences without their series stand together",
         Calendar(moved + Event("s1", "20250110T090000Z", "RECURRENCE-ID:20250110T070000Z\r\nSUMMARY:Other\r\n")),
         "events: Moved"},
        {"a zone described after the events that use it",
         Calendar("BEGIN:VEVENT\r\nUID:z1\r\nDTSTART;TZID=My/Zone:20250301T100000\r\nSUMMARY:Zoned\r\nEND:VEVENT\r\n" +
                  unknownZone),
         "events: Zoned"},
        {"broken, undated, repeated and unclosed components",
         Calendar(Event("k1", "20250101T100000Z", "SUMMARY:Good\r\n") +
                  Event("k2", "20250102T100000Z", "DTEND:2025010xT1100\r\nSUMMARY:Bad\r\n") +
                  "BEGIN:VTODO\r\nUID:k3\r\nSUMMARY:No date\r\nEND:VTODO\r\n" +
                  Event("k1", "20250101T100000Z", "SUMMARY:Again\r\n")) +
             "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:k4\r\nDTSTART:20250101T100000Z\r\n",
         "events: Good; строка 9, UID k2: DTEND: не читается «2025010xT1100»; строка 26, UID k4: компонент VEVENT "
         "не закрыт (нет END:VEVENT); undated 1; repeated 1"},
        {"nothing readable", Calendar(Event("x1", "2025", "SUMMARY:Bad\r\n")),
         "Строка 4: DTSTART: не читается «2025». Ничего не импортировано."},
        {"no calendar at all", "BEGIN:VEVENT\r\nEND:VEVENT\r\n",
         "В файле нет календаря (BEGIN:VCALENDAR): это не файл iCalendar."},
        {"an empty file", "", "В файле нет календаря (BEGIN:VCALENDAR): это не файл iCalendar."},
        {"thousands of UIDs and long ones, some given again",
         Calendar(many + Event("u17", "20250101T100000Z", "SUMMARY:e\r\n") + Event(longUid, "20250101T100000Z") +
                  Event(longUid + "x", "20250101T100000Z") + Event(longUid, "20250101T100000Z")),
         "events:" + [] {
             std::string names;
             for (int i = 0; i < 3000; ++i) names += " e";
             return names;
         }() + " (без названия) (без названия); repeated 2"},
    };
}

TEST(ICalendarBlocks, ReadInSmallBlocksItGivesWhatTheWholeTextGives) {
    TempFolder folder;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const IcsRun whole = ReadICalendar(c.bytes, UtcZone(), SIZE_MAX);
        EXPECT_EQ(Summary(whole), c.expected);
        const std::string expected = Everything(whole);
        const std::filesystem::path file = folder / "calendar.ics";
        TempFolder::Write(file, c.bytes);
        // Every cut of a CR LF, a fold, a mark and a UTF-8 or UTF-16 character
        // between two blocks; the files of thousands of events only in larger ones.
        const bool large = c.bytes.size() > 10000;
        for (const size_t block : {1, 2, 3, 4, 5, 7, 64, 1 << 20}) {
            if (large && block < 64) continue;
            SCOPED_TRACE(block);
            EXPECT_EQ(Everything(ReadICalendar(c.bytes, UtcZone(), block)), expected);
            EXPECT_EQ(Everything(ReadICalendarFile(file, UtcZone(), block)), expected);
        }
    }
}

TEST(ICalendarBlocks, AMissingFileAndAFolderAreNamed) {
    TempFolder folder;
    EXPECT_EQ(ReadICalendarFile(folder / "none.ics", UtcZone()).Message, "Файл не найден.");
    EXPECT_EQ(ReadICalendarFile(folder.path(), UtcZone()).Message, "Файл не читается.");
}

// UIDs that are prefixes of each other, around the lengths where the stored
// length takes a second byte, all with one hash: each keeps its own flags.
struct OneHash {
    size_t operator()(std::string_view) const { return 0x5555; }
};

template <typename Table>
void EachUidKeepsItsFlags() {
    std::vector<std::string> uids = {"", "a", "A", std::string("a\0", 2), std::string(1, '\0')};
    for (const size_t length : {126, 127, 128, 129, 300, 20000}) {
        uids.push_back(std::string(length, 'u'));
        uids.push_back(std::string(length - 1, 'u') + "v");
    }
    for (int i = 0; i < 500; ++i) uids.push_back("uid-" + std::to_string(i));
    Table table;
    for (size_t i = 0; i < uids.size(); ++i) {
        char& flags = table.Flags(uids[i]);
        EXPECT_EQ(flags, 0) << uids[i].size();
        flags = static_cast<char>(1 + i % 100);
    }
    for (size_t i = 0; i < uids.size(); ++i) EXPECT_EQ(table.Flags(uids[i]), static_cast<char>(1 + i % 100)) << i;
}

TEST(UidTable, UidsAreToldApartByTheirBytesWhateverTheirHashes) {
    EachUidKeepsItsFlags<UidTable<>>();
    EachUidKeepsItsFlags<UidTable<OneHash>>();
}

}  // namespace
