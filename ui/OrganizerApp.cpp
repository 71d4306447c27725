// Start-up: the main window is the whole program; when it closes, the program ends. Files and
// folders named on the command line (Explorer's Send to and folder entries) are listed at once.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/RunningMark.h"
#include "toolkit/ShellServices.h"
#include "ui/MainDialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const RunningMark running;  // tells Setup and the uninstaller that it runs
    // The three-dimensional look of older systems comes from the manifest's visual styles here
    // (common controls 6.0), so no separate switch is needed.
    // The folder picker and the taskbar progress need COM, apartment-threaded on this UI thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    {
        MainDialog dialog;
        dialog.ListAtStart(CommandLinePaths(GetCommandLineW()));
        dialog.DoModal(nullptr);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
