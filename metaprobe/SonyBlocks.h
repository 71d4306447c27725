// Sony's enciphered maker note blocks: the camera's clock (0x2010 and 0x9050) and how the camera
// was held (0x9400). Their bytes are stored through a byte substitution that is undone here, for
// only the bytes a field needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "metaprobe/Listing.h"

namespace metaprobe {

// Each lists what its block holds for this camera model, if anything; `data` holds `size` bytes.
void ReadSonyBlock2010(const uint8_t* data, size_t size, const std::string& model, Listing& listing);
void ReadSonyBlock9050(const uint8_t* data, size_t size, const std::string& model, Listing& listing);
void ReadSonyBlock9400(const uint8_t* data, size_t size, Listing& listing);

}  // namespace metaprobe
