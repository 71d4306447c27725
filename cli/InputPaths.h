// Turns the PATH arguments of "organize" into the run's rows, as the window takes dropped files
// and folders: folders are scanned like Add Folder, files and scanned files pass the extension
// filter, and each path is listed once (compared without regard to case).
#pragma once

#include <string>
#include <vector>

#include "engine/OrganizeOptions.h"

std::vector<std::string> CollectInputFiles(const std::vector<std::string>& paths,
                                           const OrganizeOptions& options);
