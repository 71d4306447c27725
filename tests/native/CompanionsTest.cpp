// Which files of a list travel with which photo, and the names they take.
#include "engine/Companions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Expected {
    int lead;
    CompanionKind kind;
};

void ExpectLinks(const std::vector<std::string>& sources, const std::vector<Expected>& expected)
{
    const std::vector<CompanionLink> links = FindCompanions(sources);
    ASSERT_EQ(links.size(), expected.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].lead, expected[i].lead) << sources[i];
        EXPECT_EQ(links[i].kind, expected[i].kind) << sources[i];
    }
}

constexpr Expected kAlone {-1, CompanionKind::None};

}  // namespace

TEST(Companions, EverySidecarFormFindsItsPhoto)
{
    ExpectLinks({"C:\\p\\IMG_1.CR2", "C:\\p\\IMG_1.xmp", "C:\\p\\IMG_2.jpg", "C:\\p\\IMG_2.jpg.xmp",
                 "C:\\p\\IMG_3.HEIC", "C:\\p\\IMG_3.AAE", "C:\\p\\MVI_4.MP4", "C:\\p\\MVI_4.THM",
                 "C:\\p\\IMG_5.png", "C:\\p\\IMG_5.png.json"},
                {kAlone,
                 {0, CompanionKind::Sidecar},
                 kAlone,
                 {2, CompanionKind::FullNameSidecar},
                 kAlone,
                 {4, CompanionKind::Sidecar},
                 kAlone,
                 {6, CompanionKind::Sidecar},
                 kAlone,
                 {8, CompanionKind::FullNameSidecar}});
}

TEST(Companions, NamesCompareWithoutCaseButFoldersMustMatch)
{
    ExpectLinks({"C:\\p\\img_1.xmp", "C:\\P\\IMG_1.JPG", "C:\\q\\IMG_1.XMP", "C:\\q\\IMG_9.JPG"},
                {{1, CompanionKind::Sidecar}, kAlone, kAlone, kAlone});
}

TEST(Companions, LivePhotoAndRawJpegPairsFollowTheStill)
{
    ExpectLinks({"C:\\p\\IMG_1.MOV", "C:\\p\\IMG_1.HEIC", "C:\\p\\IMG_2.JPG", "C:\\p\\IMG_2.mov",
                 "C:\\p\\DSC_3.NEF", "C:\\p\\DSC_3.JPG", "C:\\p\\DSC_4.NEF", "C:\\p\\DSC_4.HEIC",
                 "C:\\p\\CLIP_5.MOV"},
                {{1, CompanionKind::LiveVideo},
                 kAlone,
                 kAlone,
                 {2, CompanionKind::LiveVideo},
                 {5, CompanionKind::Partner},
                 kAlone,
                 kAlone,
                 kAlone,
                 kAlone});
}

TEST(Companions, ASidecarOfAPairFollowsTheStillAndAWholeNameSidecarItsOwnFile)
{
    ExpectLinks({"C:\\p\\DSC_3.NEF", "C:\\p\\DSC_3.xmp", "C:\\p\\DSC_3.JPG", "C:\\p\\DSC_3.NEF.xmp"},
                {{2, CompanionKind::Partner},
                 {2, CompanionKind::Sidecar},
                 kAlone,
                 {0, CompanionKind::FullNameSidecar}});
}

TEST(Companions, SidecarsWithoutTheirPhotoAndUnrelatedFilesTravelAlone)
{
    ExpectLinks({"C:\\p\\IMG_1.xmp", "C:\\p\\IMG_1.xmp.xmp", "C:\\p\\IMG_2.json", "C:\\p\\notes",
                 "C:\\p\\IMG_3.jpg.json"},
                {kAlone, kAlone, kAlone, kAlone, kAlone});
}

TEST(Companions, NamesFollowTheLeadsNewName)
{
    EXPECT_EQ(CompanionName("IMG_1.xmp", CompanionKind::Sidecar, "2012-01-27 10_46_15.CR2"),
              "2012-01-27 10_46_15.xmp");
    EXPECT_EQ(CompanionName("IMG_1.CR2.xmp", CompanionKind::FullNameSidecar, "2012-01-27 10_46_15_1.CR2"),
              "2012-01-27 10_46_15_1.CR2.xmp");
    EXPECT_EQ(CompanionName("IMG_1.MOV", CompanionKind::LiveVideo, "IMG_1_2.HEIC"), "IMG_1_2.MOV");
    EXPECT_EQ(CompanionName("DSC_1.NEF", CompanionKind::Partner, "2012-01-27.JPG"), "2012-01-27.NEF");
    EXPECT_EQ(CompanionName("IMG_1.aae", CompanionKind::Sidecar, "IMG_1.HEIC"), "IMG_1.aae");
    EXPECT_EQ(CompanionName("a.thm", CompanionKind::Sidecar, "noext"), "noext.thm");
}

// Every raw format a camera writes beside its JPEG, listed here on its own so that a format
// dropped from the code's list is noticed.
TEST(Companions, EveryRawFormatPairsWithItsJpeg)
{
    const char* const raws[] = {"3fr", "arw", "cr2", "cr3", "crw", "dcr", "dng", "erf", "iiq", "kdc", "mrw",
                                "nef", "nrw", "orf", "pef", "raf", "rw2", "rwl", "sr2", "srf", "srw", "x3f"};
    for (const char* raw : raws) {
        const std::string ext = raw;
        std::string upper = ext;
        for (char& c : upper)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        SCOPED_TRACE(ext);
        ExpectLinks({"C:\\p\\DSC_1." + upper, "C:\\p\\DSC_1.JPG"}, {{1, CompanionKind::Partner}, kAlone});
        ExpectLinks({"C:\\p\\dsc_2.jpeg", "C:\\p\\dsc_2." + ext}, {kAlone, {0, CompanionKind::Partner}});
    }
    // Files that are no raw stay on their own beside a JPEG of their name.
    for (const char* other : {"TIF", "PNG", "MP4", "PSD", "RAW"}) {
        SCOPED_TRACE(other);
        ExpectLinks({"C:\\p\\DSC_3." + std::string(other), "C:\\p\\DSC_3.JPG"}, {kAlone, kAlone});
    }
}
