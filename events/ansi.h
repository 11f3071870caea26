#pragma once
// The one place that knows code page 1251: texts are kept as its bytes,
// exactly as the files hold them, and converted only at the edges.
#include <cstddef>
#include <optional>
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

// UTF-16 code units to characters, from pieces cut anywhere (inside a unit or
// between the halves of a pair).
class Utf16Units {
public:
    explicit Utf16Units(bool bigEndian) : bigEndian_(bigEndian) {}
    // Calls emit(character) for each one; false at the first broken one (half
    // a pair), which is not emitted.
    template <typename Emit>
    bool Feed(std::string_view bytes, Emit&& emit) {
        for (const char c : bytes) {
            if (!odd_) {
                byte_ = static_cast<unsigned char>(c);
                odd_ = true;
                continue;
            }
            odd_ = false;
            const auto second = static_cast<unsigned char>(c);
            const char32_t unit = bigEndian_ ? (char32_t{byte_} << 8 | second) : (char32_t{second} << 8 | byte_);
            if (high_ != 0) {
                if (unit < 0xDC00 || unit > 0xDFFF) return false;
                emit(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
                high_ = 0;
            } else if (unit >= 0xD800 && unit <= 0xDBFF) {
                high_ = unit;
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                return false;
            } else {
                emit(unit);
            }
        }
        return true;
    }
    // At the end of the text: nothing is left half read.
    bool Complete() const { return !odd_ && high_ == 0; }
    bool BigEndian() const { return bigEndian_; }

private:
    bool bigEndian_, odd_ = false;
    unsigned char byte_ = 0;
    char32_t high_ = 0;
};

// The same rule for a text too large to hold, read twice a piece at a time.
// First every piece in order goes to Feed, and Finish tells what the text is:
// its encoding, or the line at fault and why (Text and LineText stay empty).
// Pieces may be cut anywhere; what is kept between them is a few bytes and
// counters, however long the text or its lines. Then Utf8Pieces turns the
// pieces, read again, into UTF-8.
class TextEncodingScan {
public:
    void Feed(std::string_view bytes);
    DecodedText Finish();

private:
    void Decide();
    void Scan(std::string_view bytes);
    void Character(char32_t cp);
    void EndLine();

    std::string head_;  // the first bytes, until they tell UTF-16 or a mark
    bool decided_ = false, marked_ = false;
    std::optional<Utf16Units> utf16_;
    bool broken_ = false;  // UTF-16: a character broken at line_
    int line_ = 1;
    bool afterCr_ = false;
    // The line so far: any byte over 0x7F, valid UTF-8, every character in the code page.
    bool high_ = false, valid_ = true, fits_ = true;
    int need_ = 0;  // continuation bytes the current UTF-8 character still needs
    char32_t cp_ = 0, min_ = 0;
    int invalid_ = 0;  // the first line that is no UTF-8
    int first_ = 0;    // the first line with a byte over 0x7F, and whether it read as UTF-8
    bool firstUtf8_ = false;
    int departs_ = 0;  // the first line after it that read the other way
};

// The pieces of a text, read again, as UTF-8 in the encoding the scan found;
// a mark at the start is left out.
class Utf8Pieces {
public:
    explicit Utf8Pieces(TextEncoding encoding);
    // The next piece's UTF-8, valid until the next call; may be empty.
    std::string_view Convert(std::string_view bytes);

private:
    void Append(std::string_view bytes);

    TextEncoding encoding_;
    std::string_view mark_;
    std::string start_;  // the first bytes, while they may still be the mark
    bool started_ = false;
    std::optional<Utf16Units> utf16_;
    std::string out_;
};

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
