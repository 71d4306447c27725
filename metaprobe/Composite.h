// Combined fields the listing ends with: aperture, image size, shutter speed, GPS position and so on.
#pragma once

#include <string>

#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// The combined dates alone: the EXIF dates with their fractional seconds and zone, and the IPTC
// creation date as the capture date of a file that has no other.
void AddCompositeDates(Listing& listing);
// Every combined field. `fileType` is the listed file type ("CR2", "JPEG", ...).
void AddCompositeFields(const ExifFacts& facts, const std::string& fileType, Listing& listing);

}  // namespace metaprobe
