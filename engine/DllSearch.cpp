// Linked into every executable as an object of its own: the constructor below limits where the
// process looks for DLLs to the system folder before any other code of ours runs, so a DLL placed
// beside a downloaded program (in a Downloads folder, on a stick) is never loaded in its place.
#include <windows.h>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Looked up rather than imported: Windows 7 without its loader update has no such function, and
// the program must still start there; it then at least takes the current folder out of the search.
void RestrictDllSearch()
{
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const FARPROC found = kernel != nullptr ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    const auto setDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(found));
    if (setDirectories == nullptr || !setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryA("");
}

// Priority 101 is the first one a program may use: it runs before every other constructor.
__attribute__((constructor(101))) void RestrictDllSearchAtStart()
{
    RestrictDllSearch();
}

}  // namespace
