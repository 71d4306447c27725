// The nearest populated place to a position, from the place table built into the programs
// (GeoNames' list of places with 500 or more people, its first-level divisions, English country
// names). No system calls: the same code serves the programs, the native tests and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/GeoPosition.h"
#include "engine/PlaceNames.h"

// A place further than this from the nearest town centre in the table is no place: out at sea
// (coastal towns lie within a few kilometres of the shore), or far from any settlement. Town
// centres are points, so a photo at the edge of a town, on a beach or in the countryside between
// villages is often 5 to 15 km from the nearest one; 30 km still names those.
inline constexpr double kMaxPlaceDistanceKm = 30;

// What the data's licence asks every program and document that shows its names to say.
inline constexpr const char* kPlaceAttribution = "Place names from GeoNames (geonames.org), CC BY 4.0";

struct FoundPlace {
    std::string town;  // the place's own spelling, UTF-8
    std::string region;  // its first-level division; the country's name when it has none
    std::string country;  // in English
    double distanceKm = 0;  // from the position to the town's centre
};

class PlaceTable {
public:
    // Reads a table image as cmake/places/make_place_table.py writes it; the data is used in
    // place and must outlive the table. False with a reason for a damaged or foreign image.
    bool Load(const unsigned char* data, std::size_t size, std::string& error);

    // The nearest place within maxKm of a usable position; nothing when none is that near.
    std::optional<FoundPlace> Nearest(const GeoPosition& position, double maxKm = kMaxPlaceDistanceKm) const;

    std::size_t PlaceCount() const { return places_.size(); }
    std::size_t Bytes() const { return size_; }
    // The date of the newest record in the data, "YYYY-MM-DD".
    const std::string& DataDate() const { return dataDate_; }

private:
    struct Node {
        float x, y, z;
        std::uint32_t name;
        std::uint16_t region, country;
        std::uint8_t axis;
    };

    void Search(std::size_t lo, std::size_t hi, const double (&q)[3], std::size_t& best, double& best2) const;
    const char* Text(std::uint32_t offset) const { return text_ + offset; }

    std::vector<Node> places_;
    std::vector<std::uint32_t> regions_, countries_;
    const char* text_ = nullptr;
    std::size_t size_ = 0;
    std::string dataDate_;
};

// The table built into the program, loaded at the first call; empty (every position then names
// no place) if that table were damaged.
const PlaceTable& BundledPlaces();

// "193277 places (5070 KB), data of 2023-03-05": the built-in table as About and --version show it.
std::string PlaceTableText();

// The nearest place in the built-in table; nothing for an unusable position or one too far from
// any place.
std::optional<FoundPlace> FindPlace(const GeoPosition& position);

// The place tags' texts for a position: an unknown place without a position or a place near it;
// the description says which place and how far, or why none: "Unknown place (no position)",
// "Unknown place (nothing within 30 km of 54.50000, 4.00000)".
PlaceNames PlaceNamesAt(const std::optional<GeoPosition>& position);

// "Kehl, Baden-Württemberg, Germany (1.2 km)": the place as lookup --explain and the Meta/EXIF
// window show it.
std::string PlaceDescription(const FoundPlace& place);
