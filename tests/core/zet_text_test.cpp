#include <gtest/gtest.h>

#include <filesystem>

#include "events/ansi.h"
#include "import/zet_text.h"
#include "tests/support/builders.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(ZetText, GetFieldFromEnd) {
    struct Case { const char* delim; const char* text; int n; const char* want; };
    const Case cases[] = {
        {".", "12.03", 0, ".03"},
        {".", "12.03", 1, "12"},
        {".", "12/05", 0, "/05"},  // no dot: the slash is the delimiter
        {".", "05.03.2010", 2, "05"},
        {".", "05.03", 2, ""},     // cut past the first field: nothing left
        {":", "06:45:00", 1, ":45"},
        {" ", "Журнал Лунных дней 2010 г.", 1, "2010"},
        {" ", "Журнал Лунных дней  г.", 1, ""},  // empty last word but one
        {" ", "слово", 3, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFieldFromEnd(c.delim, ansi(c.text), c.n), ansi(c.want)) << c.text << " n=" << c.n;
    EXPECT_EQ(FieldAfterDelimiter(".", "12/05", 0), "05");
    EXPECT_EQ(FieldAfterDelimiter(".", "1205", 0), "1205");  // no delimiter, nothing dropped
}

TEST(ZetText, ParseJournalDateTime) {
    const TDateTime prev = At(2010, 3, 6, 0, 5);
    struct Case { const char* line; bool summer; TDateTime want; bool ok; };
    const Case cases[] = {
        {"05.03 23:05:00 +1 w4 13", false, At(2010, 3, 6, 0, 5), true},  // +1 wraps into the next day
        {"   18:40:00 Полнолуние", false, At(2010, 3, 6, 18, 40), true},  // undated: the previous date
        {"   18:40:00 Полнолуние", true, At(2010, 3, 6, 19, 40), true},
        {"05.03 23:30:00 w4 13", true, At(2010, 3, 6, 0, 30), true},
        {"05.03 23:30:00 +0 w4", true, At(2010, 3, 6, 0, 30), true},  // +0 counts as no mark
        {"05.03 24:00:00", false, At(2010, 3, 6, 0, 0), true},
        {"12/05 10:00:00", false, At(2010, 12, 5, 10, 0), true},  // slashed: month first
        {"12.05 10:00:00", false, At(2010, 5, 12, 10, 0), true},  // dotted: day first
        {"   18:40:00 Нов. Луна 1/4", false, At(2010, 3, 6, 18, 40), true},  // a date is the first word only
        {"05.03", false, 0, true},                  // a date without a time gives no moment
        {"05.13", false, 0, true},                  // ... and is only read as numbers
        {"05.03 23:30:00 +2 w4", false, 0, false},  // 25 o'clock
        {"05.13 10:00:00", false, 0, false},
        {"29.02 10:00:00", false, 0, false},        // 2010 is no leap year
        {"05.03 10:00 w4 13", false, 0, false},     // no seconds
        {"05.03 10:61:00", false, 0, false},
        {"o5.03", false, 0, false},                 // the date must convert even without a time
        {"05.03 10:00:00 +x", false, 0, false},
        {"05.03 10:00:00 +", false, 0, false},      // the shift mark ends the line
        {"05.03 99999999999:00:00", false, 0, false},
    };
    for (const Case& c : cases) {
        const ZetParsed<TDateTime> r = ParseJournalDateTime(ansi(c.line), 2010, prev, c.summer);
        EXPECT_EQ(r.ok(), c.ok) << c.line << ": " << r.Error;
        if (c.ok) EXPECT_EQ(r.Value, c.want) << c.line;
        else EXPECT_FALSE(r.Error.empty()) << c.line;
    }
    // The last day of the calendar has no next day to wrap into.
    EXPECT_FALSE(ParseJournalDateTime("31.12 23:00:00 +1", 9999, prev, false).ok());
}

TEST(ZetText, MoonDayNumberAndTextAfterTime) {
    struct Case { const char* line; int n; bool ok; const char* after; };
    const Case cases[] = {
        {"05.03 23:05:00 +1 w4 13", 13, true, " w4 13"},
        {"05.03 23:05:00 +1 w4 12 3", 123, true, " w4 12 3"},  // fifth and sixth words joined
        {"   18:40:00 Полнолуние", -1, true, " Полнолуние"},
        {"05.03 18:40:00 Полнолуние", -1, true, " Полнолуние"},
        {"05.03 18:40:00 Луна в знаке Девы", 0, false, " Луна в знаке Девы"},
        {"17 05:00:00", 17, true, ""},  // undated, the number first
        {"05.03", -1, true, ""},
    };
    for (const Case& c : cases) {
        const ZetParsed<int> r = GetMoonDayNumber(ansi(c.line));
        EXPECT_EQ(r.ok(), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(r.Value, c.n) << c.line;
        }
        EXPECT_EQ(GetTextAfterTime(ansi(c.line)), ansi(c.after)) << c.line;
    }
    EXPECT_EQ(GetTextAfterTime("1:2+"), "");  // the skip past "+N" stays inside the line
}

// Journals and pasted text are read by the one rule of every outside text
// (its cases are the codec's); here, what the lines and the refusal look like.
TEST(ZetText, LinesInAnyEncodingAndAMixRefusedAtItsLine) {
    const std::string utf = "Журнал Лунных дней 2010 г.\r\nстрока\n\nпоследняя\n";
    const std::vector<std::string> want = {ansi("Журнал Лунных дней 2010 г."), ansi("строка"), "",
                                           ansi("последняя")};
    for (const std::string& bytes : {utf, "\xEF\xBB\xBF" + utf, ansi(utf)}) {
        const ZetFile f = ZetTextLines(bytes);
        ASSERT_TRUE(f.ok) << f.Error;
        EXPECT_EQ(f.Lines, want);
    }
    EXPECT_EQ(ZetTextLines("a\rb\r\n\r\nc").Lines, (std::vector<std::string>{"a", "b", "", "c"}));

    // A journal edited in two programs: its second line in Windows-1251.
    const ZetFile mixed = ZetTextLines("Журнал Лунных дней 2010 г.\n" + ansi("05.03 23:05:00 Полнолуние") + "\n");
    ASSERT_FALSE(mixed.ok);
    EXPECT_EQ(mixed.Error, "Строка 2: «05.03 23:05:00 Полнолуние» — строка в кодировке Windows-1251, а "
                                 "строка 1 — в UTF-8: текст в двух кодировках сразу не читается. Ничего не "
                                 "импортировано.");
}

TEST(ZetText, RefusesWhatCannotBeZet) {
    TempFolder dir;
    const auto big = dir / "big.wrk";
    TempFolder::Write(big, "x");
    std::filesystem::resize_file(big, kMaxZetBytes + 1);
    const ZetFile tooBig = ReadZetFile(big);
    EXPECT_FALSE(tooBig.ok);
    EXPECT_NE(tooBig.Error.find("64 МБ"), std::string::npos);

    const auto fine = dir / "fine.wrk";
    TempFolder::Write(fine, "a\nb");
    const ZetFile read = ReadZetFile(fine);
    ASSERT_TRUE(read.ok) << read.Error;
    EXPECT_EQ(read.Lines, (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(ReadZetFile(dir / "none.wrk").ok);
    EXPECT_FALSE(ReadZetFile(dir.path()).ok);  // a folder

    EXPECT_FALSE(ZetTextLines(std::string(kMaxZetLines + 1, '\n')).ok);
    EXPECT_TRUE(ZetTextLines(std::string(kMaxZetLines, '\n')).ok);
}

}  // namespace
