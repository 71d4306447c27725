#include "metadata/JpegName.h"

#include <gtest/gtest.h>

namespace {

TEST(JpegName, JpgAndJpegInAnyCase)
{
    EXPECT_TRUE(IsJpegPath("C:\\photos\\a.jpg"));
    EXPECT_TRUE(IsJpegPath("C:\\photos\\A.JPG"));
    EXPECT_TRUE(IsJpegPath("C:\\photos\\a.JpEg"));
    EXPECT_TRUE(IsJpegPath("a.b.jpeg"));
    EXPECT_TRUE(IsJpegPath(".jpg"));
}

TEST(JpegName, OtherExtensionsAndNoExtension)
{
    EXPECT_FALSE(IsJpegPath("C:\\photos\\a.jpe"));
    EXPECT_FALSE(IsJpegPath("C:\\photos\\a.jfif"));
    EXPECT_FALSE(IsJpegPath("C:\\photos\\a.jpg.tif"));
    EXPECT_FALSE(IsJpegPath("C:\\photos\\a.jpg "));
    EXPECT_FALSE(IsJpegPath("C:\\photos\\jpg"));
    EXPECT_FALSE(IsJpegPath("C:\\photos\\a."));
    EXPECT_FALSE(IsJpegPath(""));
}

TEST(JpegName, OnlyTheFileNamePartCounts)
{
    EXPECT_FALSE(IsJpegPath("C:\\album.jpg\\photo"));
    EXPECT_FALSE(IsJpegPath("C:\\album.jpg\\"));
    EXPECT_TRUE(IsJpegPath("C:\\album.tif\\photo.jpg"));
}

}  // namespace
