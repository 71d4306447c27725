// The built-in place table through the portable lookup: known answers on every continent, both
// hemispheres, both sides of a border, islands, the open sea; and damaged tables refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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
        {47.3769, 8.5417, "Zürich", "Zurich", "Switzerland"},
        {-23.5505, -46.6333, "São Paulo", "São Paulo", "Brazil"},
        {64.1466, -21.9426, "Reykjavík", "Capital Region", "Iceland"},
        {-33.8688, 151.2093, "Sydney", "New South Wales", "Australia"},
        // Both sides of the Rhine: each town is named by itself, not by the bigger city.
        {48.5730, 7.8152, "Kehl", "Baden-Wurttemberg", "Germany"},
        {48.5839, 7.7455, "Strasbourg", "Grand Est", "France"},
        {35.6812, 139.7671, "Tokyo", "Tokyo", "Japan"},
        {-1.2864, 36.8172, "Nairobi", "Nairobi County", "Kenya"},
        {-33.9249, 18.4241, "Cape Town", "Western Cape", "South Africa"},
        {40.7128, -74.0060, "New York City", "New York", "United States"},
        {-34.6037, -58.3816, "Buenos Aires", "Buenos Aires F.D.", "Argentina"},
        // Islands far from anything else.
        {21.3069, -157.8583, "Honolulu", "Hawaii", "United States"},
        {-27.1500, -109.4300, "Hanga Roa", "Valparaiso", "Chile"},
        // Places without a first-level division take the country's name there.
        {1.2903, 103.8519, "Singapore", "Singapore", "Singapore"},
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
    EXPECT_EQ(PlaceDescription({"Kehl", "Baden-Wurttemberg", "Germany", 1.24}),
              "Kehl, Baden-Wurttemberg, Germany (1.2 km)");
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
