// Combined fields the listing ends with: aperture, image size, shutter speed, GPS position and so on.
#pragma once

#include <string>

#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// `fileType` is the listed file type ("CR2", "JPEG", ...).
void AddCompositeFields(const ExifFacts& facts, const std::string& fileType, Listing& listing);

}  // namespace metaprobe
