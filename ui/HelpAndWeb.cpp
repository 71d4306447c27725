#include "ui/HelpAndWeb.h"

#include "resource.h"
#include "ui/AboutDialog.h"
#include "ui/HelpCommands.h"
#include "ui/ProductInfo.h"

bool RunHelpOrWebCommand(HWND owner, int id)
{
    switch (id) {
    case ID_HELP_CONTENTS: OpenHelp(); return true;
    case ID_TELL_FRIEND: TellAFriend(); return true;
    case ID_FEEDBACK: Feedback(); return true;
    case ID_HOMEPAGE: VisitHomepage(); return true;
    case ID_CHECK_UPDATES: CheckForUpdates(); return true;
    case ID_ABOUT: {
        AboutDialog about;
        about.DoModal(owner);
        return true;
    }
    default: return false;
    }
}

const char* SupportAddress()
{
    return ProductInfo::kSupportMail;
}
