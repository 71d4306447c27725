// Builds files of the further photo formats (WebP, JPEG XL, Photoshop, Fujifilm, Minolta, Sigma,
// Canon CIFF, Panasonic) for the metadata tool's tests: the smallest files that other readers accept.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

// RIFF WEBP: VP8X (flags for the blocks present, 1x1 canvas), a 1x1 lossy frame, then an EXIF
// chunk (TIFF bytes, omitted when empty), an XMP chunk (omitted when empty) and an ICCP chunk
// holding a color profile (omitted when empty).
std::vector<uint8_t> BuildWebp(const std::vector<uint8_t>& tiff, const std::string& xmp,
                               const std::vector<uint8_t>& icc = {});
// JPEG XL container: signature box, ftyp, an Exif box (offset 0, TIFF bytes), an xml box when
// `xmp` is not empty, and a 200x130 codestream box.
std::vector<uint8_t> BuildJxl(const std::vector<uint8_t>& tiff, const std::string& xmp);
// Photoshop PSD, 8x8 RGB: resolution info (72 dpi), the IPTC block (when not empty), the EXIF
// block (TIFF bytes), the color profile (when not empty), no layers, uncompressed image data.
std::vector<uint8_t> BuildPsd(const std::vector<uint8_t>& tiff, const std::vector<uint8_t>& iptc,
                              const std::vector<uint8_t>& icc = {});
// One IPTC dataset: 0x1C, record, dataset, 16-bit size, data.
std::vector<uint8_t> IptcDataset(uint8_t record, uint8_t dataset, const std::string& data);
// Fujifilm RAF: header naming `camera`, then `jpeg` as its preview.
std::vector<uint8_t> BuildRaf(const std::string& camera, const std::vector<uint8_t>& jpeg);
// Minolta MRW: PRD block (3264x2448 image of a 3272x2456 sensor), a TTW block holding `tiff`
// and, when not empty, a RIF block holding `settings`.
std::vector<uint8_t> BuildMrw(const std::vector<uint8_t>& tiff, const std::vector<uint8_t>& settings = {});
// Sigma X3F: header, a JPEG preview section holding `jpeg` (none when empty), a property list
// section holding `properties` (none when empty), the section directory. The header is the older
// layout (version 2.3, or `version` below 4.0) with `adjustments` in its table of picture
// adjustments (type, value), or from 4.0 on the 768-byte layout, which has no table.
std::vector<uint8_t> BuildX3f(const std::vector<uint8_t>& jpeg, uint32_t rotation,
                              const std::vector<std::pair<uint8_t, float>>& adjustments = {},
                              uint32_t version = 0x00020003, const std::vector<uint8_t>& properties = {});
// An X3F property list section of (name, value) pairs, in 16-bit characters.
std::vector<uint8_t> X3fProperties(const std::vector<std::pair<std::string, std::string>>& properties);
// Canon CRW: a CIFF heap with make and model, the capture time (seconds of the camera's clock
// since 1970) and the image size and rotation, in the image-properties sub-heap.
std::vector<uint8_t> BuildCrw(bool bigEndian, const std::string& make, const std::string& model,
                              uint32_t seconds, uint32_t width, uint32_t height, int32_t rotation);

// Panasonic RW2: the raw's first directory (12-bit samples of a 3724x2754 sensor whose borders
// leave `width` x `height`, make, model, orientation) with `jpeg` as its embedded preview; with
// `signature` false, the older Panasonic raw that lacks the RW2 signature.
std::vector<uint8_t> BuildRw2(bool bigEndian, uint16_t width, uint16_t height, uint16_t orientation,
                              const std::vector<uint8_t>& jpeg, bool signature = true);

}  // namespace qmtest
