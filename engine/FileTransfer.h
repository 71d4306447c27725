// Moving and copying one file for the organize run, with the guarantees the run gives the user:
// an existing target is never replaced by accident, a replacement that fails keeps the old
// target as it was, and a file under its real name is always complete. A copy (and a move across
// drives) is written under a plainly unfinished name beside the target, flushed to the drive,
// checked against the source's size and only then renamed; a move deletes its source after that.
#pragma once

#include <string>

#include "engine/RunFileSystem.h"

// The name a copy is written under before it takes the target's name: "~NAME.qmpart" beside the
// target for attempt 0, "~NAME.N.qmpart" for attempt N, or "~qmN.qmpart" where those would make
// the path too long. False, with ERROR_FILENAME_EXCED_RANGE, when not even that fits.
bool PartialNameFor(const std::string& target, int attempt, std::string& partial);

// Moves or copies source to target; fails when target exists. The last error tells why unless
// Done.
TransferOutcome TransferFile(const std::string& source, const std::string& target, bool move);

// Moves or copies source over an existing target in one step: the new content is written beside
// the target first and then takes its place, so that a failure (source locked or gone, disk full)
// leaves the old target untouched. The last error tells why unless Done.
TransferOutcome ReplaceWithFile(const std::string& source, const std::string& target, bool move);

// True when both paths reach the same existing file, however they are spelled (short names,
// relative parts, another letter case).
bool IsSameFile(const std::string& a, const std::string& b);
