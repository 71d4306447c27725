// For the life of the object, the console's output code page is the program's ANSI code page
// (UTF-8 where the manifest is honoured, Windows 10 1903 and later), so that every name prints as
// it is; the console gets its own code page back at the end. Output into a pipe or a file is the
// program's bytes as they are, whatever the console.
#pragma once

#include <windows.h>

class ConsoleCodePage {
public:
    ConsoleCodePage() : old_(GetConsoleOutputCP())
    {
        // Zero: no console, nothing to set.
        changed_ = old_ != 0 && old_ != GetACP() && SetConsoleOutputCP(GetACP());
    }
    ~ConsoleCodePage()
    {
        if (changed_)
            SetConsoleOutputCP(old_);
    }
    ConsoleCodePage(const ConsoleCodePage&) = delete;
    ConsoleCodePage& operator=(const ConsoleCodePage&) = delete;

private:
    UINT old_;
    bool changed_ = false;
};
