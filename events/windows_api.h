#pragma once
// <windows.h> for the Windows-only files, without the min and max macros that
// break std::min and std::max, and without the parts nothing here uses.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
