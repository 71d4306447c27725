#include "metadata/ExifFields.h"

#include <cstring>
#include <string>

namespace {

template <std::size_t N> void CopyText(char (&field)[N], const std::string& text)
{
    static_assert(N > 0);
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// The main image's orientation; the thumbnail's only when the main image gives none. 1 to 8,
// else 0.
int Orientation(const metaprobe::ImageFacts& facts)
{
    const auto& given = facts.mainOrientation.present ? facts.mainOrientation : facts.thumbnailOrientation;
    if (!given.present || !(given.number >= 1 && given.number < 9))
        return 0;
    return static_cast<int>(given.number);
}

}  // namespace

void TakeExifFields(const metaprobe::ImageFacts& facts, bool exifRead, ImageInfo& info)
{
    // A first directory that could not be read whole gives no EXIF fields: its entries after
    // the damage are unknown.
    info.exifParsed = exifRead && facts.firstDirectoryRead;
    CopyText(info.model, facts.model);
    CopyText(info.bodySerial, facts.bodySerial);
    info.orientation = Orientation(facts);
    if (facts.latitude.present && facts.longitude.present) {
        info.gpsLatitude = facts.latitude.ref == 'S' ? -facts.latitude.degrees : facts.latitude.degrees;
        info.gpsLongitude = facts.longitude.ref == 'W' ? -facts.longitude.degrees : facts.longitude.degrees;
        info.hasGpsPosition = true;
    }
    if (facts.thumbnailOffset > 0 && facts.thumbnailLength > 0) {
        info.thumbnailOffset = facts.thumbnailOffset;
        info.thumbnailLength = facts.thumbnailLength;
    }
}
