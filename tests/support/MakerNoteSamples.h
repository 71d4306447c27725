// Builds files whose EXIF block holds a camera maker's private note, for the metadata tool's
// tests: JPEGs with the note among other Exif entries, and converted raw files that keep the
// note in their private data block.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/TiffBuilder.h"

namespace qmtest {

// Makes the note's bytes for the note's offset from the TIFF header (notes whose value offsets
// count from there need it; others ignore it).
using NoteAt = std::function<std::vector<uint8_t>(uint32_t offset)>;

// SHORT entries of the Exif directory written before or after the maker note.
using Shorts = std::vector<std::pair<uint16_t, uint16_t>>;

// A JPEG with IFD0 (make, model, the Exif pointer) and an Exif directory holding the capture date
// 2015:03:04 05:06:07 (unless `withDate` is false), `before`, the maker note, then `after`.
std::vector<uint8_t> JpegWithMakerNote(const std::string& make, const std::string& model, const NoteAt& note,
                                       ByteOrder order, const Shorts& before = {}, const Shorts& after = {},
                                       bool withDate = true);

// `prefix`, then `dir` as a directory whose value offsets count from a TIFF header `offset`
// bytes before the prefix.
std::vector<uint8_t> TiffRelativeNote(const Ifd& dir, ByteOrder order, uint32_t offset,
                                      const std::vector<uint8_t>& prefix = {});

// `prefix`, then a TIFF header of the note's own and `dir` (Nikon's form, whose offsets count
// from that header).
std::vector<uint8_t> SelfContainedNote(const Ifd& dir, ByteOrder order, const std::vector<uint8_t>& prefix);

// A camera's shot-information block as its maker note holds it: a byte order mark, then `date`
// (at most 19 characters) as NUL-ended text from byte 6, then `tail` more zero bytes.
std::vector<uint8_t> ShotInfoBlock(const std::string& date, size_t tail);

// `plain` as Sony cameras store their enciphered blocks: a byte b below 249 as b*b*b mod 249,
// the bytes 249 to 255 as they are.
std::vector<uint8_t> SonyEnciphered(const std::vector<uint8_t>& plain);

// An enciphered block of `size` bytes whose plain bytes are zero but for `field` from `at` (cut
// at the block's end), and whose first stored byte is `first`.
std::vector<uint8_t> SonyBlock(size_t size, size_t at, const std::vector<uint8_t>& field, uint8_t first = 0);

// A JPEG from `model` whose Sony note ("SONY DSC " and three NULs, then `dir`) counts its offsets
// from the TIFF header.
std::vector<uint8_t> SonyJpeg(const std::string& model, const Ifd& dir, ByteOrder order);

// A converted raw file (TIFF, DNG version 1.4) whose IFD0 holds make, model and the private data
// block carrying `note`, which sat at `originalOffset` of the file it came from.
std::vector<uint8_t> DngWithMakerNote(const std::string& make, const std::string& model,
                                      const std::vector<uint8_t>& note, uint32_t originalOffset,
                                      ByteOrder order);

}  // namespace qmtest
