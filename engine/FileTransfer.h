// Moving and copying one file for the organize run, with the guarantees the run gives the user:
// an existing target is never replaced by accident, and a replacement that fails keeps the old
// target as it was.
#pragma once

#include <string>

// Moves (allowing copy and delete across volumes) or copies source to target; fails when target
// exists. The last error tells why on failure.
bool TransferFile(const std::string& source, const std::string& target, bool move);

// Moves or copies source over an existing target in one step: the new content is written beside
// the target first and then takes its place, so that a failure (source locked or gone, disk full)
// leaves the old target untouched. The last error tells why on failure.
bool ReplaceWithFile(const std::string& source, const std::string& target, bool move);

// True when both paths reach the same existing file, however they are spelled (short names,
// relative parts, another letter case).
bool IsSameFile(const std::string& a, const std::string& b);
