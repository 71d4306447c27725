// For the life of the object, the console's output code page is the program's ANSI code page
// (UTF-8 where the manifest is honoured, Windows 10 1903 and later), so that every name prints as
// it is; the console gets its own code page back at the end. Output into a pipe or a file is the
// program's bytes as they are, whatever the console.
//
// The code page belongs to the console, not to the program: a program ended by Ctrl+C,
// Ctrl+Break or the console's close button runs no destructor, and would leave cmd in UTF-8. So
// every such event puts the console's code page back first (OnControl, and the program's own
// control handler through RestoreFound).
#pragma once

#include <windows.h>

#include <atomic>

class ConsoleCodePage {
public:
    ConsoleCodePage()
    {
        const UINT old = GetConsoleOutputCP();
        // Zero: no console, nothing to set.
        if (old != 0 && old != GetACP() && SetConsoleOutputCP(GetACP())) {
            found_.store(old);
            // Called after every handler the program adds later (the last added is called first).
            handlerSet_ = SetConsoleCtrlHandler(OnControl, TRUE) != 0;
        }
    }
    ~ConsoleCodePage()
    {
        if (handlerSet_)
            SetConsoleCtrlHandler(OnControl, FALSE);
        RestoreFound();
        found_.store(0);
    }
    ConsoleCodePage(const ConsoleCodePage&) = delete;
    ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;

    // Gives the console the code page it had when the object was made (nothing when the object
    // changed none). Safe from a control handler's thread.
    static void RestoreFound()
    {
        const UINT found = found_.load();
        if (found != 0)
            SetConsoleOutputCP(found);
    }

    // The console control handler: the code page back, then the next handler (in the end the
    // system's, which ends the program) decides.
    static BOOL WINAPI OnControl(DWORD)
    {
        RestoreFound();
        return FALSE;
    }

private:
    static inline std::atomic<UINT> found_ {0};
    bool handlerSet_ = false;
};
