// The extension filter of folder scans and drops: which files "Add Folder" and drag-and-drop take.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The allowed extensions, lower case and without the dot, from the filter switch and the user's
// list ("JPG; jpeg" -> jpg, jpeg). Empty when the filter is off. Blanks and tabs are removed,
// semicolons separate like commas, empty pieces are dropped and repeated ones kept. An entry
// written "*.jpg" or ".jpg" stands for "jpg", so that lists stored before the Options dialog
// wrote the bare form filter as their writer meant.
std::vector<std::string> BuildAllowedExts(std::uint32_t enableExtFilter, const std::string& allowExts);

// True when the path may be added: the filter is off, or the lower-cased text after the last dot
// of the file name equals one allowed extension. A name without a dot never matches.
bool PassesExtFilter(std::uint32_t enableExtFilter, const std::vector<std::string>& allowedExts,
                     const std::string& path);

// The user's list in the described form: each entry written "*.jpg" or ".jpg" becomes "jpg";
// the separators and the letter case stay as typed ("*.JPG; .nef" -> "JPG; nef"). False, with
// the entry as typed in badEntry, when an entry is not an extension (empty after its "*." or
// ".", or holding a dot, a wildcard or a character no file name holds).
bool NormalizeExtensionList(const std::string& list, std::string& normalized, std::string& badEntry);
