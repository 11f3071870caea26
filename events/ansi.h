#pragma once
// The one place that knows code page 1251: texts are kept as its bytes,
// exactly as the files hold them, and converted only at the edges.
#include <string>
#include <string_view>

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
