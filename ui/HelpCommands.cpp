#include "ui/HelpCommands.h"

#include "toolkit/ShellServices.h"
#include "toolkit/WaitCursor.h"
#include "ui/ProductInfo.h"

#include <shellapi.h>

namespace {

void OpenUnderWaitCursor(const std::string& address)
{
    WaitCursor wait;
    OpenUrl(address.c_str(), SW_SHOWNORMAL);
}

}  // namespace

HWND FindHelpWindow()
{
    return FindWindowA(nullptr, ProductInfo::kHelpWindowTitle);
}

void OpenHelp()
{
    if (HWND viewer = FindHelpWindow()) {
        if (IsIconic(viewer))
            ShowWindow(viewer, SW_RESTORE);
        SetForegroundWindow(viewer);
        SetActiveWindow(viewer);
        return;
    }
    char path[520];
    if (!GetProgramFolder(path, sizeof path))
        return;
    if (lstrlenA(path) + lstrlenA(ProductInfo::kHelpFile) >= static_cast<int>(sizeof path))
        return;
    lstrcatA(path, ProductInfo::kHelpFile);
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CloseHelpWindow()
{
    if (HWND viewer = FindHelpWindow())
        PostMessageA(viewer, WM_CLOSE, 0, 0);
}

std::string TellAFriendAddress()
{
    return std::string("mailto:?subject=Quillmere - a photo organizer&body=Download from ") +
           ProductInfo::kHomePage;
}

std::string FeedbackAddress()
{
    return std::string("mailto:") + ProductInfo::kSupportMail;
}

std::string HomepageAddress()
{
    return ProductInfo::kHomePage;
}

std::string CheckForUpdatesAddress()
{
    return std::string(ProductInfo::kHomePage) + "checkforupdates/?ver=" + ProductInfo::kVersion +
           "&build=" + ProductInfo::kBuild;
}

void TellAFriend()
{
    OpenUnderWaitCursor(TellAFriendAddress());
}

void Feedback()
{
    OpenUnderWaitCursor(FeedbackAddress());
}

void VisitHomepage()
{
    OpenUnderWaitCursor(HomepageAddress());
}

void CheckForUpdates()
{
    OpenUnderWaitCursor(CheckForUpdatesAddress());
}
