// Reads the fields of camera makers' private notes that the listing shows: the camera's clock,
// time zone and firmware, and the standard names some makers keep only there (serial number,
// owner, contrast, saturation, sharpness, white balance). Canon, Nikon, Pentax, Fujifilm, Sigma,
// Panasonic, Olympus, Sony and Reconyx notes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

struct Camera {
    std::string make, model;
};

// `note` holds the maker note's bytes, found at `noteOffset` of the TIFF structure's source,
// whose offsets count from `base`; `bigEndian` is that structure's byte order.
void ReadMakerNote(const std::vector<uint8_t>& note, uint64_t noteOffset, uint64_t base, bool bigEndian,
                   const Camera& camera, Listing& listing);

// The private data block of a converted raw file ("Adobe", 0, then "MakN" with the original maker
// note, its byte order and its offset in the original file).
void ReadDngPrivateData(const std::vector<uint8_t>& data, const Camera& camera, Listing& listing);

}  // namespace metaprobe
