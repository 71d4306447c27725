// Path texts: splitting a path into folder, file name and extension.
// Paths use the backslash as their only separator; a folder carries its trailing backslash.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Longest full path the run takes or creates, in UTF-16 units: the system's 32,767 less the long
// form's prefix ("\\?\UNC\" replaces the two backslashes of a share, six more) and the terminating
// zero, so that every path the run accepts reaches the file however it is spelled.
inline constexpr std::size_t kMaxRunPathLength = 32767 - 6 - 1;
// Longest name of one part of a path (a folder or a file).
inline constexpr std::size_t kMaxNameLength = 255;

// Longest folder part FolderOf hands out, in bytes: that of the longest path the run takes, each
// UTF-16 unit written in at most three bytes. A longer one is refused rather than shortened.
inline constexpr std::size_t kMaxFolderOfLength = 3 * kMaxRunPathLength;

// The part after the last backslash; the whole path when there is none.
std::string FileNameOf(const std::string& path);

// The folder with a trailing backslash (one added when it has none); empty stays empty.
std::string WithBackslash(std::string folder);

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
