// Fields of a movie's tracks: handlers, media headers and sample descriptions, each read from the
// payload of its box (after the box header).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "metaprobe/Listing.h"

namespace metaprobe {

// Names of a handler's class, type and vendor codes: known codes by name, other printable codes
// as "Unknown (code)", empty for a zero or unprintable code (which is not listed).
std::string HandlerClassName(const uint8_t* code);
std::string HandlerTypeName(const uint8_t* code);
std::string VendorName(const uint8_t* code);

// Video and sound media headers: graphics mode and colour, balance.
void ListVideoMediaHeader(const uint8_t* data, size_t size, Listing& listing);
void ListSoundMediaHeader(const uint8_t* data, size_t size, Listing& listing);
// One entry of a sample description table (its payload after the entry's size and format).
void ListVideoSampleEntry(const uint8_t* format, const uint8_t* data, size_t size, Listing& listing);
void ListAudioSampleEntry(const uint8_t* format, const uint8_t* data, size_t size, Listing& listing);
// A track aperture's dimensions "320x240"; empty when the payload is too short.
std::string ApertureText(const uint8_t* data, size_t size);
// Frames per second from a time-to-sample table and the media's time scale; empty when unknown
// or when the table is not whole.
std::string FrameRateText(const uint8_t* data, size_t size, uint32_t timeScale);

}  // namespace metaprobe
