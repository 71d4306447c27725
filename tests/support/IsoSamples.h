// Builds the parts of movie and HEIF/AVIF files that carry track, user-data and image-property
// fields, for the metadata tool's tests. Every builder returns whole boxes.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

struct VideoTrackValues {
    uint32_t trackId = 1;
    std::string codec = "avc1", vendor = "appl", compressorName = "H.264";
    uint16_t width = 640, height = 480, depth = 24;
    uint32_t xResolution = 72, yResolution = 72;  // whole dots per inch
    uint32_t timeScale = 600;
    std::vector<std::pair<uint32_t, uint32_t>> sampleTimes = {{150, 20}};  // count, duration
    bool apertures = true;  // a track aperture box with the three dimensions
    int rotation = 0;  // clockwise quarter turns of the track's matrix
};

struct AudioTrackValues {
    uint32_t trackId = 2;
    std::string format = "mp4a", vendor = "appl";
    uint16_t channels = 2, bitsPerSample = 16;
    uint32_t sampleRate = 44100;
    int16_t balance = 0;  // 8.8 fixed point
};

// The shooting data block a Pentax camera writes into a movie's user data (little-endian).
struct CameraTagsValues {
    uint32_t exposure = 384;  // 10 / value seconds
    uint32_t fNumber[2] = {40, 10};
    int32_t compensation[2] = {0, 10};
    uint16_t whiteBalance = 0;
    uint32_t focalLength[2] = {189, 10};
    uint16_t iso = 50;
};

std::vector<uint8_t> VideoTrack(const VideoTrackValues& values);
std::vector<uint8_t> AudioTrack(const AudioTrackValues& values);
std::vector<uint8_t> CameraTagsBox(const CameraTagsValues& values);
// A metadata box with keys and their items (UTF-8 values), as phones write into the movie box.
std::vector<uint8_t> KeyedMetadata(const std::vector<std::pair<std::string, std::string>>& items);
// A text box of the user data: its code, a 16-bit length and language, the text.
std::vector<uint8_t> UserDataTextBox(const std::string& code, const std::string& text, uint16_t language);
// One item of an item list: its code and a data box of the given type word and value.
std::vector<uint8_t> ListItem(const std::string& code, uint32_t type, const std::vector<uint8_t>& value);
// A user data box holding `parts` (camera tags, an XMP_ box) and, when `items` is not empty, a
// metadata box with a handler and an item list of them.
std::vector<uint8_t> UserData(const std::vector<std::vector<uint8_t>>& parts,
                              const std::vector<std::vector<uint8_t>>& items);
// A top-level box holding an XMP packet: "uuid" with the XMP identifier.
std::vector<uint8_t> XmpUuidBox(const std::string& xmp);
// ftyp (brand) + moov (movie header, then `parts` in order) + an empty mdat. The header's creation
// and modification dates are `created` (seconds since 1904 in UTC; 0 means not set).
std::vector<uint8_t> MovieWith(const std::string& brand, const std::vector<std::vector<uint8_t>>& parts,
                               uint32_t created = 0);

// A phone's video taken at a UTC instant: the movie header's dates, Apple's creation date with
// its offset and location keys (each left out when empty), and QuickTime's position box in the
// user data (left out when empty).
struct PhoneVideoValues {
    int64_t utcSeconds = 0;  // since 1970
    std::string creationDate;  // "2019-07-15T06:00:00+0900"
    std::string keyPosition;  // ISO 6709: "+35.6895+139.6917+040.000/"
    std::string userDataPosition;  // ISO 6709 in the user data's position box
};
std::vector<uint8_t> PhoneVideo(const PhoneVideoValues& values);

// Item properties.
std::vector<uint8_t> HevcConfigurationBox(uint8_t profile, uint8_t level, uint8_t chroma, uint8_t lumaBits,
                                          uint8_t chromaBits, uint16_t averageRate, uint8_t layers);
std::vector<uint8_t> Av1ConfigurationBox(uint8_t chromaBits);
std::vector<uint8_t> SpatialExtentBox(uint32_t width, uint32_t height);
std::vector<uint8_t> ColourBox(uint16_t primaries, uint16_t transfer, uint16_t matrix);
// A colour box holding an ICC profile, of kind "prof" or "rICC".
std::vector<uint8_t> ColourProfileBox(const std::vector<uint8_t>& profile, const std::string& kind = "prof");
// ftyp (brand, mif1) + meta (hdlr "pict", pitm 1, iinf with image items 1 and 2 and, when `xmp`
// is not empty, a mime item 3 holding it; iprp with `properties` and their associations: item 1
// gets `primary`, item 2 `other`, as 1-based indexes; iloc) + mdat.
std::vector<uint8_t> BuildHeif(const std::string& brand, const std::vector<std::vector<uint8_t>>& properties,
                               const std::vector<uint8_t>& primary, const std::vector<uint8_t>& other,
                               const std::string& xmp);

// Whole samples in eight variants (n = 1..8) of every value above.
// A camera movie: a video and a sound track, the camera's shooting data, metadata keys and an
// item list (keys first for odd n, so that the later one's artist stands), an XMP packet.
std::vector<uint8_t> CameraMovieSample(uint16_t n);
// An MP4 whose sound track comes first and whose video track has no vendor or compressor name;
// odd n add an XMP packet in a top-level box after the media data.
std::vector<uint8_t> Mp4Sample(uint16_t n);
// A HEIF (or AVIF) image whose primary item has a codec configuration, a size, colour, depth and
// rotation, while a second item (a thumbnail) has another configuration, size and colour; odd n
// add an XMP item; for n = 4 and 8 the primary item has no configuration of its own (as a grid).
std::vector<uint8_t> ImagePropertiesSample(uint16_t n, bool av1);

}  // namespace qmtest
