#include "cli/InputPaths.h"

#include <windows.h>

#include <unordered_set>

#include "engine/ExtFilter.h"
#include "engine/FolderScan.h"
#include "engine/PathUtils.h"

std::string FullPath(const std::string& path)
{
    if (path.empty())
        return path;
    std::string full(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length =
                GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.assign(length, '\0');
    }
    return path;
}

std::vector<std::string> CollectInputFiles(const std::vector<std::string>& paths,
                                           const OrganizeOptions& options)
{
    const std::vector<std::string> allowed = BuildAllowedExts(options.EnableExtFilter, options.AllowExts);
    std::vector<std::string> files;
    std::unordered_set<std::string> keys;
    const auto add = [&](const std::string& file) {
        if (keys.insert(CaseKey(file)).second)
            files.push_back(file);
    };
    for (const std::string& argument : paths) {
        const std::string path = FullPath(argument);
        if (FolderExists(path))
            ScanFolder(path, options.AddFilesInSubfolder != 0, options.EnableExtFilter, allowed, add);
        else if (PassesExtFilter(options.EnableExtFilter, allowed, path))
            add(path);
    }
    return files;
}
