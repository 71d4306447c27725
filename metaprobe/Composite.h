// Combined fields the listing ends with: aperture, image size, shutter speed, GPS position and so on.
#pragma once

#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

void AddCompositeFields(const ExifFacts& facts, Listing& listing);

}  // namespace metaprobe
