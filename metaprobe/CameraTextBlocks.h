// Blocks some older compact cameras write into a JPEG beside (or instead of) the EXIF block, the
// only place their capture date is kept: the "picture info" text of an APP12 segment (key=value
// lines) and the "QVCI" block of an APP1 segment. The picture info date lists with priority 0,
// so the EXIF block's own date wins over it; the QVCI date is an equal of the EXIF block's, and
// whichever of the two segments comes later wins.
#pragma once

#include <cstdint>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

// `payload`: the APP12 segment's bytes after its length.
void ReadPictureInfo(const std::vector<uint8_t>& payload, Listing& listing);
// `payload`: the APP1 segment's bytes after its length, starting with "QVCI".
void ReadQvci(const std::vector<uint8_t>& payload, Listing& listing);

}  // namespace metaprobe
