// Real camera files, when the shared sample folder is there: the capture date and orientation
// must match the reference tool's listing of each file.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>

#include "metadata/JpegSectionReader.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = QM_CORPUS_DIR;

// The value of the first line of the listing with this name, or "" without one.
std::string ListingValue(const fs::path& listing, const std::string& name)
{
    std::ifstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        if (key == name)
            return line.size() > colon + 2 ? line.substr(colon + 2) : "";
    }
    return "";
}

int OrientationNumber(const std::string& text)
{
    static const std::map<std::string, int> numbers = {{"Horizontal (normal)", 1},
                                                       {"Mirror horizontal", 2},
                                                       {"Rotate 180", 3},
                                                       {"Mirror vertical", 4},
                                                       {"Mirror horizontal and rotate 270 CW", 5},
                                                       {"Rotate 90 CW", 6},
                                                       {"Mirror horizontal and rotate 90 CW", 7},
                                                       {"Rotate 270 CW", 8}};
    const auto found = numbers.find(text);
    return found == numbers.end() ? 0 : found->second;
}

struct FileRead {
    ImageInfo info {};
    JpegSectionReader reader {&info};
    bool opened = false;
    bool result = false;
};

std::unique_ptr<FileRead> ReadFile(const fs::path& path)
{
    auto read = std::make_unique<FileRead>();
    std::FILE* stream = std::fopen(path.string().c_str(), "rb");
    if (stream == nullptr)
        return read;
    read->opened = true;
    read->result = read->reader.ReadSections(stream);
    std::fclose(stream);
    return read;
}

std::vector<fs::path> JpegFiles(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".jpg")
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

TEST(JpegCorpus, CaptureDateAndOrientationMatchTheReference)
{
    const auto files = JpegFiles(kCorpus / "jpeg");
    if (files.empty())
        GTEST_SKIP() << "no sample JPEG files in " << kCorpus.string();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path listing = kCorpus / "reference" / (file.filename().string() + ".txt");
        ASSERT_TRUE(fs::exists(listing));
        const auto read = ReadFile(file);
        ASSERT_TRUE(read->opened);
        EXPECT_TRUE(read->result);
        EXPECT_TRUE(read->info.exifParsed);
        const std::string original = ListingValue(listing, "Date/Time Original");
        if (!original.empty()) {
            EXPECT_STREQ(read->info.dateTaken, original.c_str());
            EXPECT_STREQ(read->info.dateTakenField, "Date/Time Original");
        }
        EXPECT_EQ(read->info.orientation, OrientationNumber(ListingValue(listing, "Orientation")));
        EXPECT_EQ(std::to_string(read->info.imageWidth), ListingValue(listing, "Image Width"));
        EXPECT_EQ(std::to_string(read->info.imageHeight), ListingValue(listing, "Image Height"));
    }
}

TEST(JpegCorpus, BrokenFilesAreReadSafely)
{
    const auto files = JpegFiles(kCorpus / "bad");
    if (files.empty())
        GTEST_SKIP() << "no broken sample files in " << kCorpus.string();
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const auto read = ReadFile(file);
        ASSERT_TRUE(read->opened);
        // Either the scan was reached or the failure says why.
        EXPECT_TRUE(read->result || read->reader.ErrorText()[0] != '\0');
        // These files carry their metadata outside EXIF: no EXIF date may be invented.
        const fs::path listing = kCorpus / "reference" / (file.filename().string() + ".txt");
        if (ListingValue(listing, "Date/Time Original").empty()) {
            EXPECT_STRNE(read->info.dateTakenField, "Date/Time Original");
        }
        EXPECT_LE(read->reader.SectionCount(), JpegSectionReader::kMaxSections);
    }
}
