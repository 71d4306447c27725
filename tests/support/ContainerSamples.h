// Builds PNG files and ISO base media files (HEIC, MOV) for the metadata tool's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmtest {

// One PNG chunk with its length, type and CRC.
std::vector<uint8_t> PngChunk(const std::string& type, const std::vector<uint8_t>& data);
// Signature, IHDR (width x height, 8-bit RGB), one IDAT, then `after` (chunks placed after the
// image data), then IEND.
std::vector<uint8_t> BuildPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& after);

// One ISO box: 32-bit size, type, payload.
std::vector<uint8_t> Box(const std::string& type, const std::vector<uint8_t>& payload);
// A full box: version and 24-bit flags before the payload.
std::vector<uint8_t> FullBox(const std::string& type, uint8_t version, const std::vector<uint8_t>& payload);
std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);
// Seconds since 1904-01-01 UTC of a UTC calendar time.
uint64_t MovieSeconds(int year, int month, int day, int hour, int minute, int second);
// ftyp + moov with a version-0 movie header holding the two dates (1904-based seconds), and with a
// content identifier or a creation date, QuickTime metadata (keys and item list) holding them as
// an iPhone video does.
std::vector<uint8_t> BuildMovie(const std::string& brand, uint32_t created, uint32_t modified,
                                const std::string& contentIdentifier = "",
                                const std::string& creationDate = "");
// The maker note an iPhone writes into EXIF (tag 0x927C), holding a content identifier and, when
// three values are given, the acceleration vector (thousandths of g).
std::vector<uint8_t> AppleMakerNote(const std::string& contentIdentifier,
                                    const std::vector<int32_t>& acceleration = {});
// ftyp "heic" + meta (hdlr, pitm, iinf with an Exif item 2, iloc) + mdat holding the Exif item:
// a 4-byte offset (0) and the TIFF bytes.
std::vector<uint8_t> BuildHeic(const std::vector<uint8_t>& tiff);

// ftyp "crx " + moov holding Canon's metadata box (CMT1 = first TIFF directory, CMT2 = EXIF
// directory as a TIFF of its own) and a movie header with the given date.
std::vector<uint8_t> BuildCr3(const std::vector<uint8_t>& cmt1, const std::vector<uint8_t>& cmt2,
                              uint32_t created);

}  // namespace qmtest
