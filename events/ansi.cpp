#include "events/ansi.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

namespace {

// Unicode code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
// 0x98 has no character in the code page; it maps to U+0098 so bytes survive.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char32_t ToUnicode(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

int FromUnicode(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// One character of strict UTF-8 at i (no overlong forms, no surrogates,
// nothing past U+10FFFF); false, with i moved past one byte, when there is none.
bool StrictCodePoint(std::string_view s, size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) { ++i; cp = b0; return true; }
    size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) { len = 2; cp = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { len = 3; cp = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { len = 4; cp = b0 & 0x07; min = 0x10000; }
    else { ++i; return false; }
    if (s.size() - i < len) { ++i; return false; }
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return false; }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return false; }
    i += len;
    return true;
}

bool ValidUtf8(std::string_view s) {
    char32_t cp;
    for (size_t i = 0; i < s.size();)
        if (!StrictCodePoint(s, i, cp)) return false;
    return true;
}

// Decodes one UTF-8 character at i; malformed input yields U+FFFD for one byte.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) { ++i; return 0xFFFD; }
    char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return 0xFFFD; }
        cp = (cp << 6) | (b & 0x3F);
    }
    i += len;
    return cp;
}

// Pairs of (upper, lower) outside the regular А..я block.
constexpr std::array<std::pair<unsigned char, unsigned char>, 15> kCasePairs = {{
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}}};

struct CollationKey {
    int primary;   // letter, case-free
    int tertiary;  // 0 lower, 1 upper
};

CollationKey Key(unsigned char b) {
    const auto lower = static_cast<unsigned char>(AnsiLower(static_cast<char>(b)));
    const int isUpper = lower != b ? 1 : 0;
    int primary;
    if (lower >= 0xE0) {  // а..я, with ё right after е
        const int idx = lower - 0xE0;
        primary = 0x1000 + idx * 2 + (idx > 5 ? 2 : 0);
    } else if (lower == 0xB8) {
        primary = 0x1000 + 5 * 2 + 1;
    } else if (lower >= 'a' && lower <= 'z') {
        primary = 0x800 + lower;
    } else if (lower >= '0' && lower <= '9') {
        primary = 0x400 + lower;
    } else {
        primary = lower;  // punctuation and the rest, by byte value
    }
    return {primary, isUpper};
}

int Compare(std::string_view a, std::string_view b, bool caseSensitive) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const CollationKey ka = Key(static_cast<unsigned char>(a[i]));
        const CollationKey kb = Key(static_cast<unsigned char>(b[i]));
        if (ka.primary != kb.primary) return ka.primary < kb.primary ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    if (caseSensitive) {
        for (size_t i = 0; i < n; ++i) {
            const CollationKey ka = Key(static_cast<unsigned char>(a[i]));
            const CollationKey kb = Key(static_cast<unsigned char>(b[i]));
            if (ka.tertiary != kb.tertiary) return ka.tertiary < kb.tertiary ? -1 : 1;
        }
    }
    return 0;
}

}  // namespace

std::string ansi(std::string_view s) {
    // A text may be most of a file: room for its characters and no more.
    size_t characters = 0;
    for (const char c : s) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    std::string out;
    out.reserve(characters);
    for (size_t i = 0; i < s.size();) {
        const int b = FromUnicode(NextCodePoint(s, i));
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

bool FitsAnsi(std::string_view s) {
    for (size_t i = 0; i < s.size();)
        if (FromUnicode(NextCodePoint(s, i)) < 0) return false;
    return true;
}

std::string utf8(std::string_view a) {
    size_t bytes = 0;
    for (const char c : a) bytes += static_cast<unsigned char>(c) < 0x80 ? 1 : ToUnicode(static_cast<unsigned char>(c)) < 0x800 ? 2 : 3;
    std::string out;
    out.reserve(bytes);
    for (char c : a) AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
    return out;
}

char AnsiUpper(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
    if (b >= 0xE0) return static_cast<char>(b - 32);
    for (auto [up, low] : kCasePairs)
        if (b == low) return static_cast<char>(up);
    return c;
}

char AnsiLower(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
    if (b >= 0xC0 && b <= 0xDF) return static_cast<char>(b + 32);
    for (auto [up, low] : kCasePairs)
        if (b == up) return static_cast<char>(low);
    return c;
}

std::string AnsiUpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AnsiUpper(c);
    return r;
}

std::string AnsiLowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = AnsiLower(c);
    return r;
}

int AnsiCompareStr(std::string_view a, std::string_view b) { return Compare(a, b, true); }
int AnsiCompareText(std::string_view a, std::string_view b) { return Compare(a, b, false); }

bool TryParseDecimal(std::string_view text, int& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return false;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
        if (value > static_cast<int64_t>(INT_MAX) + 1) return false;
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return false;
    out = static_cast<int>(value);
    return true;
}

int DecimalOrZero(std::string_view text) {
    // The common texts are one digit; read them without the general loop.
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return text[0] - '0';
    int v = 0;
    return TryParseDecimal(text, v) ? v : 0;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

// --- text from outside ---

namespace {

// Calls `line(number, text)` for each line of an 8-bit text, lines ending as
// SplitLines ends them; stops when it returns false.
template <typename F>
void ForEachLine(std::string_view text, F&& line) {
    size_t start = 0;
    int number = 1;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        if (!line(number++, text.substr(start, end - start))) return;
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
}

// The line that holds byte `at`: its number and its text.
std::pair<int, std::string_view> LineAt(std::string_view text, size_t at) {
    int number = 1;
    size_t start = 0;
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            if (i + 1 == at) break;  // `at` is the LF of a CR LF: still this line
            ++i;
        }
        ++number;
        start = i + 1;
    }
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    return {number, text.substr(start, end - start)};
}

// A line read as UTF-8 when the text as a whole is not: valid, and nothing
// in it that a Windows-1251 text could not say. Windows-1251 letters are
// seldom valid UTF-8 by chance, and then they read as characters far from
// Russian text.
bool ReadsAsUtf8(std::string_view line) { return ValidUtf8(line) && FitsAnsi(line); }

std::string InForm(std::string_view utf8Text, bool toAnsi) {
    return toAnsi ? ansi(utf8Text) : std::string(utf8Text);
}

DecodedText Fault(int line, std::string lineText, std::string reason) {
    DecodedText r;
    r.Line = line;
    r.LineText = std::move(lineText);
    r.Reason = std::move(reason);
    return r;
}

DecodedText FromUtf16(std::string_view b, bool bigEndian, bool toAnsi) {
    DecodedText r;
    r.Encoding = bigEndian ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
    std::string out;
    out.reserve(b.size() / 2);
    Utf16Units units(bigEndian);
    const bool read = units.Feed(b, [&](char32_t cp) {
        if (toAnsi) {
            const int a = FromUnicode(cp);
            out += a < 0 ? '?' : static_cast<char>(a);
        } else {
            AppendUtf8(out, cp);
        }
    });
    if (!read || !units.Complete()) {
        // The line so far, as far as it was read.
        const auto [line, text] = LineAt(out, out.size());
        return Fault(line, std::string(text), "неполный символ UTF-16");
    }
    r.ok = true;
    r.Text = std::move(out);
    return r;
}

enum class Form { Plain, Utf8Marked, Utf16Le, Utf16Be, Utf16LeMarked, Utf16BeMarked };

// What the first four bytes (or fewer, of a shorter text) say of the text.
Form FormOf(std::string_view b) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
    if (b.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) return Form::Utf16LeMarked;
    if (b.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) return Form::Utf16BeMarked;
    // No text of ours has a zero byte; one after each of the first two
    // characters is UTF-16 written without its mark.
    if (b.size() >= 4 && at(0) != 0 && at(1) == 0 && at(2) != 0 && at(3) == 0) return Form::Utf16Le;
    if (b.size() >= 4 && at(0) == 0 && at(1) != 0 && at(2) == 0 && at(3) != 0) return Form::Utf16Be;
    if (b.substr(0, 3) == "\xEF\xBB\xBF") return Form::Utf8Marked;
    return Form::Plain;
}

// Line `number` of an 8-bit text.
std::string_view NumberedLine(std::string_view text, int number) {
    std::string_view found;
    ForEachLine(text, [&](int n, std::string_view line) {
        if (n == number) found = line;
        return n < number;
    });
    return found;
}

DecodedText Decode(std::string_view b, bool toAnsi) {
    const Form form = FormOf(b.substr(0, 4));
    switch (form) {
        case Form::Utf16LeMarked: return FromUtf16(b.substr(2), false, toAnsi);
        case Form::Utf16BeMarked: return FromUtf16(b.substr(2), true, toAnsi);
        case Form::Utf16Le: return FromUtf16(b, false, toAnsi);
        case Form::Utf16Be: return FromUtf16(b, true, toAnsi);
        case Form::Utf8Marked:
        case Form::Plain: break;
    }
    TextEncodingScan scan;
    scan.Feed(b);
    DecodedText r = scan.Finish();
    const std::string_view rest = form == Form::Utf8Marked ? b.substr(3) : b;
    if (!r.ok) {
        const std::string_view line = NumberedLine(rest, r.Line);
        r.LineText = ReadsAsUtf8(line) ? InForm(line, toAnsi) : toAnsi ? std::string(line) : utf8(line);
        return r;
    }
    r.Text = r.Encoding == TextEncoding::Windows1251 ? (toAnsi ? std::string(b) : utf8(b)) : InForm(rest, toAnsi);
    return r;
}

void AppendEscape(std::string& out, const char* form, unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, form, value);
    out += text;
}

// Marks that change the direction of the text around them or break a line.
bool Reorders(char32_t cp) {
    return cp == 0x200E || cp == 0x200F || cp == 0x2028 || cp == 0x2029 || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

DecodedText DecodeTextToUtf8(std::string_view bytes) { return Decode(bytes, false); }
DecodedText DecodeTextToAnsi(std::string_view bytes) { return Decode(bytes, true); }

void TextEncodingScan::Feed(std::string_view bytes) {
    if (!decided_) {
        const size_t take = std::min(bytes.size(), 4 - head_.size());
        head_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (head_.size() < 4) return;
        Decide();
    }
    Scan(bytes);
}

void TextEncodingScan::Decide() {
    decided_ = true;
    const std::string head = std::move(head_);
    std::string_view rest = head;
    switch (FormOf(head)) {
        case Form::Utf16LeMarked: utf16_.emplace(false); rest.remove_prefix(2); break;
        case Form::Utf16BeMarked: utf16_.emplace(true); rest.remove_prefix(2); break;
        case Form::Utf16Le: utf16_.emplace(false); break;
        case Form::Utf16Be: utf16_.emplace(true); break;
        case Form::Utf8Marked: marked_ = true; rest.remove_prefix(3); break;
        case Form::Plain: break;
    }
    Scan(rest);
}

void TextEncodingScan::Character(char32_t cp) {
    // Lines are counted as LineAt counts them: CR LF is one break.
    if (cp == '\n' && afterCr_) {
        afterCr_ = false;
        return;
    }
    if (cp == '\r' || cp == '\n') ++line_;
    afterCr_ = cp == '\r';
}

void TextEncodingScan::Scan(std::string_view bytes) {
    if (utf16_) {
        if (!broken_ && !utf16_->Feed(bytes, [this](char32_t cp) { Character(cp); })) broken_ = true;
        return;
    }
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\n' && afterCr_) {
            afterCr_ = false;
            continue;
        }
        afterCr_ = b == '\r';
        if (b == '\r' || b == '\n') {
            EndLine();
            continue;
        }
        if (b < 0x80) {
            if (need_ > 0) valid_ = false;  // a character cut short
            need_ = 0;
            continue;
        }
        high_ = true;
        if (!valid_) continue;
        if (need_ > 0) {
            if ((b & 0xC0) != 0x80) {
                valid_ = false;
                continue;
            }
            cp_ = (cp_ << 6) | (b & 0x3F);
            if (--need_ > 0) continue;
            // The strict form only: no overlong forms, no surrogates, nothing past U+10FFFF.
            if (cp_ < min_ || cp_ > 0x10FFFF || (cp_ >= 0xD800 && cp_ <= 0xDFFF)) valid_ = false;
            else if (FromUnicode(cp_) < 0) fits_ = false;
        } else if (b >= 0xC2 && b <= 0xDF) {
            need_ = 1, cp_ = b & 0x1F, min_ = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            need_ = 2, cp_ = b & 0x0F, min_ = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            need_ = 3, cp_ = b & 0x07, min_ = 0x10000;
        } else {
            valid_ = false;
        }
    }
}

void TextEncodingScan::EndLine() {
    if (need_ > 0) valid_ = false;
    if (!valid_ && invalid_ == 0) invalid_ = line_;
    if (high_) {
        // As ReadsAsUtf8 reads a line.
        const bool asUtf8 = valid_ && fits_;
        if (first_ == 0) first_ = line_, firstUtf8_ = asUtf8;
        else if (asUtf8 != firstUtf8_ && departs_ == 0) departs_ = line_;
    }
    high_ = false, valid_ = true, fits_ = true, need_ = 0;
    ++line_;
}

DecodedText TextEncodingScan::Finish() {
    if (!decided_) Decide();  // a text of fewer than four bytes
    DecodedText r;
    if (utf16_) {
        if (broken_ || !utf16_->Complete()) return Fault(line_, {}, "неполный символ UTF-16");
        r.ok = true;
        r.Encoding = utf16_->BigEndian() ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        return r;
    }
    EndLine();
    // Line breaks are never part of a UTF-8 sequence: the text is UTF-8 when every line is.
    if (marked_ && invalid_ != 0) return Fault(invalid_, {}, "строка не в UTF-8, хотя текст начинается с метки UTF-8");
    if (invalid_ == 0) {
        r.ok = true;
        r.Encoding = marked_ || first_ != 0 ? TextEncoding::Utf8 : TextEncoding::Ascii;
        return r;
    }
    // Not UTF-8 as a whole: Windows-1251, unless some lines read as UTF-8.
    if (departs_ != 0) {
        const char* mine = firstUtf8_ ? "Windows-1251" : "UTF-8";
        const char* theirs = firstUtf8_ ? "UTF-8" : "Windows-1251";
        return Fault(departs_, {},
                     std::string("строка в кодировке ") + mine + ", а строка " + std::to_string(first_) + " — в " +
                         theirs + ": текст в двух кодировках сразу не читается");
    }
    r.ok = true;
    r.Encoding = TextEncoding::Windows1251;
    return r;
}

Utf8Pieces::Utf8Pieces(TextEncoding encoding) : encoding_(encoding) {
    if (encoding == TextEncoding::Utf8) mark_ = "\xEF\xBB\xBF";
    if (encoding == TextEncoding::Utf16Le) mark_ = "\xFF\xFE", utf16_.emplace(false);
    if (encoding == TextEncoding::Utf16Be) mark_ = "\xFE\xFF", utf16_.emplace(true);
    started_ = mark_.empty();
}

std::string_view Utf8Pieces::Convert(std::string_view bytes) {
    out_.clear();
    if (!started_) {
        const size_t take = std::min(bytes.size(), mark_.size() - start_.size());
        start_.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (start_.size() < mark_.size() && mark_.starts_with(start_)) return {};
        started_ = true;
        if (start_ != mark_) Append(start_);
    }
    // UTF-8 goes as it is, without a copy.
    if (out_.empty() && (encoding_ == TextEncoding::Utf8 || encoding_ == TextEncoding::Ascii)) return bytes;
    Append(bytes);
    return out_;
}

void Utf8Pieces::Append(std::string_view bytes) {
    if (utf16_) {
        // A text the scan found whole; one that changed since stops at its first broken character.
        utf16_->Feed(bytes, [this](char32_t cp) { AppendUtf8(out_, cp); });
    } else if (encoding_ == TextEncoding::Windows1251) {
        for (const char c : bytes) AppendUtf8(out_, ToUnicode(static_cast<unsigned char>(c)));
    } else {
        out_.append(bytes);
    }
}

std::string ShownText(std::string_view s, size_t maxChars) {
    std::string out;
    out.reserve(std::min(s.size(), maxChars) + 3);
    size_t shown = 0;
    for (size_t i = 0; i < s.size(); ++shown) {
        if (shown == maxChars) {
            out += "\xE2\x80\xA6";  // "…"
            break;
        }
        const size_t from = i;
        char32_t cp = 0;
        if (!StrictCodePoint(s, i, cp)) {
            AppendEscape(out, "\\x%02X", static_cast<unsigned char>(s[from]));
        } else if (cp == '\t') {
            out += ' ';
        } else if (cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F)) {
            AppendEscape(out, "\\x%02X", static_cast<unsigned>(cp));
        } else if (Reorders(cp)) {
            AppendEscape(out, "\\u%04X", static_cast<unsigned>(cp));
        } else {
            out.append(s.substr(from, i - from));
        }
    }
    return out;
}

std::string ShownAnsiText(std::string_view a, size_t maxChars) { return ansi(ShownText(utf8(a), maxChars)); }
