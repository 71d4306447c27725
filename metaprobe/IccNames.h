// Names of the signatures and codes of a color profile's header and tags.
#pragma once

#include <cstdint>
#include <string>

namespace metaprobe {

// The company behind a four-character signature (CMM type, device maker, profile creator);
// empty for an unset signature, "Unknown (sig)" for one not registered (also in the other
// lookups of signatures).
std::string IccVendorName(const std::string& signature);
// The device class ("mntr" -> "Display Device Profile").
std::string IccClassName(const std::string& signature);
// The primary platform ("MSFT" -> "Microsoft Corporation").
std::string IccPlatformName(const std::string& signature);
// The device technology of the "tech" tag ("CRT " -> "Cathode Ray Tube Display").
std::string IccTechnologyName(const std::string& signature);
// The rendering intent of the header.
std::string IccIntentName(uint32_t intent);
// The standard illuminant of a measurement or viewing condition ("D50", "F8").
std::string IccIlluminantName(uint32_t code);
// The standard observer of a measurement.
std::string IccObserverName(uint32_t code);
// The measurement geometry.
std::string IccGeometryName(uint32_t code);

}  // namespace metaprobe
