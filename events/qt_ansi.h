#pragma once
// The shell's edge of the code page: Windows-1251 bytes <-> QString.
#include <QString>

#include <string>
#include <string_view>

#include "events/ansi.h"

inline QString FromAnsi(std::string_view s) { return QString::fromStdString(utf8(s)); }
inline std::string ToAnsi(const QString& s) { return ansi(s.toStdString()); }
