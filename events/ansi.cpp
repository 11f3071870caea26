#include "events/ansi.h"

#include <array>
#include <climits>
#include <cstdint>

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
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
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
    std::string out;
    out.reserve(s.size());
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
    std::string out;
    out.reserve(a.size() * 2);
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
