#include "engine/RunsFolder.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>

#include "base/PathText.h"
#include "engine/PathUtils.h"

std::string RunsFolder()
{
    // Any length: journals may live in a folder of a long path.
    const std::wstring variable = WideOf(kRunsFolderVariable);
    const DWORD needed = GetEnvironmentVariableW(variable.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring value(needed, L'\0');
        const DWORD length = GetEnvironmentVariableW(variable.c_str(), value.data(), needed);
        if (length > 0 && length < needed) {
            value.resize(length);
            return WithBackslash(AnsiOf(value));
        }
    }
    char local[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                local)))
        return {};
    return WithBackslash(local) + "Quillmere\\Runs\\";
}

std::string NewJournalName()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    char name[32];
    std::snprintf(name, sizeof name, "%04u%02u%02u-%02u%02u%02u-%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
    return name;
}

std::string LocalTimeText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

std::string KeptFilesText(const std::vector<std::string>& keptFiles)
{
    std::string folder;
    if (keptFiles.empty() || !FolderOf(keptFiles.front(), folder))
        return {};
    return std::to_string(keptFiles.size()) +
           (keptFiles.size() == 1 ? " replaced file is" : " replaced files are") + " still kept in \"" +
           folder + "\"; the run is not marked undone";
}

std::vector<std::string> KeptJournals(const std::string& folder)
{
    return KeptJournals(SystemFileOps(), folder);
}

Status LoadJournal(const std::string& path, JournalData& data)
{
    return LoadJournal(SystemFileOps(), path, data);
}
