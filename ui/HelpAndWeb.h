// The main window's help, About, web and mail commands, by command ID.
#pragma once

#include <windows.h>

// Runs one of ID_HELP_CONTENTS, ID_ABOUT, ID_TELL_FRIEND, ID_FEEDBACK, ID_HOMEPAGE and
// ID_CHECK_UPDATES; false for any other ID.
bool RunHelpOrWebCommand(HWND owner, int id);
// The support address named in messages that ask the user to contact us.
const char* SupportAddress();
