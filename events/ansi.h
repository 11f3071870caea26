#pragma once
// The one place that knows code page 1251: texts are kept as its bytes,
// exactly as the files hold them, and converted only at the edges.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// UTF-8 -> Windows-1251 bytes. Characters the code page cannot hold become '?'.
std::string ansi(std::string_view utf8);
// Windows-1251 bytes -> UTF-8.
std::string utf8(std::string_view ansiText);

// True when every character of the UTF-8 text exists in Windows-1251.
bool FitsAnsi(std::string_view utf8);

// Case folding for Latin and Cyrillic letters of the code page.
char AnsiUpper(char c);
char AnsiLower(char c);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

// Locale-aware, case-sensitive order of Russian texts: letters in alphabet
// order (Ё after Е), lower case before upper case of the same letter.
// Returns <0, 0, >0.
int AnsiCompareStr(std::string_view a, std::string_view b);
// The same order with letter case ignored.
int AnsiCompareText(std::string_view a, std::string_view b);

// --- text from outside: journals, pasted text, iCalendar files ---

enum class TextEncoding { Ascii, Utf8, Windows1251, Utf16Le, Utf16Be };

// What reading a text from outside found. One rule for every reader: a
// byte-order mark names the encoding (UTF-8, UTF-16 little- or big-endian;
// UTF-16 is also known without a mark by the zero bytes of its first two
// characters); without one, a text that is valid UTF-8 is UTF-8, and one
// that is not is Windows-1251. A text some of whose lines read as UTF-8 and
// others do not has no reading that gets every line right: it is refused,
// naming the first line that departs from the ones before it. So is a text
// that its mark calls UTF-8 or UTF-16 but that is not.
struct DecodedText {
    bool ok = false;
    TextEncoding Encoding = TextEncoding::Ascii;
    std::string Text;      // ok: every line, in the form asked for
    int Line = 0;          // not ok: the line at fault, from 1
    std::string LineText;  // that line as far as it reads, in the form asked for
    std::string Reason;    // not ok: why, in Russian, UTF-8
};
// The text as UTF-8, and as Windows-1251 (where a character the code page
// lacks becomes '?').
DecodedText DecodeTextToUtf8(std::string_view bytes);
DecodedText DecodeTextToAnsi(std::string_view bytes);

// Outside text quoted in a message (a terminal, a message box): cut to
// `maxChars` characters with "…" marking the cut, a tab as a space, and every
// other control character (C0, DEL, C1, and the marks that reorder or break a
// line) written as a visible escape such as "\x1B" or "\u202E", so that
// nothing from the input acts on the terminal or rearranges the message.
// Bytes that are not UTF-8 show as "\xFF".
std::string ShownText(std::string_view utf8Text, size_t maxChars = 200);
// The same for Windows-1251 text; the result is Windows-1251.
std::string ShownAnsiText(std::string_view ansiText, size_t maxChars = 200);

// Lines of a text: CR LF, a lone LF and a lone CR each end a line; a final
// line break adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// --- decimal texts (the record's count, unit and mask fields) ---

// A strict decimal integer: optional sign, digits only, within int range.
// Returns false (and leaves `out` alone) for anything else, the empty text
// included.
bool TryParseDecimal(std::string_view text, int& out);
// The same, with 0 for a text that is not a decimal integer. The files may
// hold any text in these fields (the count box once stored what was typed);
// such a value counts as "none" instead of stopping the caller.
int DecimalOrZero(std::string_view text);
