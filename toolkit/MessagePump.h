// Lets the windows of the thread paint and take input in the middle of a long task.
#pragma once

#include <windows.h>

// Translates and dispatches every message waiting in the thread's queue and returns when it is
// empty; never waits. A quit request is left in the queue for the message loop that owns it.
void PumpMessages();

// The modeless dialog whose keys PumpMessages hands to the dialog manager (Tab, Escape, Alt plus
// an access key), as a modal dialog's own loop would; null for none.
void RouteDialogKeys(HWND dialog);
// The dialog RouteDialogKeys was last given, or null.
HWND RoutedDialog();
