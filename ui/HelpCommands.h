// The help file and the web and mail commands of the main window and the About box.
// None reports a failure: a missing help file or browser simply shows nothing.
#pragma once
#include <windows.h>

#include <string>

// Brings the help viewer's window to the front (restored if minimized) when it is open,
// otherwise opens the help file from the program's folder, maximized.
void OpenHelp();
// The help viewer's open window, or null.
HWND FindHelpWindow();
// Closes the help viewer's window if it is open (when the program ends).
void CloseHelpWindow();

// The four web and mail commands: each opens its address with OpenUrl, shown normally,
// under the wait cursor.
void TellAFriend();
void Feedback();
void VisitHomepage();
void CheckForUpdates();

// The addresses those commands open.
std::string TellAFriendAddress();
std::string FeedbackAddress();
std::string HomepageAddress();
std::string CheckForUpdatesAddress();
