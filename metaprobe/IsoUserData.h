// A movie's user data: the text items of its item lists (by four-character code or by metadata
// key) and the shooting data block some cameras write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// Field name of an item list entry's code ("\xa9" "ART" -> "Artist"), or null when not listed.
const char* ItemListFieldName(const uint8_t* code);
// Field name of a metadata key ("com.apple.quicktime.artist" -> "Artist"), or null.
const char* MetadataKeyFieldName(const std::string& key);
// Text of an item's value from its "data" payload (type word, locale word, value) for the item
// `code` (null for keyed items): UTF-8 text, and the numbers of track, disk and tempo items.
// Empty when the value is not listed.
std::string ItemValueText(const uint8_t* code, const uint8_t* data, size_t size);

// Field name of a text box directly in the user data ("\xa9" "mak" -> "Make"), or null.
const char* UserDataTextName(const uint8_t* code);
// The text of such a box: a 16-bit length, a 16-bit language, the text. Only a plain ASCII text
// that fills the box is given (the language decides the encoding of others); empty otherwise.
std::string UserDataText(const uint8_t* data, size_t size);

// The field name of a movie's position, from its "\xa9xyz" box or its ISO 6709 location key.
inline constexpr const char* kGpsCoordinatesField = "GPS Coordinates";
// An ISO 6709 position ("+48.5730+007.8152+140.000/") as the listing shows positions:
// "48 deg 34' 22.80\" N, 7 deg 48' 54.72\" E"; empty when the text is no position.
std::string CoordinatesText(const std::string& iso6709);

// The shooting data block of a camera's movie ("TAGS" in the user data, from Pentax cameras):
// make, exposure, aperture, white balance, focal length, ISO. False when the block is not one.
bool ListCameraTags(const uint8_t* data, size_t size, Listing& listing, ExifFacts& facts);

}  // namespace metaprobe
