#include "metadata/FilePosition.h"

#include <string>

namespace {

std::optional<GeoPosition> Usable(const std::optional<GeoPosition>& position)
{
    if (!position || !IsUsablePosition(*position))
        return std::nullopt;
    return position;
}

const std::string* Value(const std::vector<MetaField>& fields, const char* name)
{
    for (const MetaField& field : fields)
        if (field.name == name && !field.value.empty())
            return &field.value;
    return nullptr;
}

}  // namespace

std::optional<GeoPosition> PositionFromJpeg(const ImageInfo& info)
{
    if (info.hasGpsPosition)
        return Usable(GeoPosition {info.gpsLatitude, info.gpsLongitude});
    if (info.hasXmpPosition)
        return Usable(GeoPosition {info.xmpLatitude, info.xmpLongitude});
    return std::nullopt;
}

std::optional<GeoPosition> PositionFromListing(const std::vector<MetaField>& fields)
{
    if (const std::string* position = Value(fields, "GPS Position"))
        return Usable(ParsePositionText(*position));
    const std::string* latitude = Value(fields, "GPS Latitude");
    const std::string* longitude = Value(fields, "GPS Longitude");
    if (latitude != nullptr && longitude != nullptr) {
        const auto lat = ParseCoordinateText(*latitude, 'N', 'S', 90);
        const auto lon = ParseCoordinateText(*longitude, 'E', 'W', 180);
        if (lat && lon)
            return Usable(GeoPosition {*lat, *lon});
    }
    if (const std::string* coordinates = Value(fields, "GPS Coordinates"))
        return Usable(ParsePositionText(*coordinates));
    return std::nullopt;
}
