// While a Quillmere program runs it holds a named mutex, so that Setup and the uninstaller can
// tell it is running and refuse to replace or remove its files half-way instead. The name is in
// the global namespace, seen from every session: a per-machine installation is shared by all
// users. Nobody ever waits on or owns the mutex; only its existence counts.
#pragma once

#include <windows.h>
#include <sddl.h>

#include "base/OwnedHandle.h"

inline constexpr wchar_t kRunningMarkName[] = L"Global\\Quillmere.Running";

class RunningMark {
public:
    RunningMark()
    {
        // Everyone may open it to look (SYNCHRONIZE and query), so that the programs of several
        // users share the one mutex: default security would refuse the second user's open.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100001;;;WD)", SDDL_REVISION_1,
                                                                 &descriptor, nullptr))
            attributes.lpSecurityDescriptor = descriptor;
        // Failing to make the mark is no reason not to run: it only loses Setup's warning.
        handle_.Reset(CreateMutexExW(&attributes, kRunningMarkName, 0, SYNCHRONIZE));
        if (descriptor)
            LocalFree(descriptor);
    }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    OwnedHandle handle_;
};
