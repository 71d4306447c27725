// The built-in place table through the portable lookup: known answers on every continent, both
// hemispheres, both sides of a border, islands, the open sea; and damaged tables refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/PlaceFinder.h"

// The table image built into this program.
const unsigned char* PlaceTableData();
std::size_t PlaceTableSize();

namespace {

struct Known {
    double latitude, longitude;
    const char* town;
    const char* region;
    const char* country;
};

const Known kKnown[] = {
        {50.0614, 19.9366, "Kraków", "Lesser Poland", "Poland"},
        {47.3769, 8.5417, "Zürich", "Zürich", "Switzerland"},
        {-23.5505, -46.6333, "São Paulo", "São Paulo", "Brazil"},
        {-33.8688, 151.2093, "Sydney", "New South Wales", "Australia"},
        // Both sides of the Rhine: each town is named by itself, not by the bigger city.
        {48.5730, 7.8152, "Kehl", "Baden-Württemberg", "Germany"},
        {48.5839, 7.7455, "Strasbourg", "Grand Est", "France"},
        // Every continent, north and south of the equator, east and west of Greenwich.
        {35.6812, 139.7671, "Tokyo", "Tokyo", "Japan"},
        {-6.2088, 106.8456, "Jakarta", "Jakarta", "Indonesia"},
        {30.0626, 31.2497, "Cairo", "Cairo", "Egypt"},
        {-1.2864, 36.8172, "Nairobi", "Nairobi County", "Kenya"},
        {-33.9249, 18.4241, "Cape Town", "Western Cape", "South Africa"},
        {40.7128, -74.0060, "New York City", "New York", "United States"},
        {61.2181, -149.9003, "Anchorage", "Alaska", "United States"},
        {10.4806, -66.9036, "Caracas", "Distrito Federal", "Venezuela"},
        {-0.22985, -78.52495, "Quito", "Pichincha", "Ecuador"},
        {-34.6037, -58.3816, "Buenos Aires", "Buenos Aires F.D.", "Argentina"},
        {-54.8019, -68.3030, "Ushuaia", "Tierra del Fuego", "Argentina"},
        {-41.2865, 174.7762, "Wellington", "Wellington Region", "New Zealand"},
        {-77.846, 166.676, "McMurdo Station", "Antarctica", "Antarctica"},
        // Islands far from anything else, atolls in the Pacific among them.
        {64.1466, -21.9426, "Reykjavík", "Capital Region", "Iceland"},
        {21.3069, -157.8583, "Honolulu", "Hawaii", "United States"},
        {-27.1500, -109.4300, "Hanga Roa", "Valparaíso", "Chile"},
        {-8.5211, 179.1983, "Funafuti", "Funafuti", "Tuvalu"},
        {7.0897, 171.3803, "Majuro", "Majuro Atoll", "Marshall Islands"},
        {78.2232, 15.6267, "Longyearbyen", "Svalbard", "Svalbard and Jan Mayen"},
        // Places without a first-level division take the country's name there.
        {1.2903, 103.8519, "Singapore", "Singapore", "Singapore"},
        {69.6492, 18.9553, "Tromsø", "Norway", "Norway"},
};

TEST(PlaceFinderTest, KnownPositionsNameTheirPlace)
{
    for (const Known& known : kKnown) {
        SCOPED_TRACE(known.town);
        const auto place = FindPlace({known.latitude, known.longitude});
        ASSERT_TRUE(place.has_value());
        EXPECT_EQ(place->town, known.town);
        EXPECT_EQ(place->region, known.region);
        EXPECT_EQ(place->country, known.country);
        EXPECT_LT(place->distanceKm, 7.0);
    }
}

TEST(PlaceFinderTest, RegionsInTheirOwnSpellingWhereTheNamesAgree)
{
    // GeoNames writes these without their accents; the ISO list's spelling is the same letters.
    EXPECT_EQ(FindPlace({48.5730, 7.8152})->region, "Baden-Württemberg");
    EXPECT_EQ(FindPlace({56.9496, 24.1052})->region, "Rīga");
    EXPECT_EQ(FindPlace({-31.4201, -64.1888})->region, "Córdoba");
    EXPECT_EQ(FindPlace({41.0082, 28.9784})->region, "İstanbul");
    // Accented in GeoNames already.
    EXPECT_EQ(FindPlace({48.8566, 2.3522})->region, "Île-de-France");
    // English names that are no spelling of the local one stay English.
    EXPECT_EQ(FindPlace({48.1372, 11.5755})->region, "Bavaria");
    EXPECT_EQ(FindPlace({50.0614, 19.9366})->region, "Lesser Poland");
    // A country of another script keeps GeoNames' name, not a scholarly romanization.
    EXPECT_EQ(FindPlace({34.5553, 69.2075})->region, "Kabul");
}

TEST(PlaceFinderTest, TheSearchCrossesTheDateLine)
{
    // Labasa lies at 179.36 E; a position at 179.9 W is 78 km east of it.
    const auto place = BundledPlaces().Nearest({-16.43, -179.9}, 100);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->town, "Labasa");
    EXPECT_EQ(place->country, "Fiji");
    EXPECT_NEAR(place->distanceKm, 78.4, 0.1);
}

TEST(PlaceFinderTest, TheTreeFindsWhatATownByTownSearchFinds)
{
    // Every place of the table image, read as the table's builder wrote it.
    const unsigned char* data = PlaceTableData();
    std::uint32_t count;
    std::memcpy(&count, data + 8, 4);
    std::vector<GeoPosition> towns(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t latitude, longitude;
        std::memcpy(&latitude, data + 40 + i * 16, 4);
        std::memcpy(&longitude, data + 44 + i * 16, 4);
        towns[i] = {latitude / 1e5, longitude / 1e5};
    }
    // Positions in densely and thinly settled land, where many splitting planes lie near.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> latitude(35, 60), longitude(-10, 40);
    for (int round = 0; round < 100; ++round) {
        const GeoPosition at {latitude(random), longitude(random)};
        double nearest = 1e9;
        for (const GeoPosition& town : towns)
            nearest = std::fmin(nearest, DistanceKm(at, town));
        const auto found = BundledPlaces().Nearest(at, 1000);
        ASSERT_TRUE(found) << at.latitude << ", " << at.longitude;
        EXPECT_NEAR(found->distanceKm, nearest, 0.001) << at.latitude << ", " << at.longitude;
    }
}

TEST(PlaceFinderTest, AtSeaNearTheCoastTheCoastsTownIsNamed)
{
    // 26 km out from La Ciotat, in the Mediterranean.
    const auto place = FindPlace({43.0, 5.4});
    ASSERT_TRUE(place);
    EXPECT_EQ(place->town, "La Ciotat");
    EXPECT_EQ(place->country, "France");
    EXPECT_NEAR(place->distanceKm, 25.56, 0.05);
}

TEST(PlaceFinderTest, TheDistanceIsToTheTownsCentre)
{
    // 2.2 km east of Strasbourg's centre (48.58392, 7.74553 in the table), 3.2 km from Kehl's.
    const auto place = FindPlace({48.58392, 7.7755});
    ASSERT_TRUE(place);
    EXPECT_EQ(place->town, "Strasbourg");
    EXPECT_NEAR(place->distanceKm, 2.2, 0.02);
    EXPECT_NEAR(DistanceKm({48.58392, 7.74553}, {48.58392, 7.7755}), place->distanceKm, 0.01);
}

TEST(PlaceFinderTest, NoPlaceAtSeaNorAtZeroZeroNorOutsideTheEarth)
{
    EXPECT_FALSE(FindPlace({30, -40}));  // the middle of the Atlantic
    EXPECT_FALSE(FindPlace({54.5, 4.0}));  // the North Sea, 150 km from land
    EXPECT_FALSE(FindPlace({-34.0, 151.6}));  // 39 km off Sydney
    EXPECT_FALSE(FindPlace({0, 0}));  // what a device without a fix writes
    EXPECT_FALSE(FindPlace({91, 0}));
    EXPECT_FALSE(FindPlace({0.001, 181}));
    EXPECT_FALSE(FindPlace({std::nan(""), 10}));
}

TEST(PlaceFinderTest, TheTagsOfNoPositionZeroZeroAndTheOpenSeaAreAnUnknownPlace)
{
    const PlaceNames none = PlaceNamesAt(std::nullopt);
    EXPECT_EQ(none.description, "Unknown place (no position)");
    const PlaceNames zero = PlaceNamesAt(GeoPosition {0, 0});
    EXPECT_EQ(zero.description, "Unknown place (nothing within 30 km of 0.00000, 0.00000)");
    const PlaceNames sea = PlaceNamesAt(GeoPosition {-20, -120});  // the South Pacific
    EXPECT_EQ(sea.description, "Unknown place (nothing within 30 km of -20.00000, -120.00000)");
    for (const PlaceNames& unknown : {none, zero, sea}) {
        EXPECT_TRUE(unknown.town.empty());
        EXPECT_TRUE(unknown.region.empty());
        EXPECT_TRUE(unknown.country.empty());
    }
    const PlaceNames kehl = PlaceNamesAt(GeoPosition {48.5730, 7.8152});
    EXPECT_EQ(kehl.town, "Kehl");
    EXPECT_EQ(kehl.region, "Baden-Württemberg");
    EXPECT_EQ(kehl.country, "Germany");
    EXPECT_EQ(kehl.description, "Kehl, Baden-Württemberg, Germany (0.0 km)");
}

TEST(PlaceFinderTest, TheLimitIsTheOneAsked)
{
    const auto far = BundledPlaces().Nearest({-34.0, 151.6}, 50);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->town, "Sydney");
    EXPECT_GT(far->distanceKm, kMaxPlaceDistanceKm);
    EXPECT_FALSE(BundledPlaces().Nearest({43.0, 5.4}, 20));
}

TEST(PlaceFinderTest, TheTableIsWholeAndDated)
{
    const PlaceTable& table = BundledPlaces();
    EXPECT_GT(table.PlaceCount(), 150000u);
    EXPECT_EQ(table.Bytes(), PlaceTableSize());
    ASSERT_EQ(table.DataDate().size(), 10u);
    EXPECT_GE(table.DataDate(), "2023-01-01");
}

TEST(PlaceFinderTest, DescriptionNamesRegionOnceAndDistance)
{
    EXPECT_EQ(PlaceDescription({"Kehl", "Baden-Württemberg", "Germany", 1.24}),
              "Kehl, Baden-Württemberg, Germany (1.2 km)");
    EXPECT_EQ(PlaceDescription({"Singapore", "Singapore", "Singapore", 0.2}),
              "Singapore, Singapore (0.2 km)");
}

// A copy of the built-in table to damage.
class DamagedTableTest : public ::testing::Test {
protected:
    std::vector<unsigned char> image {PlaceTableData(), PlaceTableData() + PlaceTableSize()};

    std::uint32_t Count(std::size_t at) const
    {
        std::uint32_t value;
        std::memcpy(&value, image.data() + at, 4);
        return value;
    }
    void Put32(std::size_t at, std::uint32_t value) { std::memcpy(image.data() + at, &value, 4); }
    bool Loads()
    {
        PlaceTable table;
        std::string error;
        const bool loaded = table.Load(image.data(), image.size(), error);
        EXPECT_EQ(loaded, error.empty());
        EXPECT_EQ(table.PlaceCount() != 0, loaded);
        return loaded;
    }
    std::size_t PlaceAt(std::size_t i) const { return 40 + i * 16; }
    std::size_t AxesAt() const { return 40 + Count(8) * 16; }
    std::size_t RegionsAt() const { return AxesAt() + Count(8); }
};

TEST_F(DamagedTableTest, TheIntactCopyLoads)
{
    EXPECT_TRUE(Loads());
}

TEST_F(DamagedTableTest, AnotherMagicIsRefused)
{
    image[7] = '2';
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, AShortImageIsRefused)
{
    image.resize(20);
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, CountsThatDoNotAddUpAreRefused)
{
    Put32(8, Count(8) + 1);
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, TextWithoutItsLastNulIsRefused)
{
    image.back() = 'x';
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, ANameOutsideTheTextIsRefused)
{
    Put32(PlaceAt(5) + 8, Count(20));
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, ARegionNameOutsideTheTextIsRefused)
{
    Put32(RegionsAt() + 4, Count(20) + 3);
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, AnUnknownRegionOrCountryIsRefused)
{
    const std::uint32_t regions = Count(12);
    image[PlaceAt(7) + 12] = static_cast<unsigned char>(regions & 0xFF);
    image[PlaceAt(7) + 13] = static_cast<unsigned char>(regions >> 8);
    EXPECT_FALSE(Loads());
    image = {PlaceTableData(), PlaceTableData() + PlaceTableSize()};
    const std::uint32_t countries = Count(16);
    image[PlaceAt(9) + 14] = static_cast<unsigned char>(countries & 0xFF);
    image[PlaceAt(9) + 15] = static_cast<unsigned char>(countries >> 8);
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, ACoordinateOutOfRangeIsRefused)
{
    Put32(PlaceAt(3), 9000001);
    EXPECT_FALSE(Loads());
    image = {PlaceTableData(), PlaceTableData() + PlaceTableSize()};
    Put32(PlaceAt(3) + 4, static_cast<std::uint32_t>(-18000001));
    EXPECT_FALSE(Loads());
}

TEST_F(DamagedTableTest, AnUnknownAxisIsRefused)
{
    image[AxesAt() + 11] = 3;
    EXPECT_FALSE(Loads());
}

}  // namespace
