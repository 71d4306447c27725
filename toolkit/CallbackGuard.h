// An exception must not cross a frame of the system's: the window manager that calls a dialog or
// a control back knows nothing of C++ unwinding, and the program would end without a word or go
// on with the system's state half-changed. The toolkit's window callbacks run their handlers
// inside GuardedCall, which reports an escaped exception in an error box and gives the caller
// the neutral answer instead.
#pragma once
#include <windows.h>

#include <exception>

// Shows what escaped in an error box, owned by the window's top-level window (none when the
// window is gone). Allocates nothing, so that it works after a failed allocation too.
void ReportEscapedException(HWND window, const char* what) noexcept;

template <typename Result, typename Body>
Result GuardedCall(HWND window, Result fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::exception& e) {
        ReportEscapedException(window, e.what());
    } catch (...) {
        ReportEscapedException(window, "an exception of an unknown kind");
    }
    return fallback;
}
