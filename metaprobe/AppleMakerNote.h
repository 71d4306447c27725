// The maker note iPhones write into EXIF ("Apple iOS", a big-endian directory whose offsets
// count from the note's start). Only the content identifier is read: the value that ties a Live
// Photo's still to its video.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace metaprobe {

// False when the note is not Apple's or holds no readable identifier. Never reads outside note.
bool AppleContentIdentifier(const std::vector<uint8_t>& note, std::string& identifier);

}  // namespace metaprobe
