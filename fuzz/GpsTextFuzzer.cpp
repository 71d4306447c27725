// Reads positions from arbitrary text in each form files write them (the metadata tool's
// degrees, XMP's degrees and minutes, ISO 6709) and names the nearest place of each; whatever is
// read must be a position within the earth's ranges, and a place found must lie within reach.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/GeoPosition.h"
#include "engine/PlaceFinder.h"

namespace {

void Check(const std::optional<GeoPosition>& position)
{
    if (!position)
        return;
    if (!std::isfinite(position->latitude) || !std::isfinite(position->longitude) ||
        std::fabs(position->latitude) > 90 || std::fabs(position->longitude) > 180)
        std::abort();
    if (const auto place = FindPlace(*position)) {
        if (!(place->distanceKm <= kMaxPlaceDistanceKm + 1e-6) || place->town.empty() ||
            place->country.empty())
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    for (const double limit : {90.0, 180.0}) {
        if (const auto value = ParseCoordinateText(text, 'N', 'S', limit)) {
            if (!std::isfinite(*value) || std::fabs(*value) > limit)
                std::abort();
        }
    }
    Check(ParsePositionText(text));
    Check(ParseIso6709(text));
    return 0;
}
