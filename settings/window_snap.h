#pragma once
// The caption-less main window clings to the edges of the work area: a
// position proposed within 15 pixels of an edge is moved onto it.
#include "settings/user_options.h"

struct WindowPos {
    int left = 0, top = 0;
    friend bool operator==(const WindowPos&, const WindowPos&) = default;
};

// Where a window of `proposed` size lands when it is put at `proposed`'s
// corner inside `workArea`. Left is taken within 15 pixels, right within 15
// and wins over left when both apply (a work area hardly wider than the
// window); top and bottom likewise, bottom winning.
WindowPos SnapToWorkArea(const ScreenRect& workArea, const ScreenRect& proposed);

// The height a window gets when its bottom edge is pulled to `proposed`'s:
// within 15 pixels of the work area's bottom it lands on it, unless that
// would make it lower than `minHeight`.
int SnapHeightToWorkArea(const ScreenRect& workArea, const ScreenRect& proposed, int minHeight);
