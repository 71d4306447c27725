// Which Google Takeout sidecar (the JSON file an export writes beside a photo or video) belongs to
// which file of one folder, from the folder's names alone (and, where names leave two candidates,
// the sidecars' titles), so that it works on a folder's listing and on the names inside an
// archive alike. The forms an export writes:
//   NAME.EXT.json, NAME.EXT.supplemental-metadata.json, the sidecar's name without ".json" cut at
//   46 characters (".supplemental-me.json", ".s.json", and for long names part of NAME.EXT too);
//   NAME(1).EXT with NAME.EXT(1).json or NAME.EXT.supplemental-metadata(1).json (the number after
//   the cut); NAME.supplemental-metadata.json and NAME.json without the media's extension.
// An edited copy (NAME-edited.EXT and its translations) and the video of a motion photo or Live
// Photo (NAME.MP4, NAME.MOV, NAME.MP beside a still NAME.EXT) take their original's sidecar when
// they have none of their own.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Characters a sidecar's name keeps before ".json" (and before a duplicate's number).
inline constexpr std::size_t kTakeoutNameLimit = 46;

struct TakeoutMatch {
    // By name: for a media file, the sidecar it takes its date from, or -1.
    std::vector<int> sidecarOf;
    // By name: for a sidecar, the file it belongs to and travels with, or -1; -1 for others.
    // A sidecar may give its date to more files than its owner (edited copies, motion videos).
    std::vector<int> ownerOf;
    std::vector<bool> isSidecar;
};

// A sidecar's title (the original name of its media file), or nothing when it cannot be read.
using TakeoutTitle = std::function<std::optional<std::string>(std::size_t name)>;

// Whether a name is a sidecar's: NAME.json, in any letter case.
bool IsTakeoutSidecarName(const std::string& name);

// names: the file names (no folders) of one folder. titleOf is asked only for sidecars that more
// than one file could take or that could be one of several for a file: the sidecar whose title is
// the file's original name wins; when neither names nor titles decide, nobody takes it.
TakeoutMatch MatchTakeoutSidecars(const std::vector<std::string>& names, const TakeoutTitle& titleOf);
