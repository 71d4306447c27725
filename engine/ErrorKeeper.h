// Keeps the error of the step that failed across the clean-up calls that follow it, so that the
// caller reads the reason of the failure, not of the clean-up.
#pragma once

#include <windows.h>

class ErrorKeeper {
public:
    ErrorKeeper() : code_(GetLastError()) { }
    ~ErrorKeeper() { SetLastError(code_); }
    ErrorKeeper(const ErrorKeeper&) = delete;
    ErrorKeeper& operator=(const ErrorKeeper&) = delete;

private:
    DWORD code_;
};
