#include <gtest/gtest.h>

#include "engine/CloudFiles.h"

namespace {

constexpr std::uint32_t kArchive = 0x20;
constexpr std::uint32_t kNormal = 0x80;
constexpr std::uint32_t kReadOnly = 0x1;
// Set on files the user chose to keep on this PC or to free up; neither tells where the bytes are.
constexpr std::uint32_t kPinned = 0x80000;
constexpr std::uint32_t kUnpinned = 0x100000;

}  // namespace

TEST(CloudFiles, EachAttributeOfAFileKeptOnlineMeansNotOnThisPc)
{
    EXPECT_TRUE(NotOnThisPc(kArchive | FileAttribute::kRecallOnDataAccess));
    EXPECT_TRUE(NotOnThisPc(kArchive | kUnpinned | FileAttribute::kRecallOnDataAccess));
    EXPECT_TRUE(NotOnThisPc(FileAttribute::kOffline));
    EXPECT_TRUE(NotOnThisPc(kReadOnly | FileAttribute::kRecallOnOpen));
}

TEST(CloudFiles, FilesOnThisPcAndUnreachablePathsAreNotCloudFiles)
{
    EXPECT_FALSE(NotOnThisPc(kArchive));
    EXPECT_FALSE(NotOnThisPc(kNormal));
    EXPECT_FALSE(NotOnThisPc(kArchive | kPinned));
    EXPECT_FALSE(NotOnThisPc(kArchive | kUnpinned));
    EXPECT_FALSE(NotOnThisPc(0));
    // Every bit is set there: the missing file must report its own error, not a cloud skip.
    EXPECT_FALSE(NotOnThisPc(FileAttribute::kInvalid));
}

TEST(CloudFiles, SkippedUnlessDownloadingIsAllowed)
{
    const std::uint32_t online = kArchive | FileAttribute::kRecallOnDataAccess;
    EXPECT_TRUE(SkipsCloudFile(online, false));
    EXPECT_FALSE(SkipsCloudFile(online, true));
    EXPECT_FALSE(SkipsCloudFile(kArchive, false));
    EXPECT_FALSE(SkipsCloudFile(FileAttribute::kInvalid, false));
}
