// Start-up: the main window is the whole program; when it closes, the program ends.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "base/RunningMark.h"
#include "ui/MainDialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const RunningMark running;  // tells Setup and the uninstaller that it runs
    // The three-dimensional look of older systems comes from the manifest's visual styles here
    // (common controls 6.0), so no separate switch is needed.
    const HRESULT com = CoInitialize(nullptr);  // the folder picker needs COM
    INITCOMMONCONTROLSEX icc {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&icc);
    {
        MainDialog dialog;
        dialog.DoModal(nullptr);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return 0;
}
