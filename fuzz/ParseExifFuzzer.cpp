// Feeds arbitrary bytes to the EXIF parser as the payload of an APP1 section.
#include <cstdint>
#include <cstring>
#include <memory>

#include "metadata/ExifParser.h"

namespace {

// The section's 16-bit length field counts its own two bytes.
constexpr std::size_t kMaxPayload = 0xFFFF - 2;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxPayload)
        return 0;
    // An exactly sized, writable copy: the parser trims the user comment in place.
    std::unique_ptr<unsigned char[]> payload(new unsigned char[size]);
    if (size > 0)
        std::memcpy(payload.get(), data, size);
    ImageInfo info {};
    char errorText[kErrorTextSize] = {};
    ExifParser parser(info, errorText);
    parser.ParseExif(payload.get(), static_cast<int>(size + 2));

    Check(std::strlen(errorText) < kErrorTextSize);
    Check(std::strlen(info.exifVersion) < sizeof info.exifVersion);
    Check(std::strlen(info.make) < sizeof info.make);
    Check(std::strlen(info.model) < sizeof info.model);
    Check(std::strlen(info.dateTimeOriginal) < sizeof info.dateTimeOriginal);
    Check(std::strlen(info.comment) < 200);
    Check(info.orientation >= 0 && info.orientation <= 8);
    Check(info.flashFired == 0 || info.flashFired == 1);
    if (info.thumbnail != nullptr) {
        Check(info.thumbnail > payload.get() + 6 && info.thumbnailSize > 0);
        Check(info.thumbnail + info.thumbnailSize <= payload.get() + size);
    }
    return 0;
}
