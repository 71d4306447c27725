// The files of a .zip archive as rows of a run: listed as "archive.zip\path\inside", filtered
// by the run's extensions, and each taken out again by that name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FileOps.h"
#include "engine/ZipArchive.h"

struct ArchiveMember {
    std::string path;  // "D:\\in\\t-001.zip\\Takeout\\a.jpg"
    // Why the entry cannot be taken out (an unsafe name: "..", a drive, a device); empty when it
    // can. Its path then shows the name with its unsafe characters replaced.
    std::string failure;
};

// The files of the archive whose names pass the extension filter, in the archive's order, folders
// left out. False with the reason when the archive cannot be opened or read.
bool ListArchiveMembers(FileOps& ops, const std::string& archive, std::uint32_t enableExtFilter,
                        const std::vector<std::string>& allowedExts, std::vector<ArchiveMember>& members,
                        std::string& reason);

// Opens the archive a member path names and finds its entry (the first whose name, as a safe
// relative path, equals the member's, ASCII letters in any case; a folder's name never does, as
// its last part is empty). False with the reason otherwise.
bool OpenArchiveMember(FileOps& ops, const std::string& memberPath, FileZipInput& input, ZipEntry& entry,
                       std::string& reason);
