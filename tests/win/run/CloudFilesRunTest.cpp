// Files a cloud service keeps only online, as the run sees them through their attributes: left
// alone (neither read nor moved) unless downloading them is allowed.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "engine/CloudFiles.h"
#include "engine/PathUtils.h"
#include "tests/support/TempTree.h"
#include "tests/win/run/RunFixture.h"
#include "tests/win/run/TestRunHost.h"

namespace {

const std::string kCloudSkipped = "Cloud file not on this PC; skipped";
constexpr std::uint32_t kOnline = FILE_ATTRIBUTE_ARCHIVE | FileAttribute::kRecallOnDataAccess;

class CloudFilesRunTest : public RunFixture {
protected:
    // Sources named here look like files kept online; the rest are seen as they are.
    std::set<std::string> online;

    void SetUp() override
    {
        RunFixture::SetUp();
        host.settings.Mode = OrganizeMode::Extension;  // the extension's folder: no date needed
        host.attributes = [this](const std::string& path) {
            return online.count(path) != 0 ? kOnline : GetFileAttributesA(path.c_str());
        };
    }
};

// Nobody may read the file while this lives: a run that opens it fails its row instead.
class Locked {
public:
    explicit Locked(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
    { }
    ~Locked()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace

TEST_F(CloudFilesRunTest, AFileKeptOnlineIsSkippedUnreadAndUnmoved)
{
    const std::string local = Source("here.jpg", "local bytes");
    const std::string kept = Source("cloud.mov", "online bytes");
    online.insert(kept);
    host.settings.Mode =
            OrganizeMode::Taken;  // the capture date: the movie would be read through the metadata tool
    {
        const Locked lock(kept);
        ASSERT_TRUE(lock.Valid());
        host.Run(true);
    }
    EXPECT_EQ(host.Result(1), kCloudSkipped);
    EXPECT_EQ(host.Target(1), "");
    EXPECT_TRUE(FileExists(kept));
    EXPECT_EQ(ReadText(kept), "online bytes");
    // The local file without EXIF fails as ever.
    EXPECT_EQ(host.Result(0), "Failed to get date picture taken. Maybe no EXIF info in the file");
    EXPECT_TRUE(FileExists(local));
}

TEST_F(CloudFilesRunTest, DownloadingAllowedTheFileIsOrganizedAsAnyOther)
{
    online.insert(Source("cloud.mov", "online bytes"));
    host.Run(false);
    EXPECT_EQ(host.Result(0), kCloudSkipped);
    EXPECT_FALSE(FileExists(tree.Path("out\\MOV\\cloud.mov")));

    host.settings.DownloadCloudFiles = 1;
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Target(0), tree.Path("out\\MOV\\cloud.mov"));
    EXPECT_EQ(ReadText(tree.Path("out\\MOV\\cloud.mov")), "online bytes");
}

TEST_F(CloudFilesRunTest, ASidecarKeptOnlineStaysWhileItsPhotoMoves)
{
    host.settings.CompanionFiles = 1;
    const std::string photo = Source("IMG_1.jpg", "photo");
    const std::string sidecar = Source("IMG_1.xmp", "sidecar");
    online.insert(sidecar);
    host.Run(true);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Target(0), tree.Path("out\\JPG\\IMG_1.jpg"));
    EXPECT_FALSE(FileExists(photo));
    EXPECT_EQ(host.Result(1), kCloudSkipped);
    EXPECT_EQ(host.Target(1), "");
    EXPECT_TRUE(FileExists(sidecar));
    EXPECT_FALSE(FileExists(tree.Path("out\\JPG\\IMG_1.xmp")));
}

// The run takes each source's attributes from the listing of its folder, which gives those of all
// its files at once, and hands them to the host, which then asks no file itself.
TEST_F(CloudFilesRunTest, TheAttributesAreThoseTheFolderListingGives)
{
    host.attributes = nullptr;
    const std::string hidden = Source("hidden.jpg", "hidden bytes");
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    const std::string plain = Source("plain.jpg", "plain bytes");
    const DWORD hiddenAttributes = GetFileAttributesA(hidden.c_str());
    const DWORD plainAttributes = GetFileAttributesA(plain.c_str());
    ASSERT_NE(hiddenAttributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    ASSERT_NE(hiddenAttributes, plainAttributes);
    host.Run(false);
    EXPECT_EQ(host.Result(0), "OK");
    EXPECT_EQ(host.Result(1), "OK");
    ASSERT_EQ(host.listedAttributes.count(hidden), 1u);
    ASSERT_EQ(host.listedAttributes.count(plain), 1u);
    EXPECT_EQ(host.listedAttributes[hidden], hiddenAttributes);
    EXPECT_EQ(host.listedAttributes[plain], plainAttributes);
}
