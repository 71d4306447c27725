#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "engine/PathUtils.h"
#include "engine/ProtectedFolders.h"

std::vector<std::string> ControlledFolderKeys()
{
    static const KNOWNFOLDERID* const kFolders[] = {&FOLDERID_Documents, &FOLDERID_Pictures,
                                                    &FOLDERID_Videos,    &FOLDERID_Music,
                                                    &FOLDERID_Desktop,   &FOLDERID_Favorites};
    std::vector<std::string> keys;
    for (const KNOWNFOLDERID* folder : kFolders) {
        PWSTR path = nullptr;
        // The folder where it is now, also when the user moved it to another drive.
        if (SUCCEEDED(SHGetKnownFolderPath(*folder, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr &&
            path[0] != L'\0')
            keys.push_back(PathKey(AnsiOf(path)));
        CoTaskMemFree(path);  // also after a failure, as the call asks
    }
    return keys;
}
