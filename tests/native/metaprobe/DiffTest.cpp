// Compares the tool's listing with the reference tool's: stored reference listings of the sample
// corpus, and the reference tool itself (when on PATH) on files built here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "metadata/JpegSectionReader.h"
#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"
#include "metaprobe/TiffTags.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/IccSamples.h"
#include "tests/support/IsoSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MakerNoteSamples.h"
#include "tests/support/RawSamples.h"
#include "tests/support/TiffBuilder.h"

namespace {

using Fields = std::map<std::string, std::string>;  // first value of each name

Fields ParseListing(std::istream& in)
{
    Fields fields;
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon), value = line.substr(colon + 1);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        if (!value.empty() && value[0] == ' ')
            value.erase(0, 1);
        fields.emplace(name, value);
    }
    return fields;
}

Fields OwnListing(const std::string& path)
{
    metaprobe::Listing listing;
    metaprobe::ProbeFile(path, listing);
    std::istringstream text(metaprobe::FormatListing(listing));
    return ParseListing(text);
}

// Lines that depend on when or by whom the file was touched, or on the tool itself.
bool Excluded(const std::string& name)
{
    static const char* const names[] = {"ExifTool Version Number",
                                        "Directory",
                                        "File Modification Date/Time",
                                        "File Access Date/Time",
                                        "File Inode Change Date/Time",
                                        "File Permissions",
                                        "File Name"};
    for (const char* n : names) {
        if (name == n)
            return true;
    }
    return false;
}

// Movie dates are listed in local time with the zone; a reference listing made without that
// option shows the same UTC time without a zone, equal when the local zone is UTC.
bool SameValue(const std::string& reference, const std::string& own)
{
    if (reference == own)
        return true;
    return reference.size() == 19 && own == reference + "+00:00";
}

// A movie date of zero means "not set". The reference converts it to 1904-01-01 in local time;
// this tool lists zeros, so that no file is ever sorted under 1904.
bool UnsetMovieDate(const std::string& reference, const std::string& own)
{
    return own == "0000:00:00 00:00:00" && reference.compare(0, 19, "1904:01:01 00:00:00") == 0;
}

struct Score {
    int standardLines = 0, standardMatched = 0, shared = 0, sharedMatched = 0;
    std::vector<std::string> mismatches;
};

void Compare(const std::string& label, const Fields& reference, const Fields& own, Score& score)
{
    for (const char* key : {"Date/Time Original", "Create Date", "Modify Date", "Orientation"}) {
        auto ref = reference.find(key);
        if (ref == reference.end())
            continue;
        auto mine = own.find(key);
        if (mine != own.end() && UnsetMovieDate(ref->second, mine->second))
            continue;
        // Dates with a time zone come from XMP packets, which this tool does not read.
        if (mine == own.end() && ref->second.size() > 19)
            continue;
        ASSERT_NE(mine, own.end()) << label << ": missing " << key;
        EXPECT_TRUE(SameValue(ref->second, mine->second))
                << label << ": " << key << " reference [" << ref->second << "] own [" << mine->second << "]";
    }
    for (const auto& [name, value] : reference) {
        if (Excluded(name))
            continue;
        auto mine = own.find(name);
        if (mine != own.end() && UnsetMovieDate(value, mine->second))
            continue;
        bool standard = metaprobe::IsStandardTagName(name);
        if (standard)
            ++score.standardLines;
        if (mine == own.end() && standard)
            score.mismatches.push_back(label + ": " + name + " reference [" + value + "] own: missing");
        if (mine == own.end())
            continue;
        ++score.shared;
        if (SameValue(value, mine->second)) {
            ++score.sharedMatched;
            if (standard)
                ++score.standardMatched;
        } else {
            score.mismatches.push_back(label + ": " + name + " reference [" + value + "] own [" +
                                       mine->second + "]");
        }
    }
}

void Report(const char* what, const Score& score)
{
    std::printf("[%s] standard TIFF/EXIF/GPS lines reproduced exactly: %d of %d (%.1f%%); shared fields "
                "equal: %d of %d\n",
                what, score.standardMatched, score.standardLines,
                score.standardLines ? 100.0 * score.standardMatched / score.standardLines : 100.0,
                score.sharedMatched, score.shared);
    for (const std::string& line : score.mismatches)
        std::printf("  differs: %s\n", line.c_str());
}

TEST(MetaprobeDiff, CorpusAgainstReferenceListings)
{
    const std::string corpus = QM_CORPUS_DIR;
    std::ifstream probe(corpus + "/reference/CanonRaw.cr2.txt");
    if (!probe)
        GTEST_SKIP() << "sample corpus not found at " << corpus;
    const char* const files[] = {"other/CanonRaw.cr2",
                                 "other/DNG.dng",
                                 "other/ExifTool.tif",
                                 "other/FujiFilm.raf",
                                 "other/JXL.jxl",
                                 "other/Minolta.mrw",
                                 "other/Photoshop.psd",
                                 "other/RIFF.webp",
                                 "other/SigmaDP2.x3f",
                                 "other/Nikon.nef",
                                 "other/PNG.png",
                                 "other/Panasonic.rw2",
                                 "other/QuickTime.mov",
                                 "other/samplefilehub.heif",
                                 "jpeg/Canon_40D.jpg",
                                 "jpeg/Fujifilm_FinePix_E500.jpg",
                                 "jpeg/Nikon_D70.jpg",
                                 "jpeg/Pentax_K10D.jpg",
                                 "jpeg/landscape_1.jpg",
                                 "jpeg/landscape_2.jpg",
                                 "jpeg/landscape_3.jpg",
                                 "jpeg/landscape_4.jpg",
                                 "jpeg/landscape_5.jpg",
                                 "jpeg/landscape_6.jpg",
                                 "jpeg/landscape_7.jpg",
                                 "jpeg/landscape_8.jpg",
                                 "jpeg/long_description.jpg",
                                 "bad/image00971.jpg",
                                 "bad/image01088.jpg"};
    Score score;
    for (const char* file : files) {
        std::string name = std::string(file).substr(std::string(file).find('/') + 1);
        std::ifstream ref(corpus + "/reference/" + name + ".txt");
        ASSERT_TRUE(ref) << name;
        Compare(name, ParseListing(ref), OwnListing(corpus + "/" + file), score);
    }
    Report("corpus", score);
    EXPECT_GT(score.standardLines, 0);
    EXPECT_EQ(score.sharedMatched, score.shared);
}

bool ReferenceToolAvailable()
{
    std::FILE* pipe = popen("exiftool -ver 2>/dev/null", "r");
    if (!pipe)
        return false;
    char buffer[64] = {};
    bool got = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
    return pclose(pipe) == 0 && got;
}

Fields ReferenceListing(const std::string& path)
{
    std::string command = "exiftool -api QuickTimeUTC=1 '" + path + "' 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string text;
    if (pipe) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    std::istringstream in(text);
    return ParseListing(in);
}

// Profiles that differ in every header field and in the type each text tag is stored as.
std::vector<uint8_t> GeneratedProfile(unsigned n)
{
    namespace icc = qmtest::icc;
    static const char* const vendors[] = {"ADBE", "appl", "Lino", "zzzz", "", "none", "NKON", "HP  "};
    static const char* const classes[] = {"mntr", "scnr", "prtr", "link", "abst", "spac", "nmcl", "abcd"};
    static const char* const spaces[] = {"RGB ", "CMYK", "GRAY", "Lab ", "XYZ ", "YCbr", "", "6CLR"};
    static const char* const platforms[] = {"MSFT", "APPL", "SUNW", "SGI ", "TGNT", "XXXX", "", "APPL"};
    static const char* const technologies[] = {"CRT ", "dcam", "ijet", "vidm",
                                               "zzzz", "AMD ", "fscn", "pjtv"};
    qmtest::IccProfile profile;
    qmtest::IccHeader& h = profile.header;
    h.cmm = vendors[n % 8];
    h.major = uint8_t(2 + n % 3);
    h.minor = uint8_t(n * 0x11);
    h.deviceClass = classes[n % 8];
    h.colorSpace = spaces[n % 8];
    h.connectionSpace = n % 2 ? "XYZ " : "Lab ";
    h.date = {uint16_t(1990 + n), uint16_t(n),     uint16_t(20 + n),
              uint16_t(n * 3),    uint16_t(n * 7), uint16_t(n)};
    h.platform = platforms[n % 8];
    h.flags = n % 4;
    h.manufacturer = vendors[(n + 3) % 8];
    h.model = n % 2 ? "ab" : "";
    h.attributes = (n * 3) % 16;
    h.intent = n % 5;
    h.illuminant = {0.9642 + n / 1000.0, 1, -0.82491 * n};
    h.creator = vendors[(n + 5) % 8];
    if (n % 2)
        h.id = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, uint8_t(n)};
    const std::string number = std::to_string(n);
    const std::u16string localized = u"Profil \u00e9 " + std::u16string(1, char16_t(u'0' + n));
    if (n % 2) {
        profile.Tag("desc", icc::Description("Profile " + number, u"Unicode"))
                .Tag("cprt", icc::Text("Copyright " + number + "  "))
                .Tag("dmnd", icc::Description("Maker " + number))
                .Tag("dscm", icc::MultiLocalized({{"en", "US", u"English"}, {"de", "DE", localized}}));
    } else {
        profile.Tag("desc",
                    icc::MultiLocalized({{"fr", "FR", localized},
                                         {"en", "US", u"Profile \U0001F600 " + std::u16string(1, u'0' + n)},
                                         {"ja", "JP", u"\u30d7\u30ed"}}))
                .Tag("cprt", icc::MultiLocalized({{"en", "US", u"Copyright"}}))
                .Tag("dmdd", icc::Text("Model " + number));
    }
    profile.Tag("wtpt", icc::Xyz({0.95045, 1, 1.08905 + n}))
            .Tag("bkpt", icc::Xyz({0, 0.00001 * n, -1.0 / (n + 2)}))
            .Tag("rXYZ", icc::Xyz({0.43607, 0.22249, 0.01392 * n}))
            .Tag("gXYZ", icc::Xyz({1.0 / 3, 2.0 / 3, 0.09708}))
            .Tag("bXYZ", icc::Xyz({0.14307, 0.06061, 0.7141, 1, 2, 3}))
            .Tag("lumi", icc::Xyz({76.03647 * n, 80, 87.12462}))
            .Tag("chad", icc::Fixed({1.04788, 0.02292, -0.0502, 0.02957, 0.99049 * n, -0.01706, -0.00923,
                                     0.01508, 0.75165}))
            .Tag("tech", icc::Signature(technologies[n % 8]))
            .Tag("meas", icc::Measurement(n % 3, {0, 0.5, n * 1.0}, n % 4, 0.01 * n, n % 10))
            .Tag("view", icc::Viewing({19.6445, 20.3718, 16.8089 * n}, {3.92889, 4.07439, 3.36179}, n % 10))
            .Tag("vued", icc::Description("Viewing " + number))
            .Tag("rTRC", icc::Curve(n))
            .Tag("gTRC", icc::Curve(256))
            .Tag("bTRC", icc::Curve(1))
            .Tag("scrd", icc::Description("Screening " + number))
            .Tag(n % 2 ? "targ" : "ps2i", icc::Text("Target " + number))
            .Tag("calt", icc::DateTime({uint16_t(2000 + n), 12, uint16_t(n), 23, 59, uint16_t(n * 7)}))
            .Tag(n % 2 ? "rig0" : "rig2", icc::Signature(n % 3 ? "prmg" : "abcd"))
            .Tag("ciis", icc::Signature(n % 3 ? "scoe" : ""))
            .Tag("chrm", icc::Chromaticity(uint16_t(n % 6), std::vector<std::array<double, 2>>(
                                                                    n % 6, {0.64 / n, 0.33 + n / 100.0})))
            .Tag("clrt",
                 icc::Colorants(std::vector<icc::Colorant>(
                         n % 5, {"Colorant " + number + "  ", {uint16_t(n), 2, uint16_t(65535 - n)}})))
            .Tag("A2B0", icc::Typed("mft2", std::vector<uint8_t>(40 + n, 0)))
            .Tag("B2A0", icc::Typed("mAB ", std::vector<uint8_t>(24, 0)))
            .Tag("vcgt", icc::Typed("vcgt", std::vector<uint8_t>(12 + n, 1)))
            .Tag("ndin", icc::Typed("ndin", std::vector<uint8_t>(30, 2)))
            .Tag("mmod", icc::Typed("mmod", std::vector<uint8_t>(32, 3)))
            .Tag("pseq", icc::Typed("pseq", std::vector<uint8_t>(4, 0)));
    return profile.Bytes();
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> GeneratedFiles()
{
    using qmtest::Ifd;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (uint16_t orientation = 1; orientation <= 8; ++orientation) {
        Ifd exif;
        exif.Rational(0x829A, 1, 60 * orientation)
                .Rational(0x829D, 10 + orientation * 7, 10)
                .Short(0x8822, orientation % 5)
                .Short(0x8827, uint16_t(100 * orientation))
                .Undefined(0x9000, {'0', '2', '3', '1'})
                .Ascii(0x9003, "2012:0" + std::to_string(orientation) + ":15 1" +
                                       std::to_string(orientation) + ":03:09")
                .Ascii(0x9004, "2012:01:16 00:00:00")
                .SRational(0x9204, -int32_t(orientation), 3)
                .Short(0x9207, orientation % 7)
                .Short(0x9209, orientation % 2 ? 0x19 : 0x10)
                .Rational(0x920A, 185 * orientation, 10)
                .Short(0xA001, 1)
                .Short(0xA402, orientation % 3)
                .Short(0xA403, orientation % 2)
                .Short(0xA405, uint16_t(28 * orientation))
                .Ascii(0xA434, "Lens " + std::to_string(orientation));
        Ifd gps;
        gps.Bytes(0x0000, {2, 2, 0, 0})
                .Ascii(0x0001, orientation % 2 ? "N" : "S")
                .Ascii(0x0003, "E")
                .Ascii(0x001D, "2012:01:16");
        Ifd ifd0;
        ifd0.Ascii(0x010F, "Maker " + std::to_string(orientation))
                .Ascii(0x0110, "Model " + std::to_string(orientation))
                .Short(0x0112, orientation)
                .Rational(0x011A, 72 * orientation, 1)
                .Rational(0x011B, 72, 1)
                .Short(0x0128, 2)
                .Ascii(0x0131, "Software")
                .Ascii(0x0132, "2013:02:03 04:05:06")
                .Short(0x0213, 2)
                .Sub(0x8769, exif)
                .Sub(0x8825, gps);
        qmtest::TiffOptions options;
        options.order = orientation % 2 ? qmtest::ByteOrder::Intel : qmtest::ByteOrder::Motorola;
        std::string n = std::to_string(orientation);
        files.push_back({"gen" + n + ".tif", qmtest::BuildTiff(ifd0, options)});
        files.push_back({"gen" + n + ".jpg",
                         qmtest::MinimalJpeg(ifd0, options.order, 100, uint16_t(50 * orientation))});
        files.push_back({"gen" + n + ".png",
                         qmtest::BuildPng(8, 8, qmtest::PngChunk("eXIf", qmtest::BuildTiff(ifd0, options)))});
        files.push_back({"gen" + n + ".heic", qmtest::BuildHeic(qmtest::BuildTiff(ifd0, options))});
        uint64_t when = qmtest::MovieSeconds(2000 + orientation, orientation, 1, 12, 0, 0);
        Ifd cmt1;
        cmt1.Ascii(0x010F, "Canon")
                .Ascii(0x0110, "Canon EOS R" + n)
                .Short(0x0112, orientation)
                .Ascii(0x0132, "2019:0" + n + ":02 03:04:05");
        Ifd cmt2;
        cmt2.Rational(0x829A, 1, 250)
                .Rational(0x829D, 56, 10)
                .Short(0x8827, 800)
                .Ascii(0x9003, "2019:0" + n + ":02 03:04:0" + n)
                .Ascii(0x9004, "2019:0" + n + ":02 03:04:0" + n);
        files.push_back(
                {"gen" + n + ".cr3", qmtest::BuildCr3(qmtest::BuildTiff(cmt1, options),
                                                      qmtest::BuildTiff(cmt2, options), uint32_t(when))});
        files.push_back(
                {"gen" + n + ".mov", qmtest::BuildMovie("qt  ", uint32_t(when), uint32_t(when + 60))});
        files.push_back({"gen" + n + ".mp4", qmtest::BuildMovie(orientation % 2 ? "mp42" : "isom",
                                                                uint32_t(when + 1), uint32_t(when))});
        std::vector<uint8_t> tiff = qmtest::BuildTiff(ifd0, options);
        std::vector<uint8_t> jpeg = qmtest::MinimalJpeg(ifd0, options.order, 100, uint16_t(50 * orientation));
        const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                                "rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
                                "xmp:CreatorTool='Gen " +
                                n + "'/></rdf:RDF></x:xmpmeta>";
        files.push_back({"gen" + n + ".webp", qmtest::BuildWebp(tiff, xmp)});
        files.push_back({"gen" + n + ".jxl", qmtest::BuildJxl(tiff, xmp)});
        std::vector<uint8_t> iptc = qmtest::IptcDataset(2, 55, "2012010" + n);
        for (const auto& part :
             {qmtest::IptcDataset(2, 60, "10203" + n + "+0100"), qmtest::IptcDataset(2, 5, "Title " + n)})
            iptc.insert(iptc.end(), part.begin(), part.end());
        files.push_back({"gen" + n + ".psd", qmtest::BuildPsd(tiff, iptc)});
        files.push_back({"gen" + n + ".raf", qmtest::BuildRaf("FinePix " + n, jpeg)});
        // Picture settings: saturation, contrast, sharpness (signed), program mode.
        const uint8_t step = uint8_t(orientation % 5 - 2);
        files.push_back({"gen" + n + ".mrw",
                         qmtest::BuildMrw(tiff, {0, step, uint8_t(-step), uint8_t(orientation - 4), 0,
                                                 uint8_t(orientation - 1), 0, 0})});
        files.push_back(
                {"gen" + n + ".rw2", qmtest::BuildRw2(orientation % 2 == 0, uint16_t(3000 + orientation),
                                                      2000, orientation, jpeg)});
        files.push_back({"gen" + n + ".x3f", qmtest::BuildX3f(jpeg, 90 * (orientation % 4))});
        files.push_back({"gen" + n + "v4.x3f",
                         qmtest::BuildX3f(jpeg, 90 * (orientation % 4), {}, 0x00040000u + orientation % 3)});
        files.push_back({"gen" + n + ".crw",
                         qmtest::BuildCrw(orientation % 2 == 0, "Canon", "Canon EOS D" + n,
                                          uint32_t(when - 2082844800u), 640, 480, 90 * (orientation % 4))});
        // The creation date of an iPhone video, in the forms it has been seen in and some others.
        static const char* const creationDates[] = {"2019-05-04T15:20:30+0200",
                                                    "2019-05-04T15:20:30.123-07:00",
                                                    "2019-05-04T15:20:30Z",
                                                    "2019-05-04T15:20+0200",
                                                    "2019-05-04T15:20:30 x",
                                                    "2019-5-04T15:20:30+0200",
                                                    "2019-05-04",
                                                    "2019-05-04T15:20:30\t-0000"};
        files.push_back({"gen" + n + "c.mov", qmtest::BuildMovie("qt  ", uint32_t(when), uint32_t(when + 60),
                                                                 "", creationDates[orientation - 1])});
        // Color profiles in every container that holds one, in one piece or split over segments.
        std::vector<uint8_t> profile = GeneratedProfile(orientation);
        qmtest::JpegBuilder profiled;
        profiled.Soi();
        for (const auto& segment : qmtest::IccSegments(profile, 1 + orientation % 3))
            profiled.Segment(0xE2, segment);
        files.push_back({"gen" + n + "p.jpg", profiled.Frame(8, 8).Scan().Eoi().Bytes()});
        Ifd withProfile = ifd0;
        withProfile.Undefined(0x8773, profile);
        files.push_back({"gen" + n + "p.tif", qmtest::BuildTiff(withProfile, options)});
        files.push_back({"gen" + n + "p.psd", qmtest::BuildPsd(tiff, {}, profile)});
        files.push_back({"gen" + n + "p.webp", qmtest::BuildWebp(tiff, "", profile)});
        files.push_back(
                {"gen" + n + "i.heic",
                 qmtest::BuildHeif("heic",
                                   {qmtest::SpatialExtentBox(640, 480),
                                    qmtest::ColourProfileBox(profile, orientation % 2 ? "prof" : "rICC")},
                                   {1, 2}, {}, "")});
        files.push_back({"gen" + n + "t.mov", qmtest::CameraMovieSample(orientation)});
        files.push_back({"gen" + n + "t.mp4", qmtest::Mp4Sample(orientation)});
        files.push_back({"gen" + n + "p.heic", qmtest::ImagePropertiesSample(orientation, false)});
        files.push_back({"gen" + n + ".avif", qmtest::ImagePropertiesSample(orientation, true)});
        files.push_back({"gen" + n + ".3gp",
                         qmtest::BuildMovie("3gp" + std::to_string(4 + orientation % 3), uint32_t(when), 0)});
    }
    return files;
}

using NamedFiles = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

std::vector<uint8_t> Chars(const char* bytes, size_t size)
{
    return std::vector<uint8_t>(bytes, bytes + size);
}

// Canon notes: the camera settings (contrast, saturation, sharpness, metering; 0x7FFF is "not
// set"), owner, serial number in each model family's form, time info (zone, city, daylight
// saving; refused by the reference in big-endian notes).
void AddCanonFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const int16_t settings[][4] = {{0, 0, 0, 5}, {-1, 1, 3, 3}, {2, -2, -1, 0}, {0x7FFF, -3, 0x7FFF, 9}};
    const char* const models[] = {"Canon EOS 5D", "Canon EOS D30", "Canon EOS-1D Mark II",
                                  "Canon PowerShot S90"};
    for (int i = 0; i < 4; ++i) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            std::vector<uint16_t> cs(46, 0);
            cs[0] = 92;
            for (int k = 0; k < 4; ++k)
                cs[size_t(k == 3 ? 17 : 13 + k)] = uint16_t(settings[i][k]);
            // Time info: size, zone in minutes, city, daylight saving.
            const int32_t zones[][3] = {{540, 6, 0}, {-300, 27, 60}, {330, 32766, 60}, {0, 40, 5}};
            std::vector<uint8_t> timeInfo;
            for (int32_t v : {16, zones[i][0], zones[i][1], zones[i][2]}) {
                for (int shift = 0; shift < 32; shift += 8) {
                    const uint8_t byte = uint8_t(uint32_t(v) >> shift);
                    timeInfo.insert(order == ByteOrder::Intel ? timeInfo.end() : timeInfo.end() - shift / 8,
                                    byte);
                }
            }
            qmtest::Ifd note;
            note.Shorts(0x0001, cs)
                    .Ascii(0x0009, "Owner " + std::to_string(i) + "  ")
                    .Long(0x000C, 123456789u + uint32_t(i) * 1000003u)
                    .Raw(0x0035, qmtest::fmt::SLong, 4, timeInfo);
            qmtest::Shorts before = {{0x9207, uint16_t(1 + i)}}, after;
            if (i % 2)
                after.push_back({0xA408, 1});
            std::string name = "canon" + std::to_string(i) + (order == ByteOrder::Intel ? "i" : "m");
            files.push_back({name + ".jpg", qmtest::JpegWithMakerNote(
                                                    "Canon", models[i],
                                                    [&](uint32_t offset) {
                                                        return qmtest::TiffRelativeNote(note, order, offset);
                                                    },
                                                    order, before, after)});
            files.push_back(
                    {name + ".dng",
                     qmtest::DngWithMakerNote("Canon", models[i], qmtest::TiffRelativeNote(note, order, 4000),
                                              4000, order)});
        }
    }
}

// Nikon notes: setting names in capitals and as written, both serial number entries, and the
// standard fields the note's values meet before and after it.
void AddNikonFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const char* const values[][5] = {
            {"AUTO", "NONE", "12345678", "NORMAL", "NATURAL"},
            {"DIRECT SUNLIGHT ", "MED.L", "  0012 ", "high saturation", "SPEEDLIGHT"},
            {"FLASH", "HIGH", "ABC DEF", "ENHANCED", "Cool WHT FL"},
            {"MODE2 X_Y1", "x y-z_w", "A1", "", "INCANDESCENT\t"}};
    for (int i = 0; i < 4; ++i) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            qmtest::Ifd note;
            note.Ascii(0x0005, values[i][0])
                    .Ascii(0x0006, values[i][1])
                    .Ascii(0x001D, values[i][2])
                    .Ascii(0x0090, values[i][4]);
            if (i % 2)
                note.Ascii(0x00A0, "NO= 300" + std::to_string(i));
            note.Ascii(0x00AA, values[i][3]);
            qmtest::Shorts before = {{0x9208, 1}}, after = {{0xA403, 1}};
            if (i >= 2)
                std::swap(before, after);
            std::vector<uint8_t> bytes =
                    qmtest::SelfContainedNote(note, order, Chars("Nikon\0\2\x10\0\0", 10));
            std::string name = "nikon" + std::to_string(i) + (order == ByteOrder::Intel ? "i" : "m");
            files.push_back({name + ".jpg", qmtest::JpegWithMakerNote(
                                                    "NIKON CORPORATION", "NIKON D2X",
                                                    [&](uint32_t) { return bytes; }, order, before, after)});
        }
    }
}

// Fujifilm notes (always little-endian inside) in EXIF blocks of both byte orders, named values
// and values outside the tables, and standard fields before and after the note.
void AddFujifilmFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const uint16_t values[][4] = {{3, 0, 0, 0}, {130, 256, 384, 128}, {6, 1280, 1283, 512}, {7, 5, 99, 9}};
    // The level sensor's roll: a signed ratio, also x/0 and 0/0.
    const int32_t rolls[][2] = {{15, 10}, {-3, 2}, {0, 0}, {1, 0}, {1, 3}, {-7, 1}, {123456789, 7}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            qmtest::Ifd note;
            note.Short(0x1001, values[i][0])
                    .Short(0x1002, values[i][1])
                    .Short(0x1003, values[i][2])
                    .Short(0x1004, values[i][3])
                    .SRational(0x144D, rolls[2 * i + (order == ByteOrder::Motorola)][0],
                               rolls[2 * i + (order == ByteOrder::Motorola)][1]);
            std::vector<uint8_t> prefix = Chars("FUJIFILM\x0C\0\0\0", 12);
            std::vector<uint8_t> tiff = qmtest::BuildTiff(note, {ByteOrder::Intel, 12});
            prefix.insert(prefix.end(), tiff.begin() + 12, tiff.end());
            qmtest::Shorts before = {{0xA403, 1}}, after = {{0xA40A, 1}, {0xA408, 2}};
            if (i % 2)
                std::swap(before, after);
            std::string name = "fuji" + std::to_string(i) + (order == ByteOrder::Intel ? "i" : "m");
            files.push_back({name + ".jpg", qmtest::JpegWithMakerNote(
                                                    "FUJIFILM", "FinePix E500",
                                                    [&](uint32_t) { return prefix; }, order, before, after)});
        }
    }
}

// Olympus: the clock in UTC and the level sensor's roll and pitch in the camera settings, in the
// newer layouts (its own byte order, offsets from the note, after either maker's header) and the
// older one (the EXIF block's order, offsets from its header).
void AddOlympusFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const int16_t angles[][3] = {{-15, 23, 1}, {0, 0, 1}, {100, -7, 1}, {-3599, 1, 1}, {5, 5, 0}, {5, 5, 2}};
    int n = 0;
    for (const auto& angle : angles) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            bool big = order == ByteOrder::Motorola;
            bool newer = n % 2 == 0;
            // The newer layout's own order is the opposite of the EXIF block's in every other file.
            ByteOrder own = newer && n % 4 == 0 ? (big ? ByteOrder::Intel : ByteOrder::Motorola) : order;
            auto pair = [&](int16_t value) {
                uint16_t words[] = {uint16_t(value), uint16_t(angle[2])};
                std::vector<uint8_t> bytes;
                for (uint16_t word : words) {
                    uint8_t high = uint8_t(word >> 8), low = uint8_t(word);
                    bytes.push_back(own == ByteOrder::Motorola ? high : low);
                    bytes.push_back(own == ByteOrder::Motorola ? low : high);
                }
                return bytes;
            };
            qmtest::Ifd settings;
            settings.Raw(0x0903, qmtest::fmt::SShort, 2, pair(angle[0]))
                    .Raw(0x0904, qmtest::fmt::SShort, 2, pair(angle[1]))
                    .Ascii(0x0908, "2016:01:0" + std::to_string(n % 10) + " 03:04:05");
            qmtest::Ifd note;
            note.Undefined(0x0000, {'0', '1', '0', '0'}).Sub(0x2020, settings);
            // In every other older note the settings pointer has the directory format (13).
            bool directoryFormat = n % 4 == 3;
            std::string name = "olympus" + std::to_string(n++) + (big ? "m" : "i") + ".jpg";
            if (newer) {
                // Every other newer note has the successor's header.
                bool successor = n % 4 == 3;
                std::vector<uint8_t> header =
                        successor ? Chars("OM SYSTEM\0\0\0", 12) : Chars("OLYMPUS\0", 8);
                for (char c : std::string(own == ByteOrder::Motorola ? "MM" : "II") + '\3' + '\0')
                    header.push_back(uint8_t(c));
                std::vector<uint8_t> bytes = qmtest::TiffRelativeNote(note, own, 0, header);
                files.push_back(
                        {name, qmtest::JpegWithMakerNote(
                                       successor ? "OM Digital Solutions" : "OLYMPUS IMAGING CORP.",
                                       successor ? "OM-1" : "E-M5", [&](uint32_t) { return bytes; }, order)});
            } else {
                files.push_back({name, qmtest::JpegWithMakerNote(
                                               "OLYMPUS OPTICAL CO.,LTD", "C5050Z",
                                               [&](uint32_t offset) {
                                                   std::vector<uint8_t> older = qmtest::TiffRelativeNote(
                                                           note, order, offset, Chars("OLYMP\0\1\0", 8));
                                                   // The pointer's format follows the header, the
                                                   // count and the version entry (8 + 2 + 12 + 2).
                                                   if (directoryFormat)
                                                       older[big ? 25 : 24] = 13;
                                                   return older;
                                               },
                                               order)});
            }
        }
    }
}

// Apple: the content identifier and the acceleration vector, in EXIF blocks of both byte orders
// (the note itself is always big-endian).
void AddAppleFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const std::vector<int32_t> vectors[] = {{-980, 14, 157}, {0, 1000, -1}, {123456, -7, 0}};
    int n = 0;
    for (const std::vector<int32_t>& vector : vectors) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            const std::vector<uint8_t> note =
                    qmtest::AppleMakerNote("5C2F6A3E-1B7D-4E8A-9F00-01234567890" + std::to_string(n), vector);
            files.push_back({"apple" + std::to_string(n++) + ".jpg",
                             qmtest::JpegWithMakerNote(
                                     "Apple", "iPhone 12", [&](uint32_t) { return note; }, order)});
        }
    }
}

// Pentax: the camera's clock and its world-time setting, as entries of their own and as the
// newer cameras' block, with values outside the tables.
void AddPentaxFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const uint16_t settings[][5] = {{0, 56, 20, 0, 1}, {1, 12, 74, 1, 0}, {2, 75, 0, 3, 1}, {1, 48, 5, 1, 1}};
    int n = 0;
    for (const auto& world : settings) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            const bool big = order == ByteOrder::Motorola;
            qmtest::Ifd note;
            note.Undefined(0x0006, {0x07, 0xD7, uint8_t(1 + n % 12), 30})
                    .Undefined(0x0007, {23, 59, uint8_t(n)});
            if (n % 4 < 2) {
                for (uint16_t i = 0; i < 5; ++i)
                    note.Short(uint16_t(0x0022 + i), world[i]);
            } else {
                note.Undefined(0x006B, {uint8_t(world[0] | world[3] << 1 | world[4] << 2), 0,
                                        uint8_t(world[1]), uint8_t(world[2])});
            }
            // Every value fits in its entry: the directory is taken from a TIFF block as it is.
            std::vector<uint8_t> bytes = Chars(big ? "AOC\0MM" : "AOC\0II", 6);
            const std::vector<uint8_t> tiff = qmtest::BuildTiff(note, {order});
            bytes.insert(bytes.end(), tiff.begin() + 8, tiff.end());
            files.push_back(
                    {"pentax" + std::to_string(n++) + (big ? "m" : "i") + ".jpg",
                     qmtest::JpegWithMakerNote(
                             "PENTAX Corporation", "PENTAX K10D", [&](uint32_t) { return bytes; }, order)});
        }
    }
}

// Sony: the clock of the shot-information block, after either header or none, including text cut
// short by a NUL or by the block's end.
void AddSonyFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const char* const prefixes[] = {"SONY DSC \0\0\0", "SONY CAM \0\0\0", ""};
    const std::string dates[] = {"2016:05:06 07:08:09", std::string("2016:0x:06 07\0 08:09", 19),
                                 "2011:12:13 14:15:16"};
    int n = 0;
    for (const char* prefix : prefixes) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            for (int entries = 1; entries <= 2; ++entries) {
                qmtest::Ifd note;
                note.Undefined(0x3000, qmtest::ShotInfoBlock(dates[n % 3], n % 4 == 3 ? 0 : 68));
                if (entries == 2)
                    note.Short(0xB001, 280);
                std::vector<uint8_t> head = Chars(prefix, *prefix ? 12 : 0);
                files.push_back(
                        {"sony" + std::to_string(n++) + (order == ByteOrder::Motorola ? "m" : "i") + ".jpg",
                         qmtest::JpegWithMakerNote(
                                 "SONY", "DSC-RX100",
                                 [&](uint32_t offset) {
                                     return qmtest::TiffRelativeNote(note, order, offset, head);
                                 },
                                 order)});
            }
        }
    }
    // Blocks cut short inside the clock's text, and one of the header alone.
    for (size_t size : {25, 16, 8, 7, 6}) {
        qmtest::Ifd note;
        std::vector<uint8_t> block = qmtest::ShotInfoBlock("2016:05:06 07:08:09", 0);
        block.resize(size);
        note.Undefined(0x3000, block);
        files.push_back({"sonyshort" + std::to_string(size) + ".jpg",
                         qmtest::JpegWithMakerNote(
                                 "SONY", "DSC-RX100",
                                 [&](uint32_t offset) {
                                     return qmtest::TiffRelativeNote(note, ByteOrder::Intel, offset,
                                                                     Chars("SONY DSC \0\0\0", 12));
                                 },
                                 ByteOrder::Intel)});
    }
}

// Sony's enciphered blocks: the clock of block 0x2010 for each layout that has one and for models
// whose layout has none, the second clock (or its minutes and seconds) of block 0x9050, the orientation of
// block 0x9400 in each layout (and enciphered twice), blocks cut short, and a clock in two blocks in either
// order.
void AddSonyEncipheredFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const std::vector<uint8_t> clocks[] = {{0xE0, 0x07, 5, 6, 7, 8, 9},
                                           {0x10, 0x27, 200, 255, 250, 100, 249}};
    std::vector<uint8_t> everywhere(2000, 0);
    for (size_t at : {438, 510, 528, 556})
        std::copy(clocks[0].begin(), clocks[0].end(), everywhere.begin() + long(at));
    const char* const models2010[] = {"SLT-A77",  "NEX-F3", "DSC-WX100", "DSC-RX100",
                                      "SLT-A99V", "NEX-5N", "ILCE-7M3"};
    const char* const models9050[] = {"ILCE-7", "ILCE-5100", "ILCE-7RM2", "ILCE-6300",
                                      "ILCE-1", "ILCE-7M3",  "SLT-A77",   "DSC-RX100"};
    struct Orientation {
        uint8_t first;
        size_t at;
    };
    const Orientation layouts[] = {{0x07, 40}, {0x0A, 40}, {0x0C, 36}, {0x24, 41}, {0x31, 41}, {0x08, 40}};
    int n = 0;
    auto add = [&](const std::string& model, const qmtest::Ifd& note, ByteOrder order) {
        files.push_back(
                {"sonyenc" + std::to_string(n++) + (order == ByteOrder::Motorola ? "m" : "i") + ".jpg",
                 qmtest::SonyJpeg(model, note, order)});
    };
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        for (const char* model : models2010) {
            qmtest::Ifd note;
            note.Undefined(0x2010, qmtest::SonyEnciphered(everywhere));
            add(model, note, order);
        }
        for (const auto& clock : clocks) {
            qmtest::Ifd note;
            note.Undefined(0x2010, qmtest::SonyBlock(600, 556, clock));
            add("DSC-RX100", note, order);
        }
        for (const char* model : models9050) {
            for (uint8_t year : {16, 200}) {
                qmtest::Ifd note;
                // The clock from byte 81, its minutes and seconds again at byte 97.
                const std::vector<uint8_t> clock = {
                        year, 12, 31, 23, 59, 249, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, uint8_t(year + 1), 58};
                note.Undefined(0x9050, qmtest::SonyBlock(300, 81, clock));
                add(model, note, order);
            }
        }
        for (const Orientation& layout : layouts) {
            for (uint8_t value : {1, 3, 6, 8, 2}) {
                qmtest::Ifd note;
                note.Undefined(0x9400, qmtest::SonyBlock(100, layout.at, {value}, layout.first));
                add("ILCE-7M3", note, order);
            }
        }
        qmtest::Ifd twice;
        twice.Undefined(0x9400, qmtest::SonyEnciphered(qmtest::SonyBlock(100, 40, {8}, 0x09)));
        add("DSC-RX100", twice, order);
        for (size_t size : {557, 560, 562, 556}) {
            qmtest::Ifd note;
            note.Undefined(0x2010, qmtest::SonyBlock(size, 556, clocks[0]));
            add("DSC-RX100", note, order);
        }
        for (size_t size : {82, 85, 81}) {
            qmtest::Ifd note;
            note.Undefined(0x9050, qmtest::SonyBlock(size, 81, {16, 5, 6, 7, 8, 9}));
            add("ILCE-7", note, order);
        }
        for (size_t size : {98, 97}) {
            qmtest::Ifd note;
            note.Undefined(0x9050, qmtest::SonyBlock(size, 97, {33, 44}));
            add("ILCE-7SM2", note, order);
        }
        for (size_t size : {37, 36}) {
            qmtest::Ifd note;
            note.Undefined(0x9400, qmtest::SonyBlock(size, 36, {6}, 0x0C));
            add("DSC-RX100", note, order);
        }
        for (bool shotFirst : {false, true}) {
            std::vector<uint8_t> shot = qmtest::ShotInfoBlock("2011:12:13 14:15:16", 68);
            std::vector<uint8_t> block = qmtest::SonyBlock(2000, 438, clocks[0]);
            qmtest::Ifd note;
            if (shotFirst)
                note.Undefined(0x3000, shot).Undefined(0x2010, block);
            else
                note.Undefined(0x2010, block).Undefined(0x3000, shot);
            note.Undefined(0x9400, qmtest::SonyBlock(100, 41, {3}, 0x23));
            add("SLT-A77V", note, order);
        }
        // Two blocks of each kind.
        qmtest::Ifd twoEach;
        twoEach.Undefined(0x2010, qmtest::SonyBlock(600, 556, clocks[0]))
                .Undefined(0x2010, qmtest::SonyBlock(600, 556, clocks[1]))
                .Undefined(0x9050, qmtest::SonyBlock(300, 81, {16, 5, 6, 7, 8, 9}))
                .Undefined(0x9050, qmtest::SonyBlock(300, 81, {17, 5, 6, 7, 8, 9}))
                .Undefined(0x9400, qmtest::SonyBlock(100, 40, {6}, 0x07))
                .Undefined(0x9400, qmtest::SonyBlock(100, 36, {3}, 0x0C));
        add("ILCE-7", twoEach, order);
        add("DSC-RX100", twoEach, order);
    }
}

// Sigma: the serial number of the note in the preview's EXIF block, and the header's table of
// picture adjustments.
void AddSigmaFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        bool big = order == ByteOrder::Motorola;
        qmtest::Ifd note;
        note.Ascii(0x0002, big ? "1008382" : "0099 ").Ascii(0x0003, "SINGLE");
        std::vector<uint8_t> jpeg = qmtest::JpegWithMakerNote(
                "SIGMA", "SIGMA DP2",
                [&](uint32_t offset) {
                    return qmtest::TiffRelativeNote(note, order, offset, Chars("SIGMA\0\0\0\x01\0", 10));
                },
                order);
        std::vector<std::pair<uint8_t, float>> adjustments = {{1, 0.3f}, {2, -1.0f}, {3, 0.25f},
                                                              {4, 2.0f}, {5, 0.05f}, {6, -0.6f},
                                                              {7, 1.5f}, {8, 0},     {9, -2}};
        if (big)
            adjustments = {{6, 1.0f}, {2, 0}, {12, 3.0f}, {5, -0.35f}};
        files.push_back(
                {std::string("sigma") + (big ? "m" : "i") + ".x3f", qmtest::BuildX3f(jpeg, 0, adjustments)});
    }
}

// Panasonic: how the camera was held and which of its clocks' zones was in use; values in and
// outside their tables.
void AddPanasonicFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const uint16_t values[][3] = {{1, 1, 0}, {6, 2, 3}, {8, 1, 5}, {2, 3, 9}};
    for (int i = 0; i < 4; ++i) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            qmtest::Ifd note;
            note.Short(0x0030, values[i][0])
                    .Short(0x003A, values[i][1])
                    .Bytes(0x008F, {uint8_t(values[i][2])});
            std::vector<uint8_t> bytes = qmtest::SelfContainedNote(note, order, {});
            std::vector<uint8_t> prefixed = Chars("Panasonic\0\0\0", 12);
            // Reserved first: GCC 12 misreads a growing insert at -O2 as an overflow.
            prefixed.reserve(prefixed.size() + bytes.size());
            prefixed.insert(prefixed.end(), bytes.begin() + 8, bytes.end());
            std::string name = "panasonic" + std::to_string(i) + (order == ByteOrder::Intel ? "i" : "m");
            files.push_back({name + ".jpg",
                             qmtest::JpegWithMakerNote(
                                     "Panasonic", "DMC-FZ8", [&](uint32_t) { return prefixed; }, order)});
        }
    }
}

// The lens of a converted raw file as its XMP packet gives it.
void AddLensInfoFiles(NamedFiles& files)
{
    const char* const values[] = {
            "18/1 55/1 0/0 0/0",     "24/1 70/1 28/10 28/10", "150/10 1200/10 35/10 63/10",
            "50/1 50/1 14/10 14/10", "18 55 3.5 5.6",         "18/1 55/1"};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
        const std::string packet =
                std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                "rdf:about=\"\" xmlns:aux=\"http://ns.adobe.com/exif/1.0/aux/\" aux:LensInfo=\"" +
                values[i] + "\"/></rdf:RDF></x:xmpmeta>";
        qmtest::JpegBuilder jpeg;
        jpeg.Soi().Segment(0xE1, std::vector<uint8_t>(packet.begin(), packet.end())).Frame(8, 8).Scan().Eoi();
        files.push_back({"lensinfo" + std::to_string(i) + ".jpg", jpeg.Bytes()});
    }
}

// Capture dates kept only where some cameras put them: trail cameras' maker notes (three
// layouts), the picture info text of APP12 segments and the QVCI block of APP1 segments; each
// with and without a date in the EXIF block, which wins when present.
void AddCameraDateFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    auto put16 = [](std::vector<uint8_t>& b, size_t at, unsigned v) {
        b[at] = uint8_t(v);
        b[at + 1] = uint8_t(v >> 8);
    };
    std::vector<uint8_t> hyperFire(120, 0), ultraFire(120, 0), hyperFire2(160, 0);
    put16(hyperFire, 0, 0xF101);
    const unsigned clock[] = {5, 4, 3, 2, 28, 2011};
    for (size_t i = 0; i < 6; ++i) {
        put16(hyperFire, 22 + 2 * i, clock[i]);
        put16(hyperFire2, 62 + 2 * i, i == 3 ? 28 : i == 4 ? 2 : clock[i]);
    }
    std::memcpy(ultraFire.data(), "RECONYXUF\0", 10);
    std::memcpy(hyperFire2.data(), "RECONYXH2\0", 10);
    const uint8_t ultra[] = {59, 58, 23, 31, 12, 0xDB, 0x07};
    std::memcpy(ultraFire.data() + 59, ultra, sizeof ultra);
    // Picture settings, flash and serial numbers (16-bit characters in the HyperFire lines, the
    // second one's with a zero inside); in the notes' second form a text that is not ASCII.
    for (size_t i = 0; i < 3; ++i) {
        put16(hyperFire, 72 + 4 * i - (i == 2 ? 2 : 0), 3 * unsigned(i) + 1);
        put16(hyperFire2, 82 + 4 * i - (i == 2 ? 2 : 0), 128 * unsigned(i));
    }
    put16(hyperFire2, 90, 1);
    const char serial[] = "HX5A 0012  ";
    for (size_t i = 0; i + 1 < sizeof serial; ++i) {
        put16(hyperFire, 42 + 2 * i, uint8_t(serial[i]));
        put16(hyperFire2, 126 + 2 * i + (i >= 4 ? 2 : 0), uint8_t(serial[i]));
        ultraFire[75 + i] = uint8_t(serial[i]);
    }
    std::vector<uint8_t> foreignText[] = {hyperFire, ultraFire, hyperFire2};
    put16(foreignText[0], 44, 0xE9);
    foreignText[1][76] = 0x01;
    put16(foreignText[2], 128, 0x20AC);
    put16(foreignText[2], 90, 7);
    const std::vector<uint8_t>* notes[] = {&hyperFire,      &ultraFire,      &hyperFire2,
                                           &foreignText[0], &foreignText[1], &foreignText[2]};
    // EXIF flash before the note, EXIF contrast after it.
    const qmtest::Shorts before = {{0x9209, 0x19}}, after = {{0xA408, 2}};
    for (int i = 0; i < 6; ++i) {
        for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
            for (bool withDate : {false, true}) {
                const std::vector<uint8_t>& note = *notes[i];
                files.push_back({"reconyx" + std::to_string(i) + (order == ByteOrder::Intel ? "i" : "m") +
                                         (withDate ? "d" : "") + ".jpg",
                                 qmtest::JpegWithMakerNote(
                                         "RECONYX", "HC600", [&](uint32_t) { return note; }, order,
                                         withDate ? before : qmtest::Shorts {},
                                         withDate ? after : qmtest::Shorts {}, withDate)});
            }
        }
    }
    using namespace std::string_literals;
    const std::string pictureInfo[] = {"[picture info]\r\nTimeDate=966600000\r\nShutter=100\r\n",
                                       "OLYMPUS OPTICAL CO.,LTD.\0[picture info]\nTimeDate=1234567890\n"s,
                                       "[picture info]\r\nTimeDate=2001:02:03 04:05:06  \r\n",
                                       "[picture info]\r\nTimeDate= 966600000\r\n",
                                       "[picture info]\r\nXTimeDate=5\r\nTimeDate=99999999999\r\n",
                                       "[picture info]\r\nShutter=8000\r\nTimeDate=966600000\r\n",
                                       "[picture info]\r\nShutter=2500000\r\nTimeDate=966600000\r\n",
                                       "[picture info]\r\nShutter=0\r\nTimeDate=966600000\r\n",
                                       "[picture info]\r\nShutter=33333\r\nTimeDate=966600000\r\n",
                                       "[picture info]\r\nShutter=1000000\r\nTimeDate=966600000\r\n"};
    int n = 0;
    for (const std::string& body : pictureInfo) {
        for (bool withExif : {false, true}) {
            qmtest::JpegBuilder jpeg;
            jpeg.Soi();
            // Every other EXIF block has its own exposure time, which wins.
            qmtest::Ifd exif;
            exif.Ascii(0x9003, "2002:02:02 02:02:02");
            if (n % 2 == 1)
                exif.Rational(0x829A, 1, 60);
            if (withExif)
                jpeg.Exif(qmtest::Ifd().Ascii(0x010F, "OLYMPUS").Sub(0x8769, exif), ByteOrder::Motorola);
            jpeg.Segment(0xEC, std::vector<uint8_t>(body.begin(), body.end())).Frame(8, 8).Scan().Eoi();
            files.push_back({"app12_" + std::to_string(n) + (withExif ? "e" : "") + ".jpg", jpeg.Bytes()});
        }
        ++n;
    }
    const char* const qvciDates[] = {"2001:02:03 04:05:06", "2001/02/03 04:05:06", "2004:05:06 07:08  "};
    n = 0;
    for (const char* date : qvciDates) {
        std::vector<uint8_t> block(140, 0);
        std::memcpy(block.data(), "QVCI", 4);
        std::memcpy(block.data() + 77, date, std::strlen(date));
        qmtest::JpegBuilder jpeg;
        jpeg.Soi().Segment(0xE1, block).Frame(8, 8).Scan().Eoi();
        files.push_back({"qvci" + std::to_string(n++) + ".jpg", jpeg.Bytes()});
    }
}

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

// An XMP packet in an APP1 payload: the standard signature, or the extended one with its ID,
// full size and this piece's offset.
std::vector<uint8_t> XmpSegment(const std::string& description)
{
    return Bytes(
            std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
            "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" " +
            description + "/></rdf:RDF></x:xmpmeta>");
}

std::vector<std::vector<uint8_t>> ExtendedXmpSegments(const std::string& id, const std::string& packet,
                                                      size_t pieces)
{
    std::vector<std::vector<uint8_t>> segments;
    const size_t step = (packet.size() + pieces - 1) / pieces;
    for (size_t offset = 0; offset < packet.size(); offset += step) {
        std::vector<uint8_t> segment = Bytes(std::string("http://ns.adobe.com/xmp/extension/") + '\0' + id);
        for (uint32_t v : {uint32_t(packet.size()), uint32_t(offset)}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                segment.push_back(uint8_t(v >> shift));
        }
        const std::string piece = packet.substr(offset, step);
        segment.insert(segment.end(), piece.begin(), piece.end());
        segments.push_back(segment);
    }
    return segments;
}

// Dates kept outside the EXIF block: an early Canon compact's CIFF heap in APP0, Casio's QVCI
// block in the forms its clock text takes, IPTC's creation date and time in a Photoshop APP13
// segment, xmp:CreateDate with its zone in an extended XMP packet and under another prefix; each
// alone and beside EXIF and XMP dates that come before or after it.
void AddDateBlockFiles(NamedFiles& files)
{
    using qmtest::ByteOrder;
    const qmtest::Ifd exifDate = qmtest::Ifd()
                                         .Ascii(0x010F, "Maker")
                                         .Sub(0x8769, qmtest::Ifd().Ascii(0x9003, "2001:01:01 01:01:01"));
    const qmtest::Ifd exifModify = qmtest::Ifd().Ascii(0x0132, "2003:03:03 03:03:03");
    auto add = [&](const std::string& name, const std::vector<std::vector<uint8_t>>& before, uint8_t marker,
                   const std::vector<uint8_t>& payload, const std::vector<std::vector<uint8_t>>& after = {}) {
        qmtest::JpegBuilder jpeg;
        jpeg.Soi();
        for (const auto& segment : before)
            jpeg.Segment(0xE1, segment);
        jpeg.Segment(marker, payload);
        for (const auto& segment : after)
            jpeg.Segment(0xE1, segment);
        files.push_back({name + ".jpg", jpeg.Frame(8, 8).Scan().Eoi().Bytes()});
    };
    auto exif = [](const qmtest::Ifd& ifd0, ByteOrder order) {
        qmtest::JpegBuilder only;
        only.Exif(ifd0, order);
        std::vector<uint8_t> bytes = only.Bytes();
        return std::vector<uint8_t>(bytes.begin() + 4, bytes.end());  // the payload after marker and length
    };
    for (ByteOrder order : {ByteOrder::Intel, ByteOrder::Motorola}) {
        const bool big = order == ByteOrder::Motorola;
        const std::string o = big ? "m" : "i";
        std::vector<uint8_t> ciff = qmtest::BuildCrw(big, "Canon", "Canon PowerShot 600",
                                                     907000000u + (big ? 86400u : 0u), 640, 480, 0);
        std::memcpy(ciff.data() + 10, "JPGM", 4);
        add("ciff" + o, {}, 0xE0, ciff);
        // The EXIF block after the heap wins; its make and model too.
        add("ciffexif" + o, {}, 0xE0, ciff, {exif(exifDate, order)});
        add("ciffmodify" + o, {}, 0xE0, ciff, {exif(exifModify, order)});
        std::vector<uint8_t> raw = ciff;
        std::memcpy(raw.data() + 10, "CCDR", 4);  // a raw file's heap is not a JPEG's
        add("ciffccdr" + o, {}, 0xE0, raw);
    }
    const char* const qvciDates[] = {
            "1998.10.24.12.08.57", "98.10.24.12.08.57", "1998.1.2.3.4.5", "1998.10.24 12.08.57",
            "ab.1998.10.24.12",    "1998..10.24.12",    "a.b.c.d",        "1998.10.24.12.08.57.99",
            "1998:10:24:12:08:57"};
    int n = 0;
    for (const char* date : qvciDates) {
        std::vector<uint8_t> block(140, 0);
        std::memcpy(block.data(), "QVCI", 4);
        std::memcpy(block.data() + 77, date, std::min<size_t>(std::strlen(date), 20));
        const std::string name = "qvcidate" + std::to_string(n);
        add(name, {}, 0xE1, block);
        // An EXIF date before the block loses to it, one after it wins.
        if (n < 2) {
            add(name + "eb", {exif(exifDate, ByteOrder::Intel)}, 0xE1, block);
            add(name + "ea", {}, 0xE1, block, {exif(exifDate, ByteOrder::Motorola)});
        }
        ++n;
    }
    const std::string dates[][2] = {{"20050718", "082714+0200"},
                                    {"20050718", "082714"},
                                    {"20050718", ""},
                                    {"", "082714-0530"},
                                    {"19991231", "235959+0000"}};
    n = 0;
    for (const auto& date : dates) {
        std::vector<uint8_t> iptc;
        for (int i = 0; i < 2; ++i) {
            if (date[i].empty())
                continue;
            const auto set = qmtest::IptcDataset(2, i == 0 ? 55 : 60, date[i]);
            iptc.insert(iptc.end(), set.begin(), set.end());
        }
        // "Photoshop 3.0", then one image resource: "8BIM", ID 0x0404, an empty name, the size.
        std::vector<uint8_t> app13 =
                Bytes(std::string("Photoshop 3.0") + '\0' + "8BIM" + '\x04' + '\x04' + std::string(2, '\0'));
        for (int shift = 24; shift >= 0; shift -= 8)
            app13.push_back(uint8_t(iptc.size() >> shift));
        app13.insert(app13.end(), iptc.begin(), iptc.end());
        if (iptc.size() & 1)
            app13.push_back(0);
        const std::string name = "iptc" + std::to_string(n++);
        add(name, {}, 0xED, app13);
        add(name + "e", {exif(exifDate, ByteOrder::Intel)}, 0xED, app13);
        add(name + "x",
            {XmpSegment("xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                        "xmp:CreateDate=\"2012-02-02T10:00:00+02:00\"")},
            0xED, app13);
        add(name + "d",
            {XmpSegment("xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
                        "exif:DateTimeOriginal=\"2011-03-04T05:06:07+01:00\"")},
            0xED, app13);
    }
    const std::string id = "0123456789ABCDEF0123456789ABCDEF";
    const std::string extended =
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
            "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
            "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:CreateDate=\"2012-02-02T10:00:00+02:00\"/>"
            "</rdf:RDF></x:xmpmeta>";
    auto naming = [](const std::string& named) {
        return XmpSegment("xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\" xmpNote:HasExtendedXMP=\"" +
                          named + "\"");
    };
    const auto pieces = ExtendedXmpSegments(id, extended, 3);
    add("extxmp", {}, 0xE1, naming(id), pieces);
    add("extxmpreversed", {}, 0xE1, naming(id), {pieces[2], pieces[1], pieces[0]});
    add("extxmpbefore", {pieces[1], pieces[0], pieces[2]}, 0xE1, naming(id));
    add("extxmpunnamed", {}, 0xE1, XmpSegment(""), pieces);
    add("extxmpother", {}, 0xE1, naming("FFFF456789ABCDEF0123456789ABCDEF"), pieces);
    add("extxmpincomplete", {}, 0xE1, naming(id), {pieces[0], pieces[2]});
    add("extxmpexif", {exif(exifModify, ByteOrder::Intel)}, 0xE1, naming(id), pieces);
    // The property list of the oldest Sigma raws, alone and after a preview with an EXIF date.
    n = 0;
    for (const char* time : {"1041379200", "1041379200.5", "-5", "12abc", " 123", "0", ""}) {
        files.push_back(
                {"x3fprop" + std::to_string(n++) + ".x3f",
                 qmtest::BuildX3f({}, 0, {}, 0x00020000,
                                  qmtest::X3fProperties({{"CAMMODEL", "SIGMA SD9"}, {"TIME", time}}))});
    }
    qmtest::JpegBuilder preview;
    preview.Soi().Exif(exifDate, ByteOrder::Intel).Frame(8, 8).Scan().Eoi();
    files.push_back({"x3fpropexif.x3f", qmtest::BuildX3f(preview.Bytes(), 0, {}, 0x00020003,
                                                         qmtest::X3fProperties({{"TIME", "1041379200"}}))});
    // Older Adobe programs bind the basic schema to "xap:".
    add("xapprefix", {}, 0xE1,
        XmpSegment("xmlns:xap=\"http://ns.adobe.com/xap/1.0/\" xap:CreateDate=\"2010-07-15T14:03:09-04:00\" "
                   "xap:ModifyDate=\"2011-01-01T00:00:00Z\""));
    add("xapelement", {}, 0xE1,
        Bytes(std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
              "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
              "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
              "xmlns:e='http://ns.adobe.com/exif/1.0/'><e:DateTimeOriginal>2009-12-24T18:30:00+01:00"
              "</e:DateTimeOriginal></rdf:Description></rdf:RDF></x:xmpmeta>"));
}

// Compares every file with the reference, and requires each of `required` the reference lists to
// be listed here with the same value; returns how many such fields were compared.
int CompareWithReference(const NamedFiles& files, const std::vector<std::string>& required, Score& score)
{
    int compared = 0;
    for (const auto& [name, bytes] : files) {
        std::string path = testing::TempDir() + "metaprobe_diff_" + name;
        EXPECT_TRUE(qmtest::WriteBytes(path, bytes)) << path;
        Fields reference = ReferenceListing(path);
        EXPECT_FALSE(reference.empty()) << name;
        Fields own = OwnListing(path);
        Compare(name, reference, own, score);
        for (const std::string& field : required) {
            auto ref = reference.find(field);
            if (ref == reference.end())
                continue;
            ++compared;
            auto mine = own.find(field);
            EXPECT_TRUE(mine != own.end() && mine->second == ref->second)
                    << name << ": " << field << " reference [" << ref->second << "] own ["
                    << (mine == own.end() ? std::string("missing") : mine->second) << "]";
        }
        std::remove(path.c_str());
    }
    return compared;
}

TEST(MetaprobeDiff, MakerNotesAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    NamedFiles notes, dates;
    AddCanonFiles(notes);
    AddNikonFiles(notes);
    AddFujifilmFiles(notes);
    AddSigmaFiles(notes);
    AddLensInfoFiles(notes);
    AddPanasonicFiles(notes);
    AddPentaxFiles(notes);
    AddAppleFiles(notes);
    AddOlympusFiles(notes);
    AddSonyFiles(notes);
    AddCameraDateFiles(dates);
    Score score;
    // Every field read from a note that the reference lists must be listed here too, with its
    // value; of the date blocks, only the date is read.
    int compared = CompareWithReference(
            notes, {"Contrast",       "Saturation",          "Sharpness",          "Serial Number",
                    "Owner Name",     "White Balance",       "Light Source",       "Metering Mode",
                    "Lens Info",      "Exposure Adjust",     "Red Adjust",         "Date/Time Original",
                    "Rotation",       "World Time Location", "Camera Orientation", "Date Time UTC",
                    "Roll Angle",     "Pitch Angle",         "Sony Date Time",     "Time Zone",
                    "Time Zone City", "Daylight Savings"},
            score);
    int dated = CompareWithReference(dates, {"Date/Time Original"}, score);
    Report("maker notes", score);
    EXPECT_GT(compared, 100);
    EXPECT_EQ(dated, int(dates.size()));
    EXPECT_EQ(score.sharedMatched, score.shared);
}

// Sony's enciphered blocks, compared on the fields read from them; the blocks hold more that the
// reference lists under standard names (metering mode, focal length, zoom), which the EXIF block's
// own values outrank in camera files and which are not read here.
TEST(MetaprobeDiff, SonyEncipheredBlocksAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    NamedFiles files;
    AddSonyEncipheredFiles(files);
    Score score;
    int compared = CompareWithReference(
            files, {"Sony Date Time", "Sony Date Time 2", "Sony Time Min Sec", "Camera Orientation"}, score);
    Report("sony enciphered blocks", score);
    // 56 fields per byte order: every file but those of no layout or cut before their field.
    EXPECT_EQ(compared, 112);
    EXPECT_EQ(score.sharedMatched, score.shared);
}

// The in-process JPEG reader finds the same capture date as the reference in the camera blocks:
// the EXIF block's own date when it has one, else the camera block's.
TEST(MetaprobeDiff, InProcessCameraDatesAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    NamedFiles dates;
    AddCameraDateFiles(dates);
    for (const auto& [name, bytes] : dates) {
        std::string path = testing::TempDir() + "metaprobe_inprocess_" + name;
        ASSERT_TRUE(qmtest::WriteBytes(path, bytes)) << path;
        Fields reference = ReferenceListing(path);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr) << path;
        ImageInfo info {};
        {
            JpegSectionReader reader(&info);
            reader.ReadSections(file);
        }
        std::fclose(file);
        std::remove(path.c_str());
        ASSERT_NE(reference.find("Date/Time Original"), reference.end()) << name;
        EXPECT_STREQ(info.dateTaken, reference["Date/Time Original"].c_str()) << name;
    }
}

TEST(MetaprobeDiff, GeneratedFilesAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    Score score;
    for (const auto& [name, bytes] : GeneratedFiles()) {
        std::string path = testing::TempDir() + "metaprobe_diff_" + name;
        ASSERT_TRUE(qmtest::WriteBytes(path, bytes)) << path;
        Fields reference = ReferenceListing(path);
        ASSERT_FALSE(reference.empty()) << name;
        Compare(name, reference, OwnListing(path), score);
        std::remove(path.c_str());
    }
    Report("generated", score);
    EXPECT_EQ(score.sharedMatched, score.shared);
    EXPECT_EQ(score.standardMatched, score.standardLines);
}

// The in-process lookup's date of a JPEG.
std::string InProcessDate(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return "(unreadable)";
    ImageInfo info {};
    {
        JpegSectionReader reader(&info);
        reader.ReadSections(file);
    }
    std::fclose(file);
    return info.dateTaken;
}

TEST(MetaprobeDiff, JpegXmpCaptureDatesAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    const std::string dto = "exif:DateTimeOriginal=\"2011-03-04T05:06:07+01:00\" ";
    const std::string create = "xmp:CreateDate=\"2012-02-11T14:17:08.253\" ";
    const std::string created = "photoshop:DateCreated=\"2013-06-07T08:09:10Z\" ";
    const std::string modify = "xmp:ModifyDate=\"2014-01-01T00:00:00\" ";
    const std::vector<std::string> descriptions = {dto,
                                                   create,
                                                   created,
                                                   created + create,
                                                   created + dto + create,
                                                   modify + created,
                                                   modify,
                                                   "exif:DateTimeOriginal=\"\" " + create};
    int compared = 0;
    for (size_t i = 0; i < descriptions.size(); ++i) {
        for (bool exif : {false, true}) {
            const std::string packet =
                    std::string("http://ns.adobe.com/xap/1.0/") + '\0' +
                    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                    "rdf:about=\"\" "
                    "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
                    "xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\" " +
                    descriptions[i] + "/></rdf:RDF></x:xmpmeta>";
            qmtest::JpegBuilder jpeg;
            jpeg.Soi();
            // EXIF without any date, so that every date the reference lists comes from XMP.
            if (exif)
                jpeg.Exif(qmtest::Ifd().Short(0x0112, 1).Ascii(0x010F, "Maker"), qmtest::ByteOrder::Intel);
            jpeg.Segment(0xE1, std::vector<uint8_t>(packet.begin(), packet.end())).Frame(8, 8).Scan().Eoi();
            const std::string name = "xmpdate" + std::to_string(i) + (exif ? "e" : "") + ".jpg";
            const std::string path = testing::TempDir() + "metaprobe_diff_" + name;
            ASSERT_TRUE(qmtest::WriteBytes(path, jpeg.Bytes())) << path;
            Fields reference = ReferenceListing(path);
            ASSERT_FALSE(reference.empty()) << name;
            std::string expected;
            for (const char* field : kDateTakenFields) {
                auto found = reference.find(field);
                if (found != reference.end() && !found->second.empty()) {
                    expected = found->second;
                    break;
                }
            }
            EXPECT_EQ(InProcessDate(path), expected) << name;
            ++compared;
            std::remove(path.c_str());
        }
    }
    EXPECT_EQ(compared, 16);
}

// Dates kept outside the EXIF block, each listed as the reference lists it; the in-process
// lookup of each file finds the date of the first lookup field the reference lists, which is also
// the first one this tool lists.
TEST(MetaprobeDiff, DateBlocksAgainstReferenceTool)
{
    if (!ReferenceToolAvailable())
        GTEST_SKIP() << "exiftool is not on PATH";
    NamedFiles files;
    AddDateBlockFiles(files);
    Score score;
    const int compared =
            CompareWithReference(files,
                                 {"Date/Time Original", "Create Date", "Modify Date", "Date/Time Created",
                                  "Date Created", "Time Created", "Make", "Camera Model Name"},
                                 score);
    Report("date blocks", score);
    EXPECT_GT(compared, int(files.size()));
    EXPECT_EQ(score.sharedMatched, score.shared);
    int dated = 0;
    for (const auto& [name, bytes] : files) {
        const std::string path = testing::TempDir() + "metaprobe_lookup_" + name;
        ASSERT_TRUE(qmtest::WriteBytes(path, bytes)) << path;
        Fields reference = ReferenceListing(path);
        Fields own = OwnListing(path);
        std::string expected, listed;
        for (const char* field : kDateTakenFields) {
            if (expected.empty() && !reference[field].empty())
                expected = reference[field];
            if (listed.empty() && !own[field].empty())
                listed = own[field];
        }
        dated += !expected.empty();
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0) {
            EXPECT_EQ(InProcessDate(path), expected) << name;
        }
        EXPECT_EQ(listed, expected) << name;
        std::remove(path.c_str());
    }
    EXPECT_GT(dated, 40);
}

}  // namespace
