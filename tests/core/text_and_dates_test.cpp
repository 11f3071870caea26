#include <gtest/gtest.h>

#include <cmath>

#include "events/ansi.h"
#include "events/date_time.h"
#include "dayview/today_caption.h"
#include "events/todo_item.h"
#include "tests/support/builders.h"

namespace {

// The exact bytes of an encoded moment are pinned by the event file's example.
TEST(DateTime, CalendarEdges) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    const DateTimeParts p = DecodeDateTime(EncodeDateTime(2010, 10, 11, 9, 30, 15, 250));
    EXPECT_EQ((std::array{p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond}),
              (std::array{2010, 10, 11, 9, 30, 15, 250}));
    // A hair before midnight rounds to the next day, not to hour 24.
    const DateTimeParts m = DecodeDateTime(EncodeDate(2010, 10, 12) - 1e-10);
    EXPECT_EQ((std::array{m.day, m.hour, m.minute}), (std::array{12, 0, 0}));
    // Beyond the calendar minutes are added plainly.
    EXPECT_EQ(AddMinutes(5e6, 1440), 5e6 + 1);
    EXPECT_EQ(DropSeconds(EncodeDateTime(2010, 10, 11, 9, 30, 59, 999)),
              EncodeDateTime(2010, 10, 11, 9, 30));
    EXPECT_EQ(DropSeconds(EncodeDateTime(2010, 10, 11, 23, 59, 59, 999)),
              EncodeDateTime(2010, 10, 11, 23, 59));
    EXPECT_EQ(DayOfWeek(EncodeDate(2010, 10, 1)), 6);  // a Friday
    EXPECT_EQ(DaysInMonth(2012, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_TRUE(SameDay(EncodeDateTime(2010, 10, 11, 0, 0), EncodeDateTime(2010, 10, 11, 23, 59)));
    // Before 1899-12-30 the fraction still counts forward from midnight.
    const TDateTime early = EncodeDateTime(1899, 12, 29, 6, 0);
    EXPECT_EQ(DecodeDateTime(early).hour, 6);
    EXPECT_EQ(DecodeDateTime(early).day, 29);
    EXPECT_DOUBLE_EQ(TimeOf(early), 0.25);
    // The first day's times lie below its midnight, as every day's before the epoch.
    EXPECT_TRUE(InCalendar(EncodeDateTime(1, 1, 1, 10, 0)));
    EXPECT_TRUE(InCalendar(EncodeDateTime(1, 1, 1, 23, 59, 59, 999)));
    EXPECT_FALSE(InCalendar(kFirstCalendarDay - 1));
    EXPECT_TRUE(InCalendar(EncodeDateTime(9999, 12, 31, 23, 59)));
    EXPECT_FALSE(InCalendar(kLastCalendarDay + 1));
    // Values no calendar holds (a damaged file) decode to a defined date.
    for (double wild : {1e300, -1e300, std::nan("")}) EXPECT_EQ(DecodeDateTime(wild).year, 1899);
}

// The time of day is rounded to the millisecond half away from zero, the
// day moving on when that reaches midnight; a value a few steps of the double
// either side of each half millisecond, on days before and after the epoch,
// lands where llround puts it.
TEST(DateTime, HalfAMillisecondRoundsAwayFromZero) {
    for (const double day : {-693593.0, -1.0, 0.0, 40462.0, 2958465.0}) {
        for (const int64_t ms : {int64_t{0}, int64_t{1}, int64_t{34200000}, kMsPerDayInt - 1}) {
            double v = day + (day < 0 ? -1 : 1) * ((static_cast<double>(ms) + 0.5) / kMsPerDay);
            for (int i = 0; i < 4; ++i) v = std::nextafter(v, -1e9);
            for (int step = 0; step < 8; ++step, v = std::nextafter(v, 1e9)) {
                if (!InCalendar(v)) continue;
                const double frac = std::fabs(v - std::trunc(v));
                // Half away from zero, worked out exactly in the wider type
                // (MinGW's llround adds 0.5 in double and rounds up below a half).
                int64_t want = static_cast<int64_t>(std::floor(static_cast<long double>(frac * kMsPerDay) + 0.5L)),
                        wantDay = static_cast<int64_t>(std::trunc(v));
                if (want == kMsPerDayInt) want = 0, wantDay += v < 0 ? -1 : 1;
                EXPECT_EQ(MsOfDay(v), want) << std::hexfloat << v;
                EXPECT_EQ(DayNumber(v), wantDay) << std::hexfloat << v;
                EXPECT_EQ(SafeDayNumber(v), wantDay) << std::hexfloat << v;
            }
        }
    }
    EXPECT_EQ(SafeDayNumber(kLastCalendarDay + 0.9999999999), INT64_MIN);  // rounds past the last day
    EXPECT_EQ(SafeDayNumber(std::nan("")), INT64_MIN);
}

TEST(Ansi, RoundTripsCyrillicAndReplacesWhatDoesNotFit) {
    const std::string text = "Ёлка ёж Привет, мир! №5 «кавычки» €";
    EXPECT_EQ(utf8(ansi(text)), text);
    EXPECT_EQ(ansi("Тест"), "\xd2\xe5\xf1\xf2");
    EXPECT_EQ(ansi("日本"), "??");
    EXPECT_FALSE(FitsAnsi("日"));
    EXPECT_TRUE(FitsAnsi(text));
    EXPECT_EQ(utf8(AnsiUpperCase(ansi("привет ёж abc"))), "ПРИВЕТ ЁЖ ABC");
    EXPECT_EQ(utf8(AnsiLowerCase(ansi("ПРИВЕТ ЁЖ ABC"))), "привет ёж abc");
}

// One rule reads every text from outside, whatever reads it (journals,
// pasted text, iCalendar files).
TEST(OutsideText, OneRuleForTheEncodingOfEveryText) {
    struct Case {
        std::string bytes;
        TextEncoding encoding;
        std::string text;  // UTF-8; or, on a fault, the line's text
        int faultLine = 0;
        const char* says = "";
    };
    const Case cases[] = {
        {"Луна\r\n12°", TextEncoding::Utf8, "Луна\r\n12°"},
        {"\xEF\xBB\xBF" "Луна", TextEncoding::Utf8, "Луна"},
        {ansi("Луна\r\n12°"), TextEncoding::Windows1251, "Луна\r\n12°"},
        // Valid UTF-8 with no Cyrillic letter is still UTF-8.
        {"12\xC2\xB0 Sun", TextEncoding::Utf8, "12° Sun"},
        {"12\xB0 Sun", TextEncoding::Windows1251, "12° Sun"},
        {"plain", TextEncoding::Ascii, "plain"},
        {Utf16Bytes("Луна\n\U0001D11E", false), TextEncoding::Utf16Le, "Луна\n\U0001D11E"},
        {Utf16Bytes("Луна", true), TextEncoding::Utf16Be, "Луна"},
        {Utf16Bytes("BEGIN:VCALENDAR", false, false), TextEncoding::Utf16Le, "BEGIN:VCALENDAR"},
        // Windows-1251 that happens to be valid UTF-8 ("её»") reads as
        // nothing Russian, so it does not make the text a mix.
        {"\xE5\xB8\xBB\n" + ansi("Луна"), TextEncoding::Windows1251, "её»\nЛуна"},
        // Mixes: the first line that departs from the first one's encoding.
        {"Луна\n" + ansi("Луна"), TextEncoding::Ascii, "Луна", 2, "Windows-1251, а строка 1 — в UTF-8"},
        {ansi("Луна") + "\nx\r\nЛуна", TextEncoding::Ascii, "Луна", 3, "в кодировке UTF-8, а строка 1"},
        {"\xEF\xBB\xBF" "a\n" + ansi("б"), TextEncoding::Ascii, "б", 2, "метки UTF-8"},
        {Utf16Bytes("a\nb", false) + std::string("\x00\xD8", 2), TextEncoding::Ascii, "b", 2, "UTF-16"},  // half a pair
        {Utf16Bytes("a\r\nb\r\nc", false) + std::string("\x00\xD8", 2), TextEncoding::Ascii, "c", 3, "UTF-16"},
        {std::string("\xFF\xFE" "a\0b", 5), TextEncoding::Ascii, "a", 1, "UTF-16"},  // an odd byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const DecodedText u = DecodeTextToUtf8(c.bytes), a = DecodeTextToAnsi(c.bytes);
        EXPECT_EQ(u.ok, c.faultLine == 0) << u.Reason;
        EXPECT_EQ(a.ok, c.faultLine == 0) << a.Reason;
        if (c.faultLine == 0) {
            EXPECT_EQ(u.Encoding, c.encoding);
            EXPECT_EQ(u.Text, c.text);
            EXPECT_EQ(a.Text, ansi(c.text));
        } else {
            EXPECT_EQ(u.Line, c.faultLine);
            EXPECT_EQ(u.LineText, c.text);
            EXPECT_EQ(a.LineText, ansi(c.text));
            EXPECT_NE(u.Reason.find(c.says), std::string::npos) << u.Reason;
        }
    }
}

// Text from a file shown in a message never drives the terminal.
TEST(OutsideText, MessagesShowControlCharactersAsEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\x1B[31mb", "a\\x1B[31mb"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"a\rb\nc\td\x7F", "a\\x0Db\\x0Ac d\\x7F"},
        {"\xC2\x9B" "2J", "\\x9B2J"},                    // a C1 control
        {"\xE2\x80\xAE" "txt.exe", "\\u202Etxt.exe"},   // right to left
        {"\xFF", "\\xFF"},                                // not UTF-8
        {"Луна «12°»", "Луна «12°»"},
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(ShownText(text), shown);
    EXPECT_EQ(ShownText("абвгд", 3), "абв…");
    EXPECT_EQ(ShownAnsiText(ansi("Луна") + "\x1B\x98", 10), ansi("Луна") + "\\x1B\\x98");
}

TEST(Ansi, CompareFollowsTheAlphabet) {
    struct Case { const char* a; const char* b; int sign; };
    const Case cases[] = {
        {"ель", "ёлка", -1}, {"ёлка", "жук", -1}, {"а", "Б", -1}, {"а", "А", -1},
        {"Яблоко", "яблоко", 1}, {"abc", "abc", 0}, {"", "а", -1}, {"b", "а", -1},
    };
    for (const Case& c : cases) {
        const int r = AnsiCompareStr(ansi(c.a), ansi(c.b));
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
    EXPECT_EQ(AnsiCompareText(ansi("ПРИВЕТ"), ansi("привет")), 0);
}

TEST(TodayCaption, MonthDayCommaYear) {
    EXPECT_EQ(utf8(TodayCaption(EncodeDateTime(2010, 10, 11, 23, 59))), "Октябрь 11, 2010");
    EXPECT_EQ(utf8(TodayCaption(EncodeDate(2026, 1, 1))), "Январь 1, 2026");
    EXPECT_EQ(utf8(TodayCaption(EncodeDate(1999, 12, 31))), "Декабрь 31, 1999");
}

}  // namespace
