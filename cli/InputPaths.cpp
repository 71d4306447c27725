#include "cli/InputPaths.h"

#include <windows.h>

#include <unordered_set>

#include "engine/ArchiveRun.h"
#include "engine/ExtFilter.h"
#include "engine/FolderScan.h"
#include "engine/PathUtils.h"

std::vector<std::string> CollectInputFiles(const std::vector<std::string>& paths,
                                           const OrganizeOptions& options)
{
    const std::vector<std::string> allowed = BuildAllowedExts(options.EnableExtFilter, options.AllowExts);
    std::vector<std::string> files;
    std::unordered_set<std::string> keys;
    const auto add = [&](const std::string& file) {
        if (keys.insert(PathKey(file)).second)
            files.push_back(file);
    };
    for (const std::string& argument : paths) {
        const std::string path = FullPath(argument);
        // Zip archives, named or found, are opened and their photos and videos listed.
        const auto listed = [&](const std::string& file) {
            AddListedPath(SystemFileOps(), file, options.EnableExtFilter, allowed, add);
        };
        if (FolderExists(path))
            ScanFolder(path, options.AddFilesInSubfolder != 0, 0, {}, listed);
        else
            listed(path);
    }
    return files;
}
