#pragma once
// The one place that knows code page 1251: texts are kept as its bytes,
// exactly as the files hold them, and converted only at the edges.
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
