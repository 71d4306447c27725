#include "engine/PlaceFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// The table image, put into the program by the generated source of the build.
const unsigned char* PlaceTableData();
std::size_t PlaceTableSize();

namespace {

constexpr char kMagic[8] = {'Q', 'M', 'P', 'L', 'A', 'C', 'E', '1'};
constexpr std::size_t kHeaderBytes = 8 + 4 * 4 + 16;
constexpr std::size_t kPlaceBytes = 16;
constexpr std::uint16_t kNoRegion = 0xFFFF;
constexpr double kEarthRadiusKm = 6371.0088;
constexpr double kPi = 3.14159265358979323846;

std::uint32_t Get32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Get16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void UnitVector(double latitude, double longitude, double (&v)[3])
{
    const double la = latitude * kPi / 180, lo = longitude * kPi / 180;
    v[0] = std::cos(la) * std::cos(lo);
    v[1] = std::cos(la) * std::sin(lo);
    v[2] = std::sin(la);
}

// The straight-line distance through the earth, squared on the unit sphere, that spans km along it.
double ChordSquared(double km)
{
    const double chord = 2 * std::sin(std::fmin(km / kEarthRadiusKm, kPi) / 2);
    return chord * chord;
}

}  // namespace

bool PlaceTable::Load(const unsigned char* data, std::size_t size, std::string& error)
{
    places_.clear();
    regions_.clear();
    countries_.clear();
    if (size < kHeaderBytes || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        error = "not a place table";
        return false;
    }
    const std::uint64_t placeCount = Get32(data + 8), regionCount = Get32(data + 12),
                        countryCount = Get32(data + 16), textBytes = Get32(data + 20);
    const std::uint64_t expected =
            kHeaderBytes + placeCount * (kPlaceBytes + 1) + (regionCount + countryCount) * 4 + textBytes;
    // Every name ends in a NUL, so a name read at any offset below textBytes ends inside the text.
    if (expected != size || data[size - 1] != '\0') {
        error = "the place table's size does not match its counts";
        return false;
    }
    const unsigned char* place = data + kHeaderBytes;
    const unsigned char* axes = place + placeCount * kPlaceBytes;
    const unsigned char* regionOffsets = axes + placeCount;
    const unsigned char* countryOffsets = regionOffsets + regionCount * 4;
    text_ = reinterpret_cast<const char*>(countryOffsets + countryCount * 4);
    for (std::uint64_t i = 0; i < regionCount + countryCount; ++i) {
        const std::uint32_t offset = Get32(regionOffsets + i * 4);
        if (offset >= textBytes) {
            error = "a region or country name lies outside the place table";
            return false;
        }
        (i < regionCount ? regions_ : countries_).push_back(offset);
    }
    places_.reserve(static_cast<std::size_t>(placeCount));
    for (std::uint64_t i = 0; i < placeCount; ++i, place += kPlaceBytes) {
        const double latitude = static_cast<std::int32_t>(Get32(place)) / 1e5;
        const double longitude = static_cast<std::int32_t>(Get32(place + 4)) / 1e5;
        Node node {};
        node.name = Get32(place + 8);
        node.region = Get16(place + 12);
        node.country = Get16(place + 14);
        node.axis = axes[i];
        if (std::fabs(latitude) > 90 || std::fabs(longitude) > 180 || node.name >= textBytes ||
            (node.region != kNoRegion && node.region >= regionCount) || node.country >= countryCount ||
            node.axis > 2) {
            error = "place " + std::to_string(i) + " of the place table is damaged";
            places_.clear();
            return false;
        }
        double v[3];
        UnitVector(latitude, longitude, v);
        node.x = static_cast<float>(v[0]);
        node.y = static_cast<float>(v[1]);
        node.z = static_cast<float>(v[2]);
        places_.push_back(node);
    }
    const char* date = reinterpret_cast<const char*>(data + 24);
    dataDate_.assign(date, static_cast<std::size_t>(std::find(date, date + 16, '\0') - date));
    size_ = size;
    return true;
}

void PlaceTable::Search(std::size_t lo, std::size_t hi, const double (&q)[3], std::size_t& best,
                        double& best2) const
{
    // Each call takes the near side of a halved range: the recursion is as deep as the tree (18
    // levels for 200,000 places).
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const Node& node = places_[mid];
        const double p[3] = {node.x, node.y, node.z};
        const double d2 =
                (p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]);
        if (d2 < best2) {
            best2 = d2;
            best = mid;
        }
        const double diff = q[node.axis] - p[node.axis];
        // The near side first, so that the best place so far is near when the far side is
        // weighed; the far side only while the splitting plane is nearer than that place.
        if (diff < 0) {
            Search(lo, mid, q, best, best2);
            lo = mid + 1;
        } else {
            Search(mid + 1, hi, q, best, best2);
            hi = mid;
        }
        if (diff * diff >= best2)
            return;
    }
}

std::optional<FoundPlace> PlaceTable::Nearest(const GeoPosition& position, double maxKm) const
{
    if (!IsUsablePosition(position))
        return std::nullopt;
    double q[3];
    UnitVector(position.latitude, position.longitude, q);
    std::size_t best = places_.size();
    double best2 = ChordSquared(maxKm);
    Search(0, places_.size(), q, best, best2);
    if (best == places_.size())
        return std::nullopt;
    const Node& node = places_[best];
    FoundPlace found;
    found.town = Text(node.name);
    found.country = Text(countries_[node.country]);
    found.region = node.region == kNoRegion ? found.country : Text(regions_[node.region]);
    found.distanceKm = 2 * kEarthRadiusKm * std::asin(std::fmin(1.0, std::sqrt(best2) / 2));
    return found;
}

const PlaceTable& BundledPlaces()
{
    static const PlaceTable table = [] {
        PlaceTable loaded;
        std::string error;
        loaded.Load(PlaceTableData(), PlaceTableSize(), error);
        return loaded;
    }();
    return table;
}

std::string PlaceTableText()
{
    const PlaceTable& table = BundledPlaces();
    char text[96];
    std::snprintf(text, sizeof text, "%lu places (%lu KB), data of ",
                  static_cast<unsigned long>(table.PlaceCount()),
                  static_cast<unsigned long>(table.Bytes() / 1024));
    return text + table.DataDate();
}

std::optional<FoundPlace> FindPlace(const GeoPosition& position)
{
    return BundledPlaces().Nearest(position);
}

PlaceNames PlaceNamesAt(const std::optional<GeoPosition>& position)
{
    PlaceNames names;
    if (!position) {
        names.description = std::string(kUnknownPlace) + " (no position)";
        return names;
    }
    const auto place = FindPlace(*position);
    if (!place) {
        char text[96];
        std::snprintf(text, sizeof text, " (nothing within %.0f km of %.5f, %.5f)", kMaxPlaceDistanceKm,
                      position->latitude, position->longitude);
        names.description = kUnknownPlace + std::string(text);
        return names;
    }
    return {place->country, place->region, place->town, PlaceDescription(*place)};
}

std::string PlaceDescription(const FoundPlace& place)
{
    char distance[32];
    std::snprintf(distance, sizeof distance, " (%.1f km)", place.distanceKm);
    std::string text = place.town + ", ";
    if (place.region != place.country)
        text += place.region + ", ";
    return text + place.country + distance;
}
