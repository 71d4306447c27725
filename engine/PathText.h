// Path texts: splitting a path into folder, file name and extension.
// Paths use the backslash as their only separator; a folder carries its trailing backslash.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/FileOps.h"

// Longest folder part FolderOf hands out, in bytes: that of the longest path the run takes, each
// UTF-16 unit written in at most three bytes. A longer one is refused rather than shortened.
inline constexpr std::size_t kMaxFolderOfLength = 3 * kMaxRunPathLength;

// The part after the last backslash; the whole path when there is none.
std::string FileNameOf(const std::string& path);

// The part up to and including the last backslash. False, with folder untouched, when the path
// has no backslash or when that part is longer than kMaxFolderOfLength bytes.
bool FolderOf(const std::string& path, std::string& folder);

// A path of the form \\server\share\...
bool IsNetworkPath(const std::string& path);

// Where a walk over the folders of path begins: the backslash that ends its root (the "C:" of
// "C:\a\b", the "\\server\share" of a network path), so that every prefix up to a later backslash
// is a folder that can be made. The path's length for a bare "\\server\share"; npos for a network
// path without a server or share name, and for a local path without a backslash.
std::size_t FirstFolderSeparator(const std::string& path);

// Within the file-name part, the text from the last dot on (dot included); none without a dot.
std::optional<std::string> ExtensionOf(const std::string& path);
