#include "toolkit/MessagePump.h"

#include <windows.h>

namespace {

HWND keysDialog = nullptr;

}  // namespace

void RouteDialogKeys(HWND dialog)
{
    keysDialog = dialog;
}

HWND RoutedDialog()
{
    return keysDialog;
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (keysDialog && IsDialogMessageA(keysDialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
