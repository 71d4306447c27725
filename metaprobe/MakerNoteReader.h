// Reads the few fields of camera makers' private notes that carry the camera's clock, time zone
// or firmware: Canon, Nikon and Pentax notes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

// `note` holds the maker note's bytes, found at `noteOffset` of the TIFF structure's source,
// whose offsets count from `base`; `bigEndian` is that structure's byte order.
void ReadMakerNote(const std::vector<uint8_t>& note, uint64_t noteOffset, uint64_t base, bool bigEndian,
                   const std::string& make, Listing& listing);

}  // namespace metaprobe
