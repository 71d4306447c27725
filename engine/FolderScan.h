// Walks a folder for "Add Folder", drops and the command-line program: every file that passes
// the extension filter, depth first in the order the file system lists them, sub-folders when
// asked. A folder met again through a junction or link is not walked twice, so loops end and no
// file is found twice; paths longer than the program handles are skipped, never cut. Files and
// folders that are both hidden and system belong to the system and are left out; other hidden
// files are listed like any other. Each path is handed over to addFile, to keep without a copy.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/FileOps.h"

// Longest path taken from a folder scan, a drop or a multiple selection, in characters as the
// system counts them (SystemLength): every path the run can take.
inline constexpr size_t kMaxListedPathLength = kMaxRunPathLength;

void ScanFolder(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                const std::vector<std::string>& allowedExts, const std::function<void(std::string)>& addFile);
