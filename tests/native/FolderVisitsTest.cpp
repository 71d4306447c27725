#include <gtest/gtest.h>

#include "engine/FolderVisits.h"

namespace {

TEST(FolderVisits, AFolderReachedAgainByItsFinalPathIsNotWalkedTwice)
{
    FolderVisits visits;
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\C:\\Photos", 7, 100}));
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\C:\\Photos\\2014", 7, 101}));
    // Through a junction the system gives the folder's own final path, in any case of the drive.
    EXPECT_FALSE(visits.FirstVisit({"\\\\?\\c:\\photos", 7, 100}));
}

TEST(FolderVisits, ZeroOrRepeatedIndexesDoNotMakeSoundFoldersLookLikeLoops)
{
    // A network or ReFS volume: every folder has index zero, or several share one.
    FolderVisits visits;
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\UNC\\server\\share\\a", 5, 0}));
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\UNC\\server\\share\\b", 5, 0}));
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\UNC\\server\\share\\c", 5, 42}));
    EXPECT_TRUE(visits.FirstVisit({"\\\\?\\UNC\\server\\share\\d", 5, 42}));
    EXPECT_FALSE(visits.FirstVisit({"\\\\?\\UNC\\server\\share\\d", 5, 42}));
}

TEST(FolderVisits, WithoutAFinalPathTheIndexDecidesAndWithNeitherTheFolderIsWalked)
{
    FolderVisits visits;
    EXPECT_TRUE(visits.FirstVisit({"", 3, 9}));
    EXPECT_TRUE(visits.FirstVisit({"", 4, 9}));  // another volume
    EXPECT_FALSE(visits.FirstVisit({"", 3, 9}));
    EXPECT_TRUE(visits.FirstVisit({"", 3, 0}));
    EXPECT_TRUE(visits.FirstVisit({"", 3, 0}));
}

}  // namespace
