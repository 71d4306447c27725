// Files that belong with a photo in the same folder: sidecars (name.xmp, name.ext.xmp, name.aae,
// name.thm, name.ext.json), the video of a Live Photo (a HEIC or JPEG and a MOV of one base
// name), and the raw file of a RAW+JPEG pair. A companion goes where its photo goes and takes the
// photo's new base name. Found from the paths alone, so it works on the list as it stands.
#pragma once

#include <string>
#include <vector>

enum class CompanionKind {
    None,
    Sidecar,  // name.xmp, name.aae, name.thm: the photo's base name
    FullNameSidecar,  // name.ext.xmp, name.ext.json: the photo's whole name
    Partner,  // the raw of a RAW+JPEG pair: the photo's base name
    LiveVideo,  // the MOV of a Live Photo: the photo's base name
};

struct CompanionLink {
    int lead = -1;  // the row it travels with; -1 for a row that travels on its own
    CompanionKind kind = CompanionKind::None;
};

// One link per source path, in the same order. A lead never is a companion of another row in
// turn, except that a sidecar may follow the raw of a pair, which follows its JPEG.
std::vector<CompanionLink> FindCompanions(const std::vector<std::string>& sources);

// The companion's new file name when its lead was placed under leadTargetName: the lead's new
// base name (or whole name) with the companion's own extension, which keeps its letter case.
std::string CompanionName(const std::string& companionName, CompanionKind kind,
                          const std::string& leadTargetName);
