// Windows Security's Controlled Folder Access lets only allowed programs create or change files
// in the protected folders (the user's Documents, Pictures, Videos, Music, Desktop and Favorites
// by default) and refuses the others with a bare "Access is denied.", which says nothing of why.
// A refused create there gets a hint that names the feature and where to allow Quillmere. Free
// of the system: the folders are given by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char kControlledFolderHint[] =
        "Windows Controlled Folder Access may be blocking Quillmere: allow it under Windows Security > "
        "Virus & threat protection > Ransomware protection.";

// path lies in one of the folders (or is one), on whole names. Both come as the caller compares
// paths (PathKey: one letter case), so that any script's names match.
bool InProtectedFolder(const std::string& path, const std::vector<std::string>& folders);

// A new file or folder at path could not be created with error: access denied (5) in a protected
// folder is what the feature gives, so the hint applies. A replace is refused with the same error
// for a read-only target, and other errors have their own causes: neither gets the hint.
bool MayBeControlledFolderAccess(std::uint32_t error, bool creating, const std::string& path,
                                 const std::vector<std::string>& folders);

// The folders the feature protects for the user by default, each as PathKey gives it (Windows
// builds only); a folder the system cannot name is left out.
std::vector<std::string> ControlledFolderKeys();
