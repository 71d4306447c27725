// Reads an embedded color profile: the header, and the tags of its tag table that carry text,
// colour coordinates or measurement conditions.
#pragma once

#include <cstdint>

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

struct IccLimits {
    static constexpr unsigned kMaxTags = 200;  // tag table entries read
    static constexpr uint32_t kMaxTagBytes = 1 << 16;  // larger text or number tags are not read
    static constexpr uint64_t kMaxDataBytes = 1 << 20;  // tag data read in all
    static constexpr unsigned kMaxRecords = 200;  // localized strings read per tag
    static constexpr uint64_t kWholeProfileBytes = 1 << 18;  // profiles read in one piece
};

// Lists the profile that fills `source` (a window on the file for a profile stored in one
// piece: a TIFF tag, an image resource, a RIFF chunk, an ISO media "colr" box). Reads at most
// the header, the tag table and a bounded part of each listed tag. False when the source is
// too short to hold a profile header.
bool ReadIccProfile(ByteSource& source, Listing& listing);

}  // namespace metaprobe
