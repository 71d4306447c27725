// The properties of an image item in a HEIF/AVIF file (codec configuration, size, rotation,
// colour), each given as the payload of its box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "metaprobe/Listing.h"

namespace metaprobe {

// Lists the fields of one item property box; unknown types and payloads too short for their
// layout list nothing.
void ListItemProperty(const std::string& type, const uint8_t* data, size_t size, Listing& listing);

}  // namespace metaprobe
