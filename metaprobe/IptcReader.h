// Reads the IPTC application record (dates, title, caption, author, copyright) of a Photoshop
// image resource block.
#pragma once

#include <cstdint>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

void ReadIptc(const std::vector<uint8_t>& data, Listing& listing);

}  // namespace metaprobe
