#include "metadata/MetaLookup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <string>

#include "engine/ModeLookup.h"
#include "engine/FileTimeDate.h"
#include "engine/PathUtils.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TempTree.h"
#include "tests/support/TiffBuilder.h"
#include "tests/support/ZoneCases.h"
#include "tests/win/ToolTestFiles.h"

namespace {

// The date a date mode takes (nothing for the other modes), asked as the run asks.
Result<std::optional<DateTime>> DateForMode(DateLookup& lookup, const std::string& path, OrganizeMode mode)
{
    const auto sources = DateSourcesOf(mode, false);
    if (!sources)
        return std::optional<DateTime>();
    const auto found = lookup.DateFrom(path, *sources);
    if (!found)
        return found.GetStatus();
    if (!*found)
        return std::optional<DateTime>();
    return std::optional<DateTime>((*found)->date);
}

using tooltest::FakeToolPath;
using tooltest::ReadText;
using tooltest::TempFolder;
using tooltest::WriteText;

struct Date {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1;
    bool operator==(const Date&) const = default;
};

void PrintTo(const Date& d, std::ostream* os)
{
    *os << d.year << "-" << d.month << "-" << d.day << " " << d.hour << ":" << d.minute << ":" << d.second;
}

qmtest::Ifd ExifIfd(const std::string& dateTimeOriginal, int orientation)
{
    qmtest::Ifd exif;
    if (!dateTimeOriginal.empty())
        exif.Ascii(0x9003, dateTimeOriginal);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Maker");
    if (orientation != 0)
        ifd0.Short(0x0112, static_cast<uint16_t>(orientation));
    ifd0.Sub(0x8769, exif);
    return ifd0;
}

FILETIME Utc(int year, int month, int day, int hour)
{
    SYSTEMTIME system {};
    system.wYear = static_cast<WORD>(year);
    system.wMonth = static_cast<WORD>(month);
    system.wDay = static_cast<WORD>(day);
    system.wHour = static_cast<WORD>(hour);
    system.wMinute = 34;
    system.wSecond = 56;
    FILETIME file {};
    EXPECT_TRUE(SystemTimeToFileTime(&system, &file));
    return file;
}

Date LocalDate(const FILETIME& utc)
{
    SYSTEMTIME system, calendar;
    if (!FileTimeToSystemTime(&utc, &system) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &system, &calendar)) {
        ADD_FAILURE() << "time conversion failed";
        return {};
    }
    return {calendar.wYear, calendar.wMonth,  calendar.wDay,
            calendar.wHour, calendar.wMinute, calendar.wSecond};
}

enum class Which { Created, Accessed, Written };

// The file's own time as the file system reports it now, in local time.
Date OwnTime(const std::string& path, Which which)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        ADD_FAILURE() << "no attributes for " << path;
        return {};
    }
    return LocalDate(which == Which::Created    ? data.ftCreationTime
                     : which == Which::Accessed ? data.ftLastAccessTime
                                                : data.ftLastWriteTime);
}

// Sets creation 2003, last access 2005 and last write 2007, so every mode sees another year.
void SetDistinctTimes(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME created = Utc(2003, 3, 3, 12);
    const FILETIME accessed = Utc(2005, 5, 5, 12);
    const FILETIME written = Utc(2007, 7, 7, 12);
    EXPECT_TRUE(SetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);
}

class MetaLookupTest : public ::testing::Test {
protected:
    MetaLookupTest()
        : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name()),
          log_(folder_ / "tool_starts.log")
    {
        config_.toolPath = FakeToolPath();
        config_.timeLimitMs = 30000;
        SetEnvironmentVariableA("QM_TOOL_LOG", log_.c_str());
    }
    ~MetaLookupTest() override { SetEnvironmentVariableA("QM_TOOL_LOG", nullptr); }

    std::string Jpeg(const std::string& name, const std::string& date, int orientation)
    {
        const std::string path = folder_ / name;
        EXPECT_TRUE(qmtest::WriteBytes(path, qmtest::MinimalJpeg(ExifIfd(date, orientation))));
        return path;
    }
    // A non-JPEG file whose listing is what the stand-in tool prints for it.
    std::string Listed(const std::string& name, const std::string& listing)
    {
        const std::string path = folder_ / name;
        EXPECT_TRUE(WriteText(path, "out " + listing + "\n"));
        return path;
    }
    // Tool processes started (a batch process logs each path it is given as a further line).
    int ToolStarts() const
    {
        const std::string log = ReadText(log_);
        int starts = 0;
        for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
            if (log.compare(at, 5, "path|") != 0)
                ++starts;
            if (log.find('\n', at) == std::string::npos)
                break;
        }
        return starts;
    }
    // d is written only when a date is found.
    static bool Found(const std::optional<DateTime>& date, Date& d)
    {
        if (!date)
            return false;
        d = {date->year, date->month, date->day, date->hour, date->minute, date->second};
        return true;
    }
    static bool Found(const Result<std::optional<DateTime>>& date, Date& d)
    {
        return date && Found(*date, d);
    }
    bool Taken(const std::string& path, Date& d) const
    {
        return Found(MetaLookup(config_).DateTaken(path), d);
    }
    bool ForMode(const std::string& path, OrganizeMode mode, Date& d) const
    {
        MetaLookup lookup(config_);
        return Found(DateForMode(lookup, path, mode), d);
    }
    // text is written only when an orientation is found.
    bool Orientation(const std::string& path, std::string& text) const
    {
        const auto found = MetaLookup(config_).OrientationText(path);
        if (!found || !*found)
            return false;
        text = **found;
        return true;
    }

    TempFolder folder_;
    std::string log_;
    MetaToolConfig config_;
};

const Date kTaken {2010, 7, 15, 14, 3, 9};

TEST_F(MetaLookupTest, JpegCaptureDateReadInProcess)
{
    Date d;
    ASSERT_TRUE(Taken(Jpeg("photo.jpg", "2010:07:15 14:03:09", 1), d));
    EXPECT_EQ(d, kTaken);
    EXPECT_EQ(ToolStarts(), 0);
}

// In a folder beyond MAX_PATH: the capture date read in the program itself, without the tool, and
// the file time where the photo has no date.
TEST_F(MetaLookupTest, JpegInAFolderBeyondMaxPathIsReadInProcess)
{
    std::string deep = folder_.Path() + "deep";
    while (deep.size() < 320)
        deep += "\\" + std::string(50, 'd');
    ASSERT_TRUE(EnsureFolder(deep, true)) << GetLastError();
    const std::string dated = deep + "\\photo.jpg";
    const std::string undated = deep + "\\nodate.jpg";
    ASSERT_TRUE(WriteData(dated, qmtest::MinimalJpeg(ExifIfd("2010:07:15 14:03:09", 1))));
    ASSERT_TRUE(WriteData(undated, qmtest::MinimalJpeg(ExifIfd("", 1))));
    Date d;
    ASSERT_TRUE(Taken(dated, d));
    EXPECT_EQ(d, kTaken);
    EXPECT_FALSE(Taken(undated, d));
    Date modified;
    EXPECT_TRUE(ForMode(undated, OrganizeMode::TakenElseModified, modified));
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, JpegExtensionInAnyCaseIsReadInProcess)
{
    for (const char* name : {"PHOTO.JPG", "photo.Jpeg", "a.b.jPg"}) {
        SCOPED_TRACE(name);
        Date d;
        ASSERT_TRUE(Taken(Jpeg(name, "2010:07:15 14:03:09", 1), d));
        EXPECT_EQ(d, kTaken);
    }
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, OtherJpegExtensionsGoToTheTool)
{
    const std::string listing = "Date/Time Original : 1999:12:31 23:59:58\\n";
    for (const char* name : {"photo.jpe", "photo.jfif", "photo", "photo.jpg.tif"}) {
        SCOPED_TRACE(name);
        Date d;
        ASSERT_TRUE(Taken(Listed(name, listing), d));
        EXPECT_EQ(d, (Date {1999, 12, 31, 23, 59, 58}));
    }
    // The dot of a folder name does not count.
    ASSERT_TRUE(CreateDirectoryA((folder_ / "album.jpg").c_str(), nullptr));
    Date d;
    ASSERT_TRUE(Taken(Listed("album.jpg\\photo", listing), d));
    EXPECT_EQ(ToolStarts(), 5);
}

TEST_F(MetaLookupTest, FilesToldAheadGoToTheToolOnlyWhenItReadsThem)
{
    const std::string listing = "Date/Time Original : 1999:12:31 23:59:58\\n";
    const std::string jpeg = Jpeg("a.jpg", "2010:07:15 14:03:09", 1);
    const std::string raw = Listed("b.cr2", listing);
    MetaLookup lookup(config_);
    Date d;
    // With the tool running, the files told go to it at once.
    ASSERT_TRUE(Found(lookup.DateTaken(Listed("first.cr2", listing)), d));
    lookup.Ahead({jpeg, raw});
    ASSERT_TRUE(Found(lookup.DateTaken(jpeg), d));
    EXPECT_EQ(d, kTaken);
    ASSERT_TRUE(Found(lookup.DateTaken(raw), d));
    EXPECT_EQ(d, (Date {1999, 12, 31, 23, 59, 58}));
    const std::string log = ReadText(log_);
    EXPECT_NE(log.find("path|" + raw + "\n"), std::string::npos);
    EXPECT_EQ(log.find("path|" + jpeg), std::string::npos);
    EXPECT_EQ(ToolStarts(), 1);
}

// What one lookup answered for a file, in words to compare.
std::string Answer(MetaLookup& lookup, const std::string& path)
{
    DateSources sources;
    sources.captureDate = true;
    sources.fileTime = FileTime::Modified;
    const auto found = lookup.DateFrom(path, sources);
    const auto oriented = lookup.OrientationText(path);
    std::string text;
    if (!found)
        text = "failed " + std::to_string(found.GetStatus().Code()) + " " + found.GetStatus().Reason();
    else if (*found)
        text = DateTimeText((*found)->date) + " " + (*found)->origin + " " + (*found)->cameraModel;
    text += " | ";
    text += !oriented ? "failed " + oriented.GetStatus().Reason() : *oriented ? **oriented : "none";
    return text;
}

// The heads of JPEG files told ahead are read on the program's pool while the run does other
// work: every answer is the one the same file gets untold, whatever it holds or lacks.
TEST_F(MetaLookupTest, JpegFilesToldAheadAreAnsweredAsUntold)
{
    std::vector<std::string> files;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "p" + std::to_string(i) + ".jpg";
        const std::string date = i % 7 == 3 ? "" : "2010:07:" + std::to_string(10 + i % 20) + " 14:03:09";
        files.push_back(Jpeg(name, date, 1 + i % 8));
        SetDistinctTimes(files.back());
    }
    files.insert(files.begin() + 5, folder_ / "missing.jpg");
    files.insert(files.begin() + 9, folder_ / "gone\\missing.jpg");
    ASSERT_TRUE(WriteText(folder_ / "noexif.jpg", "\xFF\xD8\xFF\xD9"));
    files.insert(files.begin() + 12, folder_ / "noexif.jpg");
    std::vector<std::string> untold;
    for (const std::string& path : files) {
        MetaLookup lookup(config_);
        untold.push_back(Answer(lookup, path));
    }
    MetaLookup lookup(config_);
    // Told in two rounds, the second before the first's files are all asked: a file told again
    // keeps its head read, and one told and never asked costs nothing.
    lookup.Ahead(std::vector<std::string>(files.begin(), files.begin() + 30));
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i == 20)
            lookup.Ahead(std::vector<std::string>(files.begin() + 20, files.end()));
        EXPECT_EQ(Answer(lookup, files[i]), untold[i]) << files[i];
    }
    EXPECT_EQ(ToolStarts(), 0);
    // The answers compared are the ones they should be: a date, a missing file, a file time.
    EXPECT_EQ(untold[0], "2010:07:10 14:03:09 Date/Time Original  | Horizontal (normal)");
    EXPECT_EQ(untold[5].rfind("failed 2 ", 0), 0u) << untold[5];
    EXPECT_NE(untold[12].find("file modified"), std::string::npos) << untold[12];
    EXPECT_NE(untold[3].find(" file modified"), std::string::npos) << untold[3];
}

// A photo another program held while its head was read ahead is read again at its lookup: its
// date is found once the file is free, as it would be untold.
TEST_F(MetaLookupTest, AJpegHeldWhenReadAheadIsReadAgainAtItsLookup)
{
    const std::string held = Jpeg("held.jpg", "2010:07:15 14:03:09", 1);
    std::vector<std::string> files {held};
    for (int i = 0; i < 8; ++i)
        files.push_back(Jpeg("p" + std::to_string(i) + ".jpg", "2011:01:01 00:00:00", 1));
    const HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    MetaLookup lookup(config_);
    lookup.Ahead(files);
    // The files told after it are read ahead in their order: once they are in, so is its attempt.
    Date d;
    for (std::size_t i = 1; i < files.size(); ++i)
        ASSERT_TRUE(Found(lookup.DateTaken(files[i]), d)) << files[i];
    CloseHandle(holder);
    ASSERT_TRUE(Found(lookup.DateTaken(held), d));
    EXPECT_EQ(d, kTaken);
}

// A lookup that ends with heads told and being read waits for the reads under way, and leaves
// the files as they were.
TEST_F(MetaLookupTest, ALookupEndingWithHeadsToldAheadWaitsForTheirReads)
{
    std::vector<std::string> files;
    for (int i = 0; i < 64; ++i)
        files.push_back(Jpeg("p" + std::to_string(i) + ".jpg", "2010:07:15 14:03:09", 1));
    for (int round = 0; round < 20; ++round) {
        MetaLookup lookup(config_);
        lookup.Ahead(files);
        if (round % 2 == 1) {
            Date d;
            ASSERT_TRUE(Found(lookup.DateTaken(files[static_cast<std::size_t>(round)]), d));
        }
    }
    // No handle of a reader is left open: each file can be had alone.
    for (const std::string& path : files) {
        const HANDLE alone = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(alone, INVALID_HANDLE_VALUE) << path << " " << GetLastError();
        CloseHandle(alone);
    }
}

TEST_F(MetaLookupTest, JpegWithoutCaptureDateFailsWithoutTheTool)
{
    Date d;
    EXPECT_FALSE(Taken(Jpeg("nodate.jpg", "", 1), d));
    EXPECT_EQ(d, Date {});  // nothing written
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, JpegWithoutExifFails)
{
    const std::string path = folder_ / "plain.jpg";
    qmtest::JpegBuilder plain;
    plain.Soi().App0Jfif().Frame(8, 8).Scan().Eoi();
    ASSERT_TRUE(qmtest::WriteBytes(path, plain.Bytes()));
    Date d;
    std::string text = "untouched";
    EXPECT_FALSE(Taken(path, d));
    EXPECT_FALSE(Orientation(path, text));
    EXPECT_EQ(text, "untouched");
}

// SOI, an EXIF section when `exif` (with `exifDate` unless empty), an XMP section with
// `description`, frame, scan, EOI.
std::vector<uint8_t> JpegWithXmp(bool exif, const std::string& exifDate, const std::string& description)
{
    const std::string packet = std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                               "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description " +
                               description + "/></rdf:RDF></x:xmpmeta>";
    qmtest::JpegBuilder jpeg;
    jpeg.Soi();
    if (exif) {
        qmtest::Ifd exifIfd;
        if (!exifDate.empty())
            exifIfd.Ascii(0x9003, exifDate);
        jpeg.Exif(qmtest::Ifd().Short(0x0112, 1).Sub(0x8769, exifIfd), qmtest::ByteOrder::Motorola);
    }
    jpeg.Segment(0xE1, std::vector<uint8_t>(packet.begin(), packet.end())).Frame(8, 8).Scan().Eoi();
    return jpeg.Bytes();
}

TEST_F(MetaLookupTest, JpegXmpCaptureDateWhenExifHasNone)
{
    const std::string xmpOnly = folder_ / "xmponly.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(
            xmpOnly, JpegWithXmp(false, "", "exif:DateTimeOriginal=\"2010-07-15T14:03:09+02:00\"")));
    Date d;
    ASSERT_TRUE(Taken(xmpOnly, d));
    EXPECT_EQ(d, kTaken);

    // EXIF without a capture date, XMP with a creation date only.
    const std::string noExifDate = folder_ / "exifnodate.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(noExifDate,
                                   JpegWithXmp(true, "", "xmp:CreateDate=\"2010-07-15T14:03:09.5\"")));
    Date fromCreate;
    ASSERT_TRUE(ForMode(noExifDate, OrganizeMode::TakenElseModified, fromCreate));
    EXPECT_EQ(fromCreate, kTaken);

    // The EXIF capture date comes first.
    const std::string both = folder_ / "both.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(
            both, JpegWithXmp(true, "2010:07:15 14:03:09", "xmp:CreateDate=\"2001-01-01T01:01:01\"")));
    Date fromExif;
    ASSERT_TRUE(Taken(both, fromExif));
    EXPECT_EQ(fromExif, kTaken);
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, JpegCameraBlockDateWhenExifHasNone)
{
    // An older compact camera's APP12 picture info: its clock in seconds since 1970.
    const std::string picture = "[picture info]\r\nTimeDate=1279202589\r\n";
    auto withBlock = [&](bool exif, const std::string& exifDate, const std::string& description) {
        std::vector<uint8_t> bytes = JpegWithXmp(exif, exifDate, description);
        std::vector<uint8_t> segment = {0xFF, 0xEC, 0, uint8_t(picture.size() + 2)};
        segment.insert(segment.end(), picture.begin(), picture.end());
        bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
        return bytes;
    };
    const std::string only = folder_ / "pictureinfo.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(only, withBlock(true, "", "xmp:CreateDate=\"2001-01-01T01:01:01\"")));
    Date d;
    ASSERT_TRUE(Taken(only, d));
    EXPECT_EQ(d, kTaken);
    // The EXIF capture date still comes first.
    const std::string both = folder_ / "pictureinfoexif.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(both, withBlock(true, "2001:01:01 01:01:01", "")));
    ASSERT_TRUE(Taken(both, d));
    EXPECT_EQ(d, (Date {2001, 1, 1, 1, 1, 1}));
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, JpegXmpDateWithoutTimeFailsAndFallsBack)
{
    // As with the tool's listing, the first date present decides even when it has no time.
    const std::string path = folder_ / "dayonly.jpg";
    ASSERT_TRUE(qmtest::WriteBytes(
            path,
            JpegWithXmp(false, "", "xmp:CreateDate=\"2010-07-15\" xmp:ModifyDate=\"2001-01-01T01:01:01\"")));
    SetDistinctTimes(path);
    Date d;
    EXPECT_FALSE(Taken(path, d));
    ASSERT_TRUE(ForMode(path, OrganizeMode::TakenElseModified, d));
    EXPECT_EQ(d, OwnTime(path, Which::Written));
}

// Dates some cameras and programs keep outside the EXIF block: read in-process, with the name the
// tool lists each under.
TEST_F(MetaLookupTest, JpegDatesOutsideExifWithTheirFieldNames)
{
    auto origin = [&](const std::string& name,
                      const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& segments, Date& d) {
        qmtest::JpegBuilder jpeg;
        jpeg.Soi();
        for (const auto& [marker, payload] : segments)
            jpeg.Segment(marker, payload);
        const std::string path = folder_ / name;
        EXPECT_TRUE(qmtest::WriteBytes(path, jpeg.Frame(8, 8).Scan().Eoi().Bytes()));
        const auto found = MetaLookup(config_).DateFrom(path, DateSources {true, false, FileTime::None});
        if (!found || !*found)
            return std::string("none");
        EXPECT_TRUE(Found((*found)->date, d));
        return (*found)->origin;
    };
    auto text = [](const std::string& bytes) { return std::vector<uint8_t>(bytes.begin(), bytes.end()); };
    Date d;
    // An early Canon compact's heap in APP0: the camera's clock, 1279202589 seconds since 1970.
    std::vector<uint8_t> ciff = qmtest::BuildCrw(false, "Canon", "Canon PowerShot 600", 1279202589u, 8, 8, 0);
    std::memcpy(ciff.data() + 10, "JPGM", 4);
    EXPECT_EQ(origin("ciff.jpg", {{0xE0, ciff}}, d), "Date/Time Original");
    EXPECT_EQ(d, kTaken);
    // Casio's QVCI block.
    std::vector<uint8_t> qvci(140, 0);
    std::memcpy(qvci.data(), "QVCI", 4);
    std::memcpy(qvci.data() + 77, "2010.07.15.14.03.09", 19);
    EXPECT_EQ(origin("qvci.jpg", {{0xE1, qvci}}, d), "Date/Time Original");
    EXPECT_EQ(d, kTaken);
    // IPTC's creation date and time in a Photoshop segment.
    std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 55, "20100715");
    for (uint8_t byte : qmtest::IptcDataset(2, 60, "140309+0200"))
        iptc.push_back(byte);
    std::vector<uint8_t> app13 = text(std::string("Photoshop 3.0") + '\0' + "8BIM" + '\x04' + '\x04' +
                                      std::string(5, '\0') + char(iptc.size()));
    app13.insert(app13.end(), iptc.begin(), iptc.end());
    EXPECT_EQ(origin("iptc.jpg", {{0xED, app13}}, d), "Date/Time Original");
    EXPECT_EQ(d, kTaken);
    // XMP's creation date under the prefix older programs write, after an EXIF block that has
    // only a modify date: the creation date comes first.
    qmtest::JpegBuilder exif;
    exif.Exif(qmtest::Ifd().Ascii(0x0132, "2001:01:01 01:01:01"), qmtest::ByteOrder::Intel);
    const std::vector<uint8_t> exifSegment = exif.Bytes();
    const std::vector<uint8_t> xap = text(std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                                          "<rdf:Description xmlns:xap='http://ns.adobe.com/xap/1.0/' "
                                          "xap:CreateDate='2010-07-15T14:03:09'/>");
    EXPECT_EQ(origin("xap.jpg", {{0xE1, {exifSegment.begin() + 4, exifSegment.end()}}, {0xE1, xap}}, d),
              "Create Date");
    EXPECT_EQ(d, kTaken);
    EXPECT_EQ(origin("modify.jpg", {{0xE1, {exifSegment.begin() + 4, exifSegment.end()}}}, d), "Modify Date");
    EXPECT_EQ(d, (Date {2001, 1, 1, 1, 1, 1}));
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, MissingJpegFails)
{
    Date d;
    std::string text;
    EXPECT_FALSE(Taken(folder_ / "missing.jpg", d));
    EXPECT_FALSE(ForMode(folder_ / "missing.jpg", OrganizeMode::TakenElseModified, d));
    EXPECT_FALSE(Orientation(folder_ / "missing.jpg", text));
}

// A file that is gone fails its lookup with the system's number, and its row says so in plain
// words; so does one whose folder is gone.
TEST_F(MetaLookupTest, MissingFileFailsWithTheSystemNumberAndPlainWords)
{
    const std::vector<std::pair<std::string, DWORD>> cases = {
            {folder_ / "missing.jpg", ERROR_FILE_NOT_FOUND},
            {folder_ / "missing.tif", ERROR_FILE_NOT_FOUND},
            {folder_ / "gone\\missing.jpg", ERROR_PATH_NOT_FOUND}};
    for (const auto& [path, code] : cases) {
        SCOPED_TRACE(path);
        MetaLookup lookup(config_);
        const auto date = DateForMode(lookup, path, OrganizeMode::TakenElseModified);
        const auto oriented = lookup.OrientationText(path);
        for (const Status& failure : {date.GetStatus(), oriented.GetStatus()}) {
            ASSERT_FALSE(failure);
            EXPECT_EQ(failure.Kind(), FailureKind::System);
            EXPECT_EQ(failure.Code(), static_cast<std::uint32_t>(code));
            EXPECT_EQ(failure.Reason(), kFileGoneText);
            EXPECT_EQ(LookupFailedText(OrganizeMode::TakenElseModified, failure), kFileGoneText);
        }
    }
    // A file read whole that holds no date is no failure: its row says the mode's words.
    MetaLookup lookup(config_);
    const auto plain = DateForMode(lookup, Listed("plain.tif", "Make : X\n"), OrganizeMode::Taken);
    ASSERT_TRUE(plain.Ok());
    EXPECT_FALSE(plain->has_value());
    EXPECT_EQ(LookupFailedText(OrganizeMode::Taken, plain.GetStatus()),
              LookupFailureText(OrganizeMode::Taken));
}

// A Takeout sidecar that is no sidecar fails its photo's lookup as damaged; one that cannot be
// opened, with the system's number.
TEST_F(MetaLookupTest, DamagedOrLockedTakeoutSidecarFailsWithItsKind)
{
    DateSources takeout;
    takeout.takeout = true;
    const std::string damaged = Jpeg("IMG_0009.jpg", "", 1);
    ASSERT_TRUE(WriteText(folder_ / "IMG_0009.jpg.json",
                          "{\"title\": \"IMG_0009.jpg\", \"photoTakenTime\": {\"timestamp\": \"14x\"}}"));
    const auto broken = MetaLookup(config_).DateFrom(damaged, takeout);
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.GetStatus().Kind(), FailureKind::Damaged);
    EXPECT_EQ(broken.GetStatus().Code(), 0u);
    EXPECT_EQ(broken.GetStatus().Reason(), "Takeout sidecar \"IMG_0009.jpg.json\": a timestamp that is not a "
                                           "whole number of seconds (at byte 63)");

    const std::string locked = Jpeg("IMG_0010.jpg", "", 1);
    const std::string sidecar = folder_ / "IMG_0010.jpg.json";
    ASSERT_TRUE(WriteText(sidecar, "{\"title\": \"IMG_0010.jpg\", \"photoTakenTime\": "
                                   "{\"timestamp\": \"1431007200\"}}"));
    const HANDLE holder = CreateFileA(sidecar.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const auto refused = MetaLookup(config_).DateFrom(locked, takeout);
    CloseHandle(holder);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.GetStatus().Kind(), FailureKind::System);
    EXPECT_EQ(refused.GetStatus().Code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(refused.GetStatus().Reason().rfind("Takeout sidecar \"IMG_0010.jpg.json\": ", 0), 0u);
    // A folder that cannot be listed gives no role, with the system's number; a name its listing
    // does not hold is no failure.
    const auto unlisted = MetaLookup(config_).TakeoutRoleOf(folder_ / "gone\\IMG_0010.jpg");
    ASSERT_FALSE(unlisted);
    EXPECT_EQ(unlisted.GetStatus().Kind(), FailureKind::System);
    EXPECT_EQ(unlisted.GetStatus().Code(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
    const auto absent = MetaLookup(config_).TakeoutRoleOf(folder_ / "IMG_0011.jpg");
    ASSERT_TRUE(absent.Ok());
    EXPECT_FALSE(absent->has_value());
    // Free again, the sidecar dates its photo.
    const auto dated = MetaLookup(config_).DateFrom(locked, takeout);
    ASSERT_TRUE(dated.Ok());
    ASSERT_TRUE(dated->has_value());
    EXPECT_EQ((*dated)->takeoutSeconds, 1431007200);
}

TEST_F(MetaLookupTest, UnusableJpegDatesFail)
{
    Date d;
    EXPECT_FALSE(Taken(Jpeg("zeros.jpg", "0000:00:00 00:00:00", 1), d));
    EXPECT_FALSE(Taken(Jpeg("month0.jpg", "2010:00:15 14:03:09", 1), d));
    EXPECT_FALSE(Taken(Jpeg("notime.jpg", "2010:07:15", 1), d));
    ASSERT_TRUE(Taken(Jpeg("midnight.jpg", "2010:07:15 00:03:09", 1), d));
    EXPECT_EQ(d, (Date {2010, 7, 15, 0, 3, 9}));
}

TEST_F(MetaLookupTest, ModeTakenElseModifiedFallsBackToLocalLastWriteTime)
{
    const std::string path = Jpeg("nodate.jpg", "", 1);
    SetDistinctTimes(path);
    Date d;
    ASSERT_TRUE(ForMode(path, OrganizeMode::TakenElseModified, d));
    EXPECT_EQ(d, OwnTime(path, Which::Written));
    EXPECT_EQ(d, LocalDate(Utc(2007, 7, 7, 12)));
    Date taken;
    ASSERT_TRUE(ForMode(Jpeg("dated.jpg", "2010:07:15 14:03:09", 1), OrganizeMode::TakenElseModified, taken));
    EXPECT_EQ(taken, kTaken);
}

TEST_F(MetaLookupTest, FileTimeModesTakeTheirOwnTime)
{
    const std::string path = Jpeg("dated.jpg", "2010:07:15 14:03:09", 1);
    SetDistinctTimes(path);
    Date modified, created, accessed;
    ASSERT_TRUE(ForMode(path, OrganizeMode::Modified, modified));
    ASSERT_TRUE(ForMode(path, OrganizeMode::Created, created));
    ASSERT_TRUE(ForMode(path, OrganizeMode::Accessed, accessed));
    EXPECT_EQ(modified, LocalDate(Utc(2007, 7, 7, 12)));
    EXPECT_EQ(accessed, LocalDate(Utc(2005, 5, 5, 12)));
    EXPECT_EQ(accessed, OwnTime(path, Which::Accessed));
    // Wine on a Linux file system reports the last-write time as the creation time.
    EXPECT_EQ(created, OwnTime(path, Which::Created));
    if (OwnTime(path, Which::Created) != OwnTime(path, Which::Written)) {
        EXPECT_EQ(created, LocalDate(Utc(2003, 3, 3, 12)));
    }
    EXPECT_EQ(ToolStarts(), 0);
}

// Run with TZ set to zones with and without daylight saving (see the CTest entries).
TEST_F(MetaLookupTest, FileTimesNearMidnightLandInTheirOwnDay)
{
    std::string zone;
    const std::vector<qmtest::ZoneCase> cases = qmtest::NearMidnightCases(zone);
    if (cases.empty())
        GTEST_SKIP() << "no expected local times for this time zone: " << zone;
    int n = 0;
    for (const qmtest::ZoneCase& c : cases) {
        const std::string path = Listed("night" + std::to_string(++n) + ".txt", "");
        ASSERT_TRUE(qmtest::SetAllFileTimes(path, c.utc));
        const Date expected {c.year, c.month, c.day, c.hour, c.minute, 0};
        for (OrganizeMode mode : {OrganizeMode::Modified, OrganizeMode::Created, OrganizeMode::Accessed,
                                  OrganizeMode::TakenElseModified}) {
            Date d;
            ASSERT_TRUE(ForMode(path, mode, d)) << static_cast<int>(mode);
            EXPECT_EQ(d, expected) << "mode " << static_cast<int>(mode) << ", case " << n;
        }
    }
}

// On a volume that keeps UTC (the test's, as Wine reports a host folder) each time takes the rule
// of its own date and year, as the system's own conversion gives it; run in zones with and
// without daylight saving (see the CTest entries).
TEST_F(MetaLookupTest, FileTimesOfEverySeasonAndYearAsTheSystemConvertsThem)
{
    const std::string path = Listed("seasons.txt", "");
    char root[MAX_PATH + 1], fileSystem[MAX_PATH + 1];
    ASSERT_TRUE(GetVolumePathNameA(path.c_str(), root, sizeof root));
    ASSERT_TRUE(GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                      sizeof fileSystem));
    if (KeepsLocalTime(fileSystem))
        GTEST_SKIP() << "the test folder is on a volume that keeps local time: " << fileSystem;
    for (const int year : {1999, 2006, 2007, 2015, 2024}) {
        for (const int month : {1, 4, 7, 10, 11}) {
            for (const int hour : {0, 11, 23}) {
                const FILETIME utc = Utc(year, month, 15, hour);
                SYSTEMTIME system;
                ASSERT_TRUE(FileTimeToSystemTime(&utc, &system));
                ASSERT_TRUE(qmtest::SetAllFileTimes(path, system));
                Date d;
                ASSERT_TRUE(ForMode(path, OrganizeMode::Modified, d));
                EXPECT_EQ(d, LocalDate(utc)) << year << "-" << month << " " << hour << ":34";
            }
        }
    }
}

TEST_F(MetaLookupTest, TakenElseCreatedAndElseAccessed)
{
    const std::string path = Listed("raw.nef", "Make : NoDate\\n");
    SetDistinctTimes(path);
    Date created, accessed;
    ASSERT_TRUE(ForMode(path, OrganizeMode::TakenElseCreated, created));
    EXPECT_EQ(created, OwnTime(path, Which::Created));
    ASSERT_TRUE(ForMode(path, OrganizeMode::TakenElseAccessed, accessed));
    EXPECT_EQ(accessed, OwnTime(path, Which::Accessed));
    EXPECT_EQ(ToolStarts(), 2);  // the tool is asked first each time
}

TEST_F(MetaLookupTest, NonDateModesFail)
{
    const std::string path = Jpeg("dated.jpg", "2010:07:15 14:03:09", 6);
    Date d;
    EXPECT_FALSE(ForMode(path, OrganizeMode::Extension, d));
    EXPECT_FALSE(ForMode(path, OrganizeMode::Orientation, d));
    EXPECT_FALSE(ForMode(path, static_cast<OrganizeMode>(123), d));
    EXPECT_EQ(d, Date {});
}

TEST_F(MetaLookupTest, ToolDateFieldsInOrder)
{
    Date d;
    ASSERT_TRUE(
            Taken(Listed("a.tif", "Modify Date : 2003:03:03 03:03:03\\nCreate Date : 2002:02:02 02:02:02\\n"
                                  "Date/Time Original : 2001:01:01 01:01:01\\n"),
                  d));
    EXPECT_EQ(d, (Date {2001, 1, 1, 1, 1, 1}));
    ASSERT_TRUE(Taken(Listed("b.cr2", "Date/Time Original :\\nModify Date : 2003:03:03 03:03:03\\n"
                                      "Create Date : 2002:02:02 02:02:02.50+01:00\\n"),
                      d));
    EXPECT_EQ(d, (Date {2002, 2, 2, 2, 2, 2}));
    ASSERT_TRUE(Taken(Listed("c.png", "Modify Date : 2003:03:03 03:03:03\\n"), d));
    EXPECT_EQ(d, (Date {2003, 3, 3, 3, 3, 3}));
}

TEST_F(MetaLookupTest, UnparsableFirstDateIsNotReplacedByTheNext)
{
    Date d;
    EXPECT_FALSE(Taken(Listed("a.tif", "Date/Time Original : 0000:00:00 00:00:00\\n"
                                       "Create Date : 2002:02:02 02:02:02\\n"),
                       d));
    EXPECT_FALSE(Taken(Listed("b.tif", "Make : NoDates\\n"), d));
    EXPECT_FALSE(Taken(Listed("c.tif", ""), d));
    EXPECT_EQ(d, Date {});
}

// A lookup that could not be made fails the file with its reason, even where a mode falls back:
// only a file that was read and holds no date takes the file time.
TEST_F(MetaLookupTest, ToolThatDoesNotStartFailsInsteadOfFallingBack)
{
    config_.toolPath = folder_ / "no_tool_here.exe";
    const std::string path = Listed("raw.dng", "Date/Time Original : 2001:01:01 01:01:01\\n");
    SetDistinctTimes(path);
    MetaLookup lookup(config_);
    Date d;
    const auto taken = lookup.DateTaken(path);
    ASSERT_FALSE(taken);
    EXPECT_EQ(taken.GetStatus().Kind(), FailureKind::System);
    EXPECT_EQ(taken.GetStatus().Reason(), ToolOutcomeText(ToolOutcome::NotStarted));
    const auto fallback = DateForMode(lookup, path, OrganizeMode::TakenElseModified);
    ASSERT_FALSE(fallback);
    EXPECT_EQ(fallback.GetStatus().Reason(), ToolOutcomeText(ToolOutcome::NotStarted));
    const auto oriented = lookup.OrientationText(path);
    ASSERT_FALSE(oriented);
    EXPECT_EQ(oriented.GetStatus().Reason(), ToolOutcomeText(ToolOutcome::NotStarted));
    // The file-time modes do not need the tool.
    ASSERT_TRUE(Found(DateForMode(lookup, path, OrganizeMode::Modified), d));
    EXPECT_EQ(d, LocalDate(Utc(2007, 7, 7, 12)));
}

TEST_F(MetaLookupTest, ToolThatHangsOrCrashesFailsInsteadOfFallingBack)
{
    config_.timeLimitMs = 1500;
    const std::string slow = folder_ / "slow.tif";
    ASSERT_TRUE(WriteText(slow, "out Date/Time Original : 2001:01:01 01:01:01\\n\nhang\n"));
    const std::string crash = folder_ / "crash.tif";
    ASSERT_TRUE(WriteText(crash, "out Date/Time Original : 2001:01:01 01:01:01\\n\ncrash\n"));
    for (const bool batch : {true, false}) {
        SCOPED_TRACE(batch);
        config_.useBatch = batch;
        MetaLookup lookup(config_);
        for (const std::string& path : {slow, crash}) {
            SetDistinctTimes(path);
            const auto date = DateForMode(lookup, path, OrganizeMode::TakenElseModified);
            ASSERT_FALSE(date);
            EXPECT_EQ(date.GetStatus().Kind(), FailureKind::System);
            EXPECT_EQ(date.GetStatus().Reason(),
                      ToolOutcomeText(path == slow ? ToolOutcome::TimedOut : ToolOutcome::Crashed));
        }
        // A file read without a date still falls back.
        const std::string plain = Listed("plain.tif", "Make : NoDates\\n");
        SetDistinctTimes(plain);
        Date d;
        ASSERT_TRUE(Found(DateForMode(lookup, plain, OrganizeMode::TakenElseModified), d));
        EXPECT_EQ(d, LocalDate(Utc(2007, 7, 7, 12)));
    }
}

TEST_F(MetaLookupTest, FileThatCannotBeOpenedFailsWithTheSystemReason)
{
    const std::string raw = Listed("locked.tif", "Make : NoDates\\n");
    const std::string jpeg = Jpeg("locked.jpg", "", 1);
    for (const std::string& path : {raw, jpeg}) {
        SCOPED_TRACE(path);
        SetDistinctTimes(path);
        // Held open without sharing, as another program may hold a file.
        const HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        MetaLookup lookup(config_);
        Date d;
        const auto date = DateForMode(lookup, path, OrganizeMode::TakenElseModified);
        const auto oriented = lookup.OrientationText(path);
        CloseHandle(holder);
        // The system's sharing refusal, in its own words.
        for (const Status& failure : {date.GetStatus(), oriented.GetStatus()}) {
            ASSERT_FALSE(failure);
            EXPECT_EQ(failure.Kind(), FailureKind::System);
            EXPECT_EQ(failure.Code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
            std::string words;
            ASSERT_TRUE(SystemErrorText(ERROR_SHARING_VIOLATION, words));
            EXPECT_EQ(failure.Reason(), words);
            EXPECT_EQ(LookupFailedText(OrganizeMode::TakenElseModified, failure),
                      "Failed to read the file's metadata (" + words + ")");
        }
        // Once the file is free again, the same lookup falls back as before.
        ASSERT_TRUE(Found(DateForMode(lookup, path, OrganizeMode::TakenElseModified), d));
        EXPECT_EQ(d, LocalDate(Utc(2007, 7, 7, 12)));
    }
}

TEST_F(MetaLookupTest, JpegOrientationTexts)
{
    std::string text;
    ASSERT_TRUE(Orientation(Jpeg("o1.jpg", "", 1), text));
    EXPECT_EQ(text, "Horizontal (normal)");
    ASSERT_TRUE(Orientation(Jpeg("o6.jpg", "", 6), text));
    EXPECT_EQ(text, "Rotate 90 CW");
    ASSERT_TRUE(Orientation(Jpeg("o8.JPEG", "", 8), text));
    EXPECT_EQ(text, "Rotate 90 CCW");
    for (int orientation : {0, 2, 3, 4, 5, 7, 9}) {
        SCOPED_TRACE(orientation);
        text = "untouched";
        EXPECT_FALSE(Orientation(Jpeg("o.jpg", "", orientation), text));
        EXPECT_EQ(text, "untouched");
    }
    EXPECT_EQ(ToolStarts(), 0);
}

TEST_F(MetaLookupTest, ToolOrientationTexts)
{
    std::string text;
    ASSERT_TRUE(Orientation(Listed("a.tif", "Orientation : Rotate 270 CW\\n"), text));
    EXPECT_EQ(text, "Rotate 90 CCW");
    ASSERT_TRUE(Orientation(Listed("b.tif", "Orientation : Mirror horizontal and rotate 270 CW\\n"), text));
    EXPECT_EQ(text, "Mirror horizontal and rotate 90 CCW");
    ASSERT_TRUE(Orientation(Listed("c.tif", "Orientation : 270 CW 270 CW\\n"), text));
    EXPECT_EQ(text, "90 CCW 90 CCW");
    ASSERT_TRUE(Orientation(Listed("d.tif", "Orientation : Horizontal (normal)\\n"), text));
    EXPECT_EQ(text, "Horizontal (normal)");
    ASSERT_TRUE(Orientation(Listed("e.tif", "Orientation : Rotate 180\\n"), text));
    EXPECT_EQ(text, "Rotate 180");
    text = "untouched";
    EXPECT_FALSE(Orientation(Listed("f.tif", "Orientation :\\nMake : X\\n"), text));
    EXPECT_FALSE(Orientation(Listed("g.tif", "Make : X\\n"), text));
    EXPECT_EQ(text, "untouched");
}

// metaprobe.exe as built into the shippable folder, when it is there.
TEST_F(MetaLookupTest, RealToolOnTiff)
{
    const std::string tool = tooltest::RealToolPath();
    if (GetFileAttributesA(tool.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "metaprobe.exe is not built (" << tool << ")";
    }
    config_.toolPath = tool;
    const std::string path = folder_ / "real.tif";
    ASSERT_TRUE(qmtest::WriteBytes(
            path, qmtest::BuildTiff(ExifIfd("2010:07:15 14:03:09", 8), {qmtest::ByteOrder::Motorola})));
    Date d;
    ASSERT_TRUE(Taken(path, d));
    EXPECT_EQ(d, kTaken);
    std::string text;
    ASSERT_TRUE(Orientation(path, text));
    EXPECT_EQ(text, "Rotate 90 CCW");
}

}  // namespace
