#pragma once
// Where the program's windows open (Qt, the shell only): in the middle of the
// desktop, within it.
class QRect;
class QWidget;

// Puts a window in the middle of its screen's available area (without the
// panels), as dialogs of the program open.
void CentreOnScreen(QWidget& window);
// Puts a window in the middle of `area`, its caption inside it.
void CentreIn(QWidget& window, const QRect& area);
// The height of `window` that fits `area` with its frame: `roomy` where
// there is room, never below what its layout needs. Until the window system
// has framed the window, a caption's height is kept free for the frame.
int FittingHeight(const QWidget& window, int roomy, const QRect& area);
