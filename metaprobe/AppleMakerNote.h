// The maker note iPhones write into EXIF ("Apple iOS", a big-endian directory whose offsets
// count from the note's start). Read: the content identifier, the value that ties a Live Photo's
// still to its video (listed under the reference's name for it, "Media Group UUID"), and the
// acceleration vector, which tells how the phone was held.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "metaprobe/Listing.h"

namespace metaprobe {

// False when the note is not Apple's or holds no readable identifier. Never reads outside note.
bool AppleContentIdentifier(const std::vector<uint8_t>& note, std::string& identifier);
// Lists what it reads of an Apple note; nothing for another note.
void ReadAppleNote(const std::vector<uint8_t>& note, Listing& listing);

}  // namespace metaprobe
