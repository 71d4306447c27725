#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/ContainerSamples.h"
#include "tests/support/TempTree.h"
#include "tests/support/TiffBuilder.h"
#include "tests/win/cli/CliProcess.h"

namespace {

// A PNG whose XMP packet gives the orientation as the text given, written as it stands.
std::vector<unsigned char> PngWithXmpOrientation(const std::string& orientation)
{
    const std::string packet =
            "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
            "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description rdf:about=''>"
            "<tiff:Orientation>" +
            orientation + "</tiff:Orientation></rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
    std::vector<uint8_t> chunk;
    for (char c : std::string("XML:com.adobe.xmp"))
        chunk.push_back(static_cast<uint8_t>(c));
    chunk.insert(chunk.end(), 5, 0);  // keyword end, no compression, no language, no translated keyword
    for (char c : packet)
        chunk.push_back(static_cast<uint8_t>(c));
    return qmtest::BuildPng(4, 4, qmtest::PngChunk("iTXt", chunk));
}

std::vector<unsigned char> TiffWithOrientation(uint16_t orientation)
{
    qmtest::Ifd ifd0;
    ifd0.Long(0x0100, 4).Long(0x0101, 4).Short(0x0112, orientation);
    return qmtest::BuildTiff(ifd0);
}

std::vector<unsigned char> HeicWithOrientation(uint16_t orientation)
{
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, orientation);
    return qmtest::BuildHeic(qmtest::BuildTiff(ifd0));
}

bool IsRefusal(const std::string& result)
{
    return result.rfind("Unknown orientation \"", 0) == 0 || result.rfind("Unsafe name \"", 0) == 0 ||
           result == "Failed to get orientation information. Maybe no EXIF info in the file";
}

class CliUntrustedMetadata : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
        for (const char* folder : {"src", "t", "t\\a", "t\\a\\b", "t\\a\\b\\c"})
            ASSERT_TRUE(CreateDirectoryA(tree.Path(folder).c_str(), nullptr));
        const std::string crafted[] = {
                "..\\..\\..\\escaped",
                "../../escaped2",
                "..",
                ".",
                "a\\..\\..\\..\\x",
                // The listing's values lose trailing blanks: this one arrives as "..\\escaped".
                "..\\escaped  ",
                "Rotate 90 CW.",
                "..\\..\\..\\escaped. .",
                "C:\\Windows\\Temp\\planted",
                "\\\\localhost\\c$\\planted",
                "CON",
                "NUL.txt",
                "tab\there",
                std::string(3000, 'x') + "\\..\\..\\..\\..",
        };
        int n = 0;
        for (const std::string& text : crafted)
            ASSERT_TRUE(
                    WriteData(Src("crafted" + std::to_string(n++) + ".png"), PngWithXmpOrientation(text)));
        ASSERT_TRUE(WriteData(Src("nine.tif"), TiffWithOrientation(9)));
        ASSERT_TRUE(WriteData(Src("zero.heic"), HeicWithOrientation(0)));
        // Known orientations still make their folders: the checks refuse only what they must.
        ASSERT_TRUE(WriteData(Src("good.png"), PngWithXmpOrientation("6")));
        ASSERT_TRUE(WriteData(Src("good.tif"), TiffWithOrientation(8)));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out() const { return tree.Path("t\\a\\b\\c\\out\\"); }

    TempTree tree;
};

TEST_P(CliUntrustedMetadata, OrientationTextsCannotLeaveTheOutputFolder)
{
    const std::string transfer = GetParam();
    const auto sourcesBefore = Snapshot(tree.Path("src\\"));
    const auto outsideBefore = Snapshot(tree.Path("t\\a\\"));

    const CliOutcome run = RunCli({"organize", transfer, "--mode", "orientation", "--out", Out(), Src("")});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 1u) << run.err;

    int refused = 0;
    for (const std::string& line : Lines(run.out)) {
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        ASSERT_NE(tab2, std::string::npos) << line;
        const std::string source = line.substr(0, tab1);
        const std::string target = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const std::string result = line.substr(tab2 + 1);
        if (source == Src("good.png")) {
            EXPECT_EQ(target, Out() + "Rotate 90 CW\\good.png");
            EXPECT_EQ(result, "OK");
        } else if (source == Src("good.tif")) {
            EXPECT_EQ(target, Out() + "Rotate 90 CCW\\good.tif");
            EXPECT_EQ(result, "OK");
        } else {
            EXPECT_TRUE(IsRefusal(result)) << line;
            EXPECT_EQ(target, "") << line;
            ++refused;
        }
    }
    EXPECT_EQ(refused, 16);

    // Beside the output folder, in its parents and in the drive's root: nothing new.
    auto outsideAfter = Snapshot(tree.Path("t\\a\\"));
    for (auto it = outsideAfter.begin(); it != outsideAfter.end();)
        it = it->first.rfind("b\\c\\out\\", 0) == 0 ? outsideAfter.erase(it) : std::next(it);
    auto expectedOutside = outsideBefore;
    expectedOutside.erase("b\\c\\out\\");
    EXPECT_EQ(outsideAfter, expectedOutside);
    for (const char* planted : {"C:\\Windows\\Temp\\planted", "C:\\planted"})
        EXPECT_FALSE(Exists(planted)) << planted;
    EXPECT_FALSE(Exists(tree.Path("escaped")));
    EXPECT_FALSE(Exists(tree.Path("t\\escaped")));

    // Inside it: the two good files, nothing else.
    const auto out = Snapshot(Out());
    std::vector<std::string> names;
    for (const auto& entry : out)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string> {"Rotate 90 CCW\\", "Rotate 90 CCW\\good.tif",
                                                "Rotate 90 CW\\", "Rotate 90 CW\\good.png"}));

    // Every refused source is where it was, unchanged; only the good ones moved.
    auto sourcesAfter = Snapshot(tree.Path("src\\"));
    auto expectedSources = sourcesBefore;
    if (transfer == "--move") {
        expectedSources.erase("good.png");
        expectedSources.erase("good.tif");
    }
    EXPECT_EQ(sourcesAfter, expectedSources);
}

INSTANTIATE_TEST_SUITE_P(CopyAndMove, CliUntrustedMetadata, ::testing::Values("--copy", "--move"));

}  // namespace
