#pragma once
// Reading the texts the astrology program ZET produces: its journal files and
// the lines a user copies out of it. Lines are Windows-1251 bytes; every
// scan stops at the end of its line, and every number is read strictly.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "events/date_time.h"

// A journal or pasted text larger than this is not ZET's and is refused
// before it is read; so is one of more lines than kMaxZetLines.
constexpr size_t kMaxZetBytes = size_t{64} * 1024 * 1024;
constexpr size_t kMaxZetLines = 1'000'000;

// The outcome of reading one value from a line: the value, or why the text
// does not give one (Windows-1251, Russian; empty when it does).
template <typename T>
struct ZetParsed {
    T Value{};
    std::string Error;
    bool ok() const { return Error.empty(); }
};

struct ZetFile {
    bool ok = false;
    std::vector<std::string> Lines;  // when ok: Windows-1251
    std::string Error;               // when not: UTF-8, Russian
};
// A whole journal file as lines, split at CR LF, CR or LF (a final line
// break opens no empty line). The bytes are read by DecodeTextToAnsi: UTF-8,
// UTF-16 or Windows-1251, and a text of two encodings is refused naming its
// line. Refuses a file larger than kMaxZetBytes or of more than kMaxZetLines
// lines before splitting it, and one it cannot read.
ZetFile ReadZetFile(const std::filesystem::path& path);
// The same for text already in memory (pasted text, standard input).
ZetFile ZetTextLines(std::string_view bytes);
// Reads `in` in pieces up to one byte past kMaxZetBytes, so nothing is sized
// by what a stream claims; the caller checks in.bad() and the size.
std::string ReadZetBytes(std::istream& in);

// Trims spaces and control characters (bytes up to 32) at both ends.
std::string_view TrimZet(std::string_view text);

// The fields of a trimmed line separated by runs of spaces.
std::vector<std::string> SplitZetWords(std::string_view line);

// The n-th field of `text` counted from the end (n = 0 the last), fields
// being separated by any character of `delimiters`: n times the text is cut
// before its last delimiter (a text without one becomes empty), then the
// result runs from the last delimiter left, that delimiter included, to the
// end, trimmed; without a delimiter left it is the whole rest, trimmed. When
// the delimiter is "." and the text has none, "/" is used instead.
// So for "12.03" field 0 is ".03" and field 1 is "12".
std::string GetFieldFromEnd(std::string_view delimiters, std::string_view text, int n);
// A field as GetFieldFromEnd gives it, without the delimiter it begins with.
std::string FieldAfterDelimiter(std::string_view delimiters, std::string_view text, int n);

// The moment of a moon-day journal line: its date (optional; day.month when
// dotted, month/day when slashed, the date being the line's first word) in
// `year`, else the date of `previous`; its time HH:MM:SS (the first ":" of
// the line), plus the hour shift of a "+N" mark, or one hour when the line
// has none and `summerTime` is set. An hour of 24 moves to 0 of the next
// day. Value 0 when the line has no time (its date must still be numeric).
ZetParsed<TDateTime> ParseJournalDateTime(std::string_view line, int year, TDateTime previous,
                                          bool summerTime);

// The moon-day number of a journal line (the fifth word of a dated line,
// joined to a sixth one; the first word of an undated one unless it is the
// time), or -1 for a moon-phase line.
ZetParsed<int> GetMoonDayNumber(std::string_view line);

// The text after the time of a journal line, from the first space after the
// first ":" (space included), three characters later when the line holds a
// "+" (skipping the shift mark); empty without a ":".
std::string GetTextAfterTime(std::string_view line);

// CR LF and the note of moon day n (1..30; the five notes repeat every five
// days); CR LF alone for any other n.
std::string GetMoonDayNote(int n);
