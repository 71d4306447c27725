// Positions and the texts files write them in.
#include <gtest/gtest.h>

#include <cmath>

#include "base/GeoPosition.h"

namespace {

TEST(GeoPositionTest, UsablePositions)
{
    EXPECT_TRUE(IsUsablePosition({48.57, 7.81}));
    EXPECT_TRUE(IsUsablePosition({-90, 180}));
    EXPECT_TRUE(IsUsablePosition({0, 0.0001}));
    EXPECT_TRUE(IsUsablePosition({0.0001, 0}));
    EXPECT_FALSE(IsUsablePosition({0, 0}));
    EXPECT_FALSE(IsUsablePosition({90.0001, 0}));
    EXPECT_FALSE(IsUsablePosition({-90.0001, 0}));
    EXPECT_FALSE(IsUsablePosition({10, 180.0001}));
    EXPECT_FALSE(IsUsablePosition({10, -180.0001}));
    EXPECT_FALSE(IsUsablePosition({std::nan(""), 10}));
    EXPECT_FALSE(IsUsablePosition({10, INFINITY}));
}

TEST(GeoPositionTest, DistanceAlongTheSphere)
{
    EXPECT_NEAR(DistanceKm({48.5730, 7.8152}, {48.5839, 7.7455}), 5.27, 0.01);
    // A quarter of the equator, and from pole to pole.
    EXPECT_NEAR(DistanceKm({0, 0}, {0, 90}), 10007.5, 0.1);
    EXPECT_NEAR(DistanceKm({90, 0}, {-90, 0}), 20015.1, 0.1);
    // Across the date line the short way.
    EXPECT_NEAR(DistanceKm({0, 179.5}, {0, -179.5}), 111.2, 0.1);
}

TEST(GeoPositionTest, MetadataToolDegrees)
{
    const auto value = ParseCoordinateText("48 deg 34' 22.80\" N", 'N', 'S', 90);
    ASSERT_TRUE(value);
    EXPECT_NEAR(*value, 48.573, 1e-9);
    const auto west = ParseCoordinateText("7 deg 48' 54.72\" W", 'E', 'W', 180);
    ASSERT_TRUE(west);
    EXPECT_NEAR(*west, -7.8152, 1e-9);
    // Without a hemisphere letter the value counts as positive.
    EXPECT_NEAR(*ParseCoordinateText("33 deg 52' 7.68\"", 'N', 'S', 90), 33.8688, 1e-9);
}

TEST(GeoPositionTest, XmpDegreesAndMinutes)
{
    EXPECT_NEAR(*ParseCoordinateText("48,34.38N", 'N', 'S', 90), 48.573, 1e-9);
    EXPECT_NEAR(*ParseCoordinateText("33,52.128S", 'N', 'S', 90), -33.8688, 1e-9);
    EXPECT_NEAR(*ParseCoordinateText("7,48,54.72E", 'E', 'W', 180), 7.8152, 1e-9);
    EXPECT_NEAR(*ParseCoordinateText("151,12,33.48W", 'E', 'W', 180), -151.2093, 1e-9);
}

TEST(GeoPositionTest, DecimalDegrees)
{
    EXPECT_NEAR(*ParseCoordinateText("-33.8688", 'N', 'S', 90), -33.8688, 1e-12);
    EXPECT_NEAR(*ParseCoordinateText("+151.2093", 'E', 'W', 180), 151.2093, 1e-12);
    EXPECT_NEAR(*ParseCoordinateText(" 12.5 S ", 'N', 'S', 90), -12.5, 1e-12);
}

TEST(GeoPositionTest, CoordinatesOutsideTheirRangeOrMalformedGiveNothing)
{
    EXPECT_FALSE(ParseCoordinateText("90.5", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("180.01 E", 'E', 'W', 180));
    EXPECT_FALSE(ParseCoordinateText("48 deg 60' 0.00\" N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48 deg 30' 60.00\" N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48,61.0N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48 deg 30 N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48 deg 30' 10 N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48,N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48,30,N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48.5 E", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("-48.5 S", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("48.5 N x", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("N", 'N', 'S', 90));
    EXPECT_FALSE(ParseCoordinateText("1234567890123456", 'N', 'S', 90));
}

TEST(GeoPositionTest, PositionLines)
{
    const auto position = ParsePositionText("48 deg 34' 22.80\" N, 7 deg 48' 54.72\" E");
    ASSERT_TRUE(position);
    EXPECT_NEAR(position->latitude, 48.573, 1e-9);
    EXPECT_NEAR(position->longitude, 7.8152, 1e-9);
    const auto withAltitude =
            ParsePositionText("33 deg 52' 7.68\" S, 151 deg 12' 33.48\" E, 12 m Above Sea Level");
    ASSERT_TRUE(withAltitude);
    EXPECT_NEAR(withAltitude->latitude, -33.8688, 1e-9);
    EXPECT_NEAR(withAltitude->longitude, 151.2093, 1e-9);
    EXPECT_FALSE(ParsePositionText("48 deg 34' 22.80\" N"));
    EXPECT_FALSE(ParsePositionText("48 deg 34' 22.80\" E, 7 deg 48' 54.72\" N"));
    EXPECT_FALSE(ParsePositionText("48 deg 34' 22.80\" N, 7 deg 48' 54.72\" Q"));
}

TEST(GeoPositionTest, Iso6709Points)
{
    auto p = ParseIso6709("+48.5730+007.8152+140.000/");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, 48.573, 1e-9);
    EXPECT_NEAR(p->longitude, 7.8152, 1e-9);
    p = ParseIso6709("-33.8688+151.2093/");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, -33.8688, 1e-9);
    EXPECT_NEAR(p->longitude, 151.2093, 1e-9);
    p = ParseIso6709("+64.1466-021.9426");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->longitude, -21.9426, 1e-9);
    // Degrees and minutes, and degrees, minutes and seconds.
    p = ParseIso6709("+4834.38+00748.912/");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, 48.573, 1e-9);
    EXPECT_NEAR(p->longitude, 7.8152, 1e-9);
    p = ParseIso6709("-335207.68+1511233.48CRSWGS_84/");
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->latitude, -33.8688, 1e-9);
    EXPECT_NEAR(p->longitude, 151.2093, 1e-9);
}

TEST(GeoPositionTest, Iso6709PointsThatAreNotGiveNothing)
{
    EXPECT_FALSE(ParseIso6709(""));
    EXPECT_FALSE(ParseIso6709("48.5730+007.8152/"));  // no sign
    EXPECT_FALSE(ParseIso6709("+48.5730/"));  // no longitude
    EXPECT_FALSE(ParseIso6709("+48.5730+07.8152/"));  // two longitude digits
    EXPECT_FALSE(ParseIso6709("+948.5730+007.8152/"));  // three latitude digits
    EXPECT_FALSE(ParseIso6709("+91.0000+007.8152/"));
    EXPECT_FALSE(ParseIso6709("+48.5730+181.0000/"));
    EXPECT_FALSE(ParseIso6709("+4860.00+00748.91/"));  // 60 minutes
    EXPECT_FALSE(ParseIso6709("+483460.0+0074800.0/"));  // 60 seconds
    EXPECT_FALSE(ParseIso6709("+48.5730+007.8152+/"));  // a sign without an altitude
    EXPECT_FALSE(ParseIso6709("+48.5730+007.8152/x"));
    EXPECT_FALSE(ParseIso6709("+48.5730+007.8152 "));
}

}  // namespace
