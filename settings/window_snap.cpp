#include "settings/window_snap.h"

#include <cstdlib>

namespace {
constexpr int kSnap = 15;
}

WindowPos SnapToWorkArea(const ScreenRect& w, const ScreenRect& p) {
    // The work area's right and bottom are exclusive, as the system's rectangles are.
    const int right = w.left + w.width - p.width;
    const int bottom = w.top + w.height - p.height;
    WindowPos pos{p.left, p.top};
    if (std::abs(w.left - pos.left) <= kSnap) pos.left = w.left;
    if (std::abs(right - pos.left) <= kSnap) pos.left = right;
    if (std::abs(w.top - pos.top) <= kSnap) pos.top = w.top;
    if (std::abs(bottom - pos.top) <= kSnap) pos.top = bottom;
    return pos;
}

int SnapHeightToWorkArea(const ScreenRect& w, const ScreenRect& p, int minHeight) {
    const int toBottom = w.top + w.height - p.top;
    if (std::abs(toBottom - p.height) <= kSnap && toBottom >= minHeight) return toBottom;
    return p.height;
}
