// System colours from Windows itself.
#ifdef _WIN32

#include "app/system_colors.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

std::optional<Rgb> SystemColorRgb(int index) {
    if (index < 0 || index > 30 || index == 25) return std::nullopt;
    const DWORD c = ::GetSysColor(index);
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}

#endif  // _WIN32
