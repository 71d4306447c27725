// Turns the PATH arguments of "organize" into the run's rows, as the window takes dropped files
// and folders: folders are scanned like Add Folder, files and scanned files pass the extension
// filter, and each path is listed once (compared without regard to case).
#pragma once

#include <string>
#include <vector>

#include "engine/OrganizeOptions.h"

// Relative paths are made full against the current folder, so that "beside each source" and the
// printed sources name real places.
std::string FullPath(const std::string& path);

std::vector<std::string> CollectInputFiles(const std::vector<std::string>& paths,
                                           const OrganizeOptions& options);
