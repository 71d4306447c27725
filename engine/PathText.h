// Path texts: splitting a path into folder, file name and extension.
// Paths use the backslash as their only separator; a folder carries its trailing backslash.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Longest folder part FolderOf hands out; a longer one is refused rather than shortened.
inline constexpr std::size_t kMaxFolderOfLength = 519;

// The part after the last backslash; the whole path when there is none.
std::string FileNameOf(const std::string& path);

// The part up to and including the last backslash. False, with folder untouched, when the path
// has no backslash or when that part is longer than kMaxFolderOfLength characters.
bool FolderOf(const std::string& path, std::string& folder);

// Within the file-name part, the text from the last dot on (dot included); none without a dot.
std::optional<std::string> ExtensionOf(const std::string& path);
