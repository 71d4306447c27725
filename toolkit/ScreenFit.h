// Sizes and places that follow the screen: pixel widths stored at one DPI shown at another, a
// smallest window size that fits the work area, and a stored window rectangle brought back onto
// a monitor when the one it was on is gone.
#pragma once

#include <windows.h>

// The DPI the program's windows are laid out at (the system DPI: the program is system-aware).
int ScreenDpi();

// A width in pixels saved at fromDpi, for a screen at toDpi; a fromDpi of zero (a value stored
// by a version that did not save it) is read as 96.
int ScaleToDpi(int pixels, int fromDpi, int toDpi);

// The work area of the monitor nearest to the rectangle.
RECT NearestWorkArea(const RECT& rect);

// The size, cut down to fit the work area of the monitor nearest to the window.
SIZE FitInWorkArea(HWND window, SIZE size);

// A rectangle that lies on no monitor is moved (and if need be cut down) into the work area of
// the nearest one; one that shows on some monitor is left as it is. False when it was moved.
bool KeepOnAMonitor(RECT& rect);

// The rectangle moved (and if need be cut down) so that it lies wholly in the work area of the
// monitor nearest to it. False when it was changed.
bool KeepWithinWorkArea(RECT& rect);

// Gives the window the restored rectangle that GetWindowPlacement reported for it, in the same
// workspace coordinates (the work area's corner is 0,0), without showing it. Moving it there with
// screen coordinates would shift it by a taskbar at the top or left each time it is saved and
// restored. False when the system refused.
bool RestoreNormalPosition(HWND window, const RECT& normal);
