// Where a file was taken, from the JPEG reader's record and from the metadata tool's listing.
#include <gtest/gtest.h>

#include "metadata/FilePosition.h"

namespace {

TEST(FilePosition, JpegExifBeforeXmp)
{
    ImageInfo info {};
    EXPECT_FALSE(PositionFromJpeg(info));
    info.hasXmpPosition = true;
    info.xmpLatitude = -33.8688;
    info.xmpLongitude = 151.2093;
    EXPECT_EQ(PositionFromJpeg(info), (GeoPosition {-33.8688, 151.2093}));
    info.hasGpsPosition = true;
    info.gpsLatitude = 48.573;
    info.gpsLongitude = 7.8152;
    EXPECT_EQ(PositionFromJpeg(info), (GeoPosition {48.573, 7.8152}));
}

TEST(FilePosition, JpegAtZeroZeroOrOutOfRangeIsNone)
{
    ImageInfo info {};
    info.hasGpsPosition = true;
    EXPECT_FALSE(PositionFromJpeg(info));
    info.gpsLatitude = 95;
    info.gpsLongitude = 10;
    EXPECT_FALSE(PositionFromJpeg(info));
    ImageInfo xmp {};
    xmp.hasXmpPosition = true;
    EXPECT_FALSE(PositionFromJpeg(xmp));
}

TEST(FilePosition, ListingGpsPositionFirst)
{
    const auto position = PositionFromListing({
            {"GPS Latitude", "1 deg 0' 0.00\" N"},
            {"GPS Longitude", "1 deg 0' 0.00\" E"},
            {"GPS Position", "48 deg 34' 22.80\" N, 7 deg 48' 54.72\" E"},
            {"GPS Coordinates", "2 deg 0' 0.00\" N, 2 deg 0' 0.00\" E"},
    });
    ASSERT_TRUE(position);
    EXPECT_NEAR(position->latitude, 48.573, 1e-9);
    EXPECT_NEAR(position->longitude, 7.8152, 1e-9);
}

TEST(FilePosition, ListingLatitudeAndLongitudeThenCoordinates)
{
    const auto pair = PositionFromListing({
            {"GPS Latitude", "33 deg 52' 7.68\" S"},
            {"GPS Longitude", "151 deg 12' 33.48\" E"},
            {"GPS Coordinates", "2 deg 0' 0.00\" N, 2 deg 0' 0.00\" E"},
    });
    ASSERT_TRUE(pair);
    EXPECT_NEAR(pair->latitude, -33.8688, 1e-9);
    EXPECT_NEAR(pair->longitude, 151.2093, 1e-9);

    // A latitude alone, or one unreadable, gives way to the video's coordinates.
    for (const char* longitude : {"", "151 deg E"}) {
        const auto video = PositionFromListing({
                {"GPS Latitude", "33 deg 52' 7.68\" S"},
                {"GPS Longitude", longitude},
                {"GPS Coordinates", "64 deg 8' 47.76\" N, 21 deg 56' 33.36\" W"},
        });
        ASSERT_TRUE(video) << longitude;
        EXPECT_NEAR(video->latitude, 64.1466, 1e-9);
        EXPECT_NEAR(video->longitude, -21.9426, 1e-9);
    }
}

TEST(FilePosition, ListingWithoutAUsablePositionIsNone)
{
    EXPECT_FALSE(PositionFromListing({}));
    EXPECT_FALSE(PositionFromListing({{"GPS Position", "0 deg 0' 0.00\" N, 0 deg 0' 0.00\" E"}}));
    EXPECT_FALSE(PositionFromListing({{"GPS Position", "somewhere"}}));
    EXPECT_FALSE(PositionFromListing({{"GPS Latitude", "48 deg 34' 22.80\" N"}}));
    EXPECT_FALSE(PositionFromListing({{"GPS Coordinates", "+48.5730+007.8152/"}}));
}

}  // namespace
