// The ISO media reader's track, user-data and item-property fields, and its behaviour on damaged
// and hostile box structures.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "metaprobe/FileInfo.h"
#include "tests/native/metaprobe/ProbeTestUtil.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/IccSamples.h"
#include "tests/support/IsoSamples.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(MetaprobeIsoTracks, VideoAndSoundTrackFields)
{
    qmtest::VideoTrackValues video;
    video.codec = "jpeg";
    video.vendor = "pent";
    video.compressorName = "Photo - JPEG";
    video.width = 320;
    video.height = 240;
    video.xResolution = 300;
    video.yResolution = 150;
    video.timeScale = 30000;
    video.sampleTimes = {{100, 1001}, {50, 1001}};  // 30000 / 1001 frames a second
    qmtest::AudioTrackValues audio;
    audio.format = "raw ";
    audio.channels = 1;
    audio.bitsPerSample = 8;
    audio.sampleRate = 7875;
    audio.balance = -128;  // half left
    metaprobe::Listing listing =
            ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::VideoTrack(video), qmtest::AudioTrack(audio)}));
    EXPECT_EQ(listing.Value("Compressor ID"), "jpeg");
    EXPECT_EQ(listing.Value("Vendor ID"), "Pentax");
    EXPECT_EQ(listing.Value("Compressor Name"), "Photo - JPEG");
    EXPECT_EQ(listing.Value("Source Image Width"), "320");
    EXPECT_EQ(listing.Value("Source Image Height"), "240");
    EXPECT_EQ(listing.Value("X Resolution"), "300");
    EXPECT_EQ(listing.Value("Y Resolution"), "150");
    EXPECT_EQ(listing.Value("Bit Depth"), "24");
    EXPECT_EQ(listing.Value("Video Frame Rate"), "29.97");
    EXPECT_EQ(listing.Value("Clean Aperture Dimensions"), "320x240");
    EXPECT_EQ(listing.Value("Encoded Pixels Dimensions"), "320x240");
    EXPECT_EQ(listing.Value("Graphics Mode"), "ditherCopy");
    EXPECT_EQ(listing.Value("Op Color"), "32768 32768 32768");
    EXPECT_EQ(listing.Value("Audio Format"), "raw");
    EXPECT_EQ(listing.Value("Audio Channels"), "1");
    EXPECT_EQ(listing.Value("Audio Bits Per Sample"), "8");
    EXPECT_EQ(listing.Value("Audio Sample Rate"), "7875");
    EXPECT_EQ(listing.Value("Balance"), "-0.5");
    // The sound track's media handler is the last handler of the file.
    EXPECT_EQ(listing.Value("Handler Type"), "Audio Track");
    EXPECT_EQ(listing.Value("Handler Class"), "Media Handler");
}

TEST(MetaprobeIsoTracks, FirstTrackWithAnImageSizeGivesIt)
{
    qmtest::AudioTrackValues audio;
    audio.trackId = 1;
    qmtest::VideoTrackValues video;
    video.trackId = 2;
    video.width = 1280;
    video.height = 720;
    metaprobe::Listing listing =
            ProbeBytes(qmtest::MovieWith("isom", {qmtest::AudioTrack(audio), qmtest::VideoTrack(video)}));
    EXPECT_EQ(listing.Value("Track ID"), "1");
    EXPECT_EQ(listing.Value("Track Volume"), "100.00%");
    EXPECT_EQ(listing.Value("Image Width"), "1280");
    EXPECT_EQ(listing.Value("Image Height"), "720");
    EXPECT_EQ(ProbeBytes(qmtest::Mp4Sample(3)).Value("XMP Toolkit"), "Uuid Toolkit 3");
}

TEST(MetaprobeIsoTracks, TimeTableCutShortGivesNoFrameRate)
{
    qmtest::VideoTrackValues video;
    video.sampleTimes = {{150, 20}};
    std::vector<uint8_t> movie = qmtest::MovieWith("qt  ", {qmtest::VideoTrack(video)});
    ASSERT_EQ(ProbeBytes(movie).Value("Video Frame Rate"), "30");
    // The table claims a second entry that is not there.
    const std::vector<uint8_t> stts = {'s', 't', 't', 's', 0, 0, 0, 0, 0, 0, 0, 1};
    auto at = std::search(movie.begin(), movie.end(), stts.begin(), stts.end());
    ASSERT_NE(at, movie.end());
    at[11] = 2;
    EXPECT_FALSE(ProbeBytes(movie).Has("Video Frame Rate"));
}

TEST(MetaprobeIsoUserData, CameraShootingData)
{
    qmtest::CameraTagsValues tags;
    tags.exposure = 1000;  // 10 / 1000 s
    tags.fNumber[0] = 56;
    tags.compensation[0] = -7;
    tags.whiteBalance = 1;
    tags.focalLength[0] = 50;
    tags.focalLength[1] = 1;
    tags.iso = 400;
    metaprobe::Listing listing =
            ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::UserData({qmtest::CameraTagsBox(tags)}, {})}));
    EXPECT_EQ(listing.Value("Make"), "PENTAX DIGITAL CAMERA");
    EXPECT_EQ(listing.Value("Exposure Time"), "1/100");
    EXPECT_EQ(listing.Value("F Number"), "5.6");
    EXPECT_EQ(listing.Value("Exposure Compensation"), "-0.7");
    EXPECT_EQ(listing.Value("White Balance"), "Daylight");
    EXPECT_EQ(listing.Value("Focal Length"), "50.0 mm");
    EXPECT_EQ(listing.Value("ISO"), "400");
    // They feed the combined fields as EXIF values do: 2*log2(5.6) + log2(100) - log2(4) = 9.6.
    EXPECT_EQ(listing.Value("Aperture"), "5.6");
    EXPECT_EQ(listing.Value("Shutter Speed"), "1/100");
    EXPECT_EQ(listing.Value("Light Value"), "9.6");
}

TEST(MetaprobeIsoUserData, ForeignOrShortShootingDataIsIgnored)
{
    std::vector<uint8_t> block = qmtest::CameraTagsBox({});
    block[8] = 'X';  // another maker's block of the same name
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::UserData({block}, {})})).Has("Make"));
    const std::vector<uint8_t> whole = qmtest::CameraTagsBox({});
    const std::vector<uint8_t> payload(whole.begin() + 8, whole.end() - 1);  // one byte short
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::UserData({qmtest::Box("TAGS", payload)}, {})}))
                         .Has("ISO"));
}

TEST(MetaprobeIsoUserData, ItemTextsAndTheLaterArtistStands)
{
    const std::vector<uint8_t> keys = qmtest::KeyedMetadata(
            {{"com.apple.quicktime.artist", "Keyed"}, {"com.apple.quicktime.model", "iPhone 12"}});
    const std::vector<uint8_t> items =
            qmtest::UserData({}, {qmtest::ListItem("\xa9"
                                                   "ART",
                                                   1, Bytes("\xc3\xa5rtist")),
                                  qmtest::ListItem("\xa9"
                                                   "alb",
                                                   1, Bytes("Album")),
                                  qmtest::ListItem("trkn", 0, {0, 0, 0, 3, 0, 12, 0, 0}),
                                  qmtest::ListItem("tmpo", 21, {0, 128}),
                                  qmtest::ListItem("\xa9"
                                                   "day",
                                                   1, Bytes("2010")),
                                  qmtest::ListItem("\xa9"
                                                   "gen",
                                                   13, Bytes("not text")),
                                  qmtest::ListItem("\xa9"
                                                   "cmt",
                                                   1, std::vector<uint8_t>(5000, 'c')),
                                  qmtest::ListItem("covr", 13, std::vector<uint8_t>(70000, 0xff))});
    metaprobe::Listing listing = ProbeBytes(qmtest::MovieWith("qt  ", {keys, items}));
    EXPECT_EQ(listing.Value("Artist"), "\xc3\xa5rtist");
    EXPECT_EQ(listing.Value("Model"), "iPhone 12");
    EXPECT_EQ(listing.Value("Album"), "Album");
    EXPECT_EQ(listing.Value("Track Number"), "3 of 12");
    EXPECT_EQ(listing.Value("Beats Per Minute"), "128");
    EXPECT_EQ(listing.Value("Content Create Date"), "2010");
    EXPECT_FALSE(listing.Has("Genre"));  // an image type, not text
    EXPECT_FALSE(listing.Has("Comment"));  // longer than any text item read
    EXPECT_EQ(listing.Value("Cover Art"), "(Binary data 70000 bytes, use -b option to extract)");
    EXPECT_EQ(ProbeBytes(qmtest::MovieWith("qt  ", {items, keys})).Value("Artist"), "Keyed");
    // A release date in another form is not listed rather than listed unconverted.
    const std::vector<uint8_t> dated =
            qmtest::UserData({}, {qmtest::ListItem("\xa9"
                                                   "day",
                                                   1, Bytes("2010-05-01T10:20:30Z"))});
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {dated})).Has("Content Create Date"));
}

TEST(MetaprobeIsoUserData, PlainTextBoxes)
{
    metaprobe::Listing listing = ProbeBytes(
            qmtest::MovieWith("qt  ", {qmtest::UserData({qmtest::UserDataTextBox("\xa9"
                                                                                 "mak",
                                                                                 "Maker  ", 0),
                                                         qmtest::UserDataTextBox("\xa9"
                                                                                 "mod",
                                                                                 "Model", 0x55c4),
                                                         qmtest::UserDataTextBox("\xa9"
                                                                                 "fmt",
                                                                                 "\x8d"
                                                                                 "Mac text",
                                                                                 0),
                                                         qmtest::UserDataTextBox("\xa9"
                                                                                 "xyz",
                                                                                 "Unknown code", 0)},
                                                        {})}));
    EXPECT_EQ(listing.Value("Make"), "Maker");
    EXPECT_EQ(listing.Value("Model"), "Model");
    EXPECT_FALSE(listing.Has("Format"));  // its encoding depends on the language
    // A text whose length does not fill its box.
    std::vector<uint8_t> box = qmtest::UserDataTextBox("\xa9"
                                                       "mak",
                                                       "Maker", 0);
    box[9] = 3;
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::UserData({box}, {})})).Has("Make"));
}

TEST(MetaprobeIsoUserData, VideoPositionsAsGpsCoordinates)
{
    const std::vector<uint8_t> xyz =
            qmtest::UserData({qmtest::UserDataTextBox("\xa9"
                                                      "xyz",
                                                      "+48.5730+007.8152+140.000/", 0x15c7)},
                             {});
    EXPECT_EQ(ProbeBytes(qmtest::MovieWith("qt  ", {xyz})).Value("GPS Coordinates"),
              "48 deg 34' 22.80\" N, 7 deg 48' 54.72\" E");
    const std::vector<uint8_t> keyed =
            qmtest::KeyedMetadata({{"com.apple.quicktime.location.ISO6709", "-33.8688+151.2093+012.000/"}});
    EXPECT_EQ(ProbeBytes(qmtest::MovieWith("qt  ", {keyed})).Value("GPS Coordinates"),
              "33 deg 52' 7.68\" S, 151 deg 12' 33.48\" E");
    const std::vector<uint8_t> west =
            qmtest::KeyedMetadata({{"com.apple.quicktime.location.ISO6709", "+64.1466-021.9426/"}});
    EXPECT_EQ(ProbeBytes(qmtest::MovieWith("qt  ", {west})).Value("GPS Coordinates"),
              "64 deg 8' 47.76\" N, 21 deg 56' 33.36\" W");
    // A text that is no position is not listed.
    const std::vector<uint8_t> bad =
            qmtest::KeyedMetadata({{"com.apple.quicktime.location.ISO6709", "somewhere nice"}});
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {bad})).Has("GPS Coordinates"));
    const std::vector<uint8_t> badBox = qmtest::UserData({qmtest::UserDataTextBox("\xa9"
                                                                                  "xyz",
                                                                                  "Unknown code", 0)},
                                                         {});
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {badBox})).Has("GPS Coordinates"));
}

TEST(MetaprobeIsoTracks, RotationOfTheFirstVideoTrack)
{
    for (int turns = 0; turns < 4; ++turns) {
        qmtest::VideoTrackValues video;
        video.rotation = 90 * turns;
        qmtest::VideoTrackValues second;
        second.trackId = 3;
        second.rotation = 90 * ((turns + 1) % 4);
        qmtest::AudioTrackValues audio;
        metaprobe::Listing listing = ProbeBytes(qmtest::MovieWith(
                "qt  ", {qmtest::AudioTrack(audio), qmtest::VideoTrack(video), qmtest::VideoTrack(second)}));
        EXPECT_EQ(listing.Value("Rotation"), std::to_string(90 * turns));
    }
    // A sound track alone has no rotation.
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {qmtest::AudioTrack({})})).Has("Rotation"));
}

TEST(MetaprobeIsoItems, PrimaryImageConfigurationAndSize)
{
    metaprobe::Listing listing = ProbeBytes(qmtest::ImagePropertiesSample(3, false));
    EXPECT_EQ(listing.Value("Handler Type"), "Picture");
    EXPECT_EQ(listing.Value("General Profile IDC"), "Main Still Picture");
    EXPECT_EQ(listing.Value("Gen Profile Compatibility Flags"), "Main Still Picture");
    EXPECT_EQ(listing.Value("General Level IDC"), "93 (level 3.1)");
    EXPECT_EQ(listing.Value("Chroma Format"), "4:4:4");
    EXPECT_EQ(listing.Value("Bit Depth Luma"), "8");
    EXPECT_EQ(listing.Value("Bit Depth Chroma"), "9");
    EXPECT_EQ(listing.Value("Average Frame Rate"), "1.171875");  // 300 frames per 256 s
    EXPECT_EQ(listing.Value("Num Temporal Layers"), "3");
    EXPECT_EQ(listing.Value("Temporal ID Nested"), "Yes");
    EXPECT_EQ(listing.Value("Image Spatial Extent"), "1920x1440");
    EXPECT_EQ(listing.Value("Image Width"), "1920");
    EXPECT_EQ(listing.Value("Rotation"), "270");
    EXPECT_EQ(listing.Value("Image Pixel Depth"), "8 8 8");
    // The thumbnail's colour comes later in the container and stands.
    EXPECT_EQ(listing.Value("Color Primaries"), "BT.709");
    EXPECT_EQ(listing.Value("Transfer Characteristics"), "sRGB or sYCC");
    EXPECT_EQ(listing.Value("XMP Toolkit"), "Image Toolkit 3");
    metaprobe::Listing av1 = ProbeBytes(qmtest::ImagePropertiesSample(2, true));
    EXPECT_EQ(av1.Value("AV1 Configuration Version"), "1");
    EXPECT_EQ(av1.Value("Chroma Format"), "YUV 4:4:4");  // the thumbnail's, the later one
    EXPECT_FALSE(av1.Has("XMP Toolkit"));
}

TEST(MetaprobeIsoItems, ShortOrForeignPropertiesListNothing)
{
    std::vector<uint8_t> hvcc = qmtest::HevcConfigurationBox(1, 93, 1, 8, 8, 0, 1);
    std::vector<uint8_t> shortHvcc(hvcc.begin() + 8, hvcc.begin() + 8 + 22);
    std::vector<uint8_t> icc = Bytes("prof");
    icc.resize(64, 0);
    const std::vector<uint8_t> pixi = {0, 0, 0, 0, 3, 8};  // three channels, one depth
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildHeif(
            "heic", {qmtest::Box("hvcC", shortHvcc), qmtest::Box("colr", icc), qmtest::Box("pixi", pixi)},
            {1, 2, 3}, {}, ""));
    EXPECT_FALSE(listing.Has("HEVC Configuration Version"));
    EXPECT_FALSE(listing.Has("Color Profiles"));
    EXPECT_FALSE(listing.Has("Image Pixel Depth"));
}

TEST(MetaprobeIsoItems, ColourProfileIsReadInPlace)
{
    qmtest::IccProfile profile;
    profile.Tag("cprt", qmtest::icc::Text("Copyright 2017"));
    for (const char* kind : {"prof", "rICC"}) {
        metaprobe::Listing listing = ProbeBytes(
                qmtest::BuildHeif("heic", {qmtest::ColourProfileBox(profile.Bytes(), kind)}, {1}, {}, ""));
        EXPECT_EQ(listing.Value("Profile Copyright"), "Copyright 2017") << kind;
        EXPECT_EQ(listing.Value("Profile Class"), "Display Device Profile") << kind;
    }
    // A box claiming more than the file holds is not read beyond its end.
    std::vector<uint8_t> box = qmtest::ColourProfileBox(profile.Bytes());
    box[2] = 0x7F;
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildHeif("heic", {box}, {1}, {}, ""));
    EXPECT_FALSE(listing.Has("Profile Copyright"));
}

TEST(MetaprobeIsoItems, GridImageTakesItsTilesConfiguration)
{
    // The primary image (a grid) has a size and a rotation; its tiles have the codec
    // configuration and a size of their own.
    const std::vector<uint8_t> rotation = {1};
    metaprobe::Listing listing = ProbeBytes(qmtest::BuildHeif(
            "heic",
            {qmtest::HevcConfigurationBox(2, 120, 1, 10, 10, 0, 1), qmtest::SpatialExtentBox(512, 512),
             qmtest::SpatialExtentBox(4032, 3024), qmtest::Box("irot", rotation)},
            {3, 4}, {1, 2}, ""));
    EXPECT_EQ(listing.Value("General Profile IDC"), "Main 10");
    EXPECT_EQ(listing.Value("Bit Depth Luma"), "10");
    EXPECT_EQ(listing.Value("Image Spatial Extent"), "4032x3024");
    EXPECT_EQ(listing.Value("Image Width"), "4032");
    EXPECT_EQ(listing.Value("Rotation"), "90");
}

TEST(MetaprobeIsoItems, AssociationsClaimingMoreThanTheyHold)
{
    std::vector<uint8_t> heif = qmtest::BuildHeif(
            "heic", {qmtest::HevcConfigurationBox(1, 93, 1, 8, 8, 0, 1), qmtest::SpatialExtentBox(64, 48)},
            {1, 2}, {}, "");
    const std::vector<uint8_t> ipma = {'i', 'p', 'm', 'a', 0, 0, 0, 0};
    auto at = std::search(heif.begin(), heif.end(), ipma.begin(), ipma.end());
    ASSERT_NE(at, heif.end());
    at[11] = 200;  // 200 items in a box that holds two
    at[14] = 255;  // the first item: 255 associations
    metaprobe::Listing listing = ProbeBytes(heif);
    EXPECT_EQ(listing.Value("Handler Type"), "Picture");
    // The associations read before the box ran out still count.
    EXPECT_EQ(listing.Value("Image Spatial Extent"), "64x48");
}

TEST(MetaprobeIsoBoxes, LyingSizesAndDeepNesting)
{
    qmtest::VideoTrackValues video;
    std::vector<uint8_t> movie = qmtest::MovieWith("qt  ", {qmtest::VideoTrack(video)});
    // A sample description entry claiming more bytes than its table holds.
    const std::vector<uint8_t> entry = {'a', 'v', 'c', '1'};
    auto at = std::search(movie.begin(), movie.end(), entry.begin(), entry.end());
    ASSERT_NE(at, movie.end());
    at[-2] = 0x40;
    metaprobe::Listing lying = ProbeBytes(movie);
    EXPECT_FALSE(lying.Has("Compressor ID"));
    EXPECT_TRUE(lying.Has("Video Frame Rate"));  // the boxes after it are still read

    // User data nested 40 deep around a shooting data block: the walk stops at its depth limit.
    std::vector<uint8_t> nested = qmtest::UserData({qmtest::CameraTagsBox({})}, {});
    std::vector<uint8_t> shallow = nested;
    for (int i = 0; i < 40; ++i)
        nested = qmtest::Box("udta", nested);
    EXPECT_FALSE(ProbeBytes(qmtest::MovieWith("qt  ", {nested})).Has("Make"));
    EXPECT_TRUE(ProbeBytes(qmtest::MovieWith("qt  ", {shallow})).Has("Make"));
}

TEST(MetaprobeIsoBoxes, ItemEntryEndingInsideItsType)
{
    // A version 3 item entry (32-bit id) whose payload ends two bytes into the item type, after
    // a whole one naming an Exif item.
    const std::vector<uint8_t> whole = {0, 0, 0, 1, 0, 0, 'E', 'x', 'i', 'f', 0};
    const std::vector<uint8_t> cut = {0, 0, 0, 2, 0, 0, 'E', 'x'};
    const std::vector<uint8_t> iinf = qmtest::FullBox(
            "iinf", 0,
            qmtest::Concat({{0, 2}, qmtest::FullBox("infe", 3, whole), qmtest::FullBox("infe", 3, cut)}));
    const std::vector<uint8_t> file =
            qmtest::Concat({qmtest::Box("ftyp", Bytes(std::string("heic\0\0\0\0mif1heic", 16))),
                            qmtest::FullBox("meta", 0, iinf)});
    metaprobe::Listing listing = ProbeBytes(file);
    EXPECT_EQ(listing.Value("Major Brand"), "High Efficiency Image Format HEVC still image (.HEIC)");
    EXPECT_FALSE(listing.Has("Exif Byte Order"));  // the item has no location
}

TEST(MetaprobeIsoBoxes, ItemLocationsWhoseExtentsTakeNoBytes)
{
    // Offset and length fields of size zero: 10000 items of 65535 extents each, which hold
    // nothing; walking them all would keep the reader busy for seconds.
    std::vector<uint8_t> iloc = {0x00, 0x40, 0x27, 0x10};  // base offset size 4, 10000 items
    for (uint16_t item = 1; item <= 10000; ++item) {
        const uint8_t entry[] = {uint8_t(item >> 8), uint8_t(item), 0, 0, 0, 0, 0x01, 0x00, 0xFF, 0xFF};
        iloc.insert(iloc.end(), std::begin(entry), std::end(entry));
    }
    const std::vector<uint8_t> exif = {0, 2, 0, 0, 'E', 'x', 'i', 'f', 0};
    const std::vector<uint8_t> file = qmtest::Concat(
            {qmtest::Box("ftyp", Bytes(std::string("heic\0\0\0\0mif1heic", 16))),
             qmtest::FullBox(
                     "meta", 0,
                     qmtest::Concat(
                             {qmtest::FullBox("iinf", 0,
                                              qmtest::Concat({{0, 1}, qmtest::FullBox("infe", 2, exif)})),
                              qmtest::FullBox("iloc", 0, iloc)}))});
    metaprobe::Listing listing = ProbeBytes(file);
    EXPECT_EQ(listing.Value("Major Brand"), "High Efficiency Image Format HEVC still image (.HEIC)");
    EXPECT_FALSE(listing.Has("Exif Byte Order"));  // an extent of length zero holds no block
}

TEST(MetaprobeIsoBoxes, TruncatedFilesListOnlyWhatTheyHoldWhole)
{
    static const char* const stable[] = {"Compressor ID",
                                         "Compressor Name",
                                         "Source Image Width",
                                         "X Resolution",
                                         "Video Frame Rate",
                                         "Audio Sample Rate",
                                         "Make",
                                         "Exposure Time",
                                         "ISO",
                                         "Album",
                                         "Genre",
                                         "Clean Aperture Dimensions",
                                         "General Level IDC",
                                         "Image Spatial Extent"};
    for (const std::vector<uint8_t>& whole :
         {qmtest::CameraMovieSample(2), qmtest::ImagePropertiesSample(5, false)}) {
        const metaprobe::Listing full = ProbeBytes(whole);
        for (size_t cut = 0; cut < whole.size(); cut += 5) {
            const metaprobe::Listing part =
                    ProbeBytes(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
            for (const char* name : stable) {
                if (part.Has(name)) {
                    EXPECT_EQ(part.Value(name), full.Value(name)) << name << " cut at " << cut;
                }
            }
        }
    }
}

TEST(MetaprobeIsoBoxes, LargeCameraMovieIsReadInBoundedPieces)
{
    // 5 GB of media data (sparse on disk) before a movie box with tracks and user data.
    const uint64_t dataSize = 5ull << 30;
    const std::string path = testing::TempDir() + "metaprobe_large_camera.mov";
    std::vector<uint8_t> head = {0, 0, 0,   20,  'f', 't', 'y', 'p', 'q', 't', ' ', ' ', 0,   0,
                                 2, 0, 'q', 't', ' ', ' ', 0,   0,   0,   1,   'm', 'd', 'a', 't'};
    for (int shift = 56; shift >= 0; shift -= 8)
        head.push_back(uint8_t((dataSize + 16) >> shift));
    const std::vector<uint8_t> movie = qmtest::CameraMovieSample(3);
    const std::vector<uint8_t> moov(movie.begin() + 20, movie.end() - 8);  // without its ftyp and mdat
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(head.data(), 1, head.size(), file), head.size());
    ASSERT_TRUE(SeekTo(file, head.size() + dataSize));
    ASSERT_EQ(std::fwrite(moov.data(), 1, moov.size(), file), moov.size());
    ASSERT_EQ(std::fclose(file), 0);

    std::unique_ptr<metaprobe::FileSource> source = metaprobe::FileSource::Open(path);
    ASSERT_NE(source, nullptr);
    CountingSource counting(*source);
    metaprobe::Listing listing;
    metaprobe::ProbeSource(counting, listing);
    std::remove(path.c_str());
    EXPECT_EQ(listing.Value("Make"), "PENTAX DIGITAL CAMERA");
    EXPECT_EQ(listing.Value("Compressor Name"), "Photo - JPEG");
    EXPECT_EQ(listing.Value("XMP Toolkit"), "Toolkit 3");
    EXPECT_LT(counting.reads, 400u);
    EXPECT_LT(counting.bytes, 64u * 1024);
}

}  // namespace

namespace {

std::string Fact(const metaprobe::Listing& listing, const std::string& name)
{
    for (const metaprobe::Field& fact : listing.BatchFacts()) {
        if (fact.name == name)
            return fact.value;
    }
    return "(none)";
}

// The organizer's facts of a phone's video: the header's instant in UTC and the recorded position,
// never shown in the listing itself.
TEST(MetaprobeIsoBatchFacts, InstantAndPositionOfAPhonesVideo)
{
    const int64_t utc = 1563139800;  // 2019-07-14 21:30:00 UTC
    const metaprobe::Listing listing = ProbeBytes(qmtest::PhoneVideo(
            {utc, "2019-07-15T06:30:00+0900", "+35.6895+139.6917+040.000/", "+52.52+013.40/"}));
    EXPECT_EQ(Fact(listing, "Batch UTC Create Date"), "1563139800");
    EXPECT_EQ(Fact(listing, "Batch UTC Modify Date"), "1563139800");
    // Apple's key wins over the user data's box, in whichever order they come.
    EXPECT_EQ(Fact(listing, "Batch ISO 6709 Position"), "+35.6895+139.6917+040.000/");
    EXPECT_EQ(listing.Value("Creation Date"), "2019:07:15 06:30:00+09:00");
    EXPECT_EQ(listing.Value("Create Date"), metaprobe::LocalTimeText(utc));
    const std::string text = metaprobe::FormatListing(listing);
    EXPECT_EQ(text.find("Batch"), std::string::npos) << text;
    EXPECT_NE(metaprobe::FormatBatchFacts(listing).find("Batch UTC Create Date           : 1563139800\n"),
              std::string::npos);

    const metaprobe::Listing userData = ProbeBytes(qmtest::PhoneVideo({utc, "", "", "+52.52+013.40/"}));
    EXPECT_EQ(Fact(userData, "Batch ISO 6709 Position"), "+52.52+013.40/");
    const metaprobe::Listing none = ProbeBytes(qmtest::PhoneVideo({utc, "", "", ""}));
    EXPECT_EQ(Fact(none, "Batch ISO 6709 Position"), "(none)");
}

TEST(MetaprobeIsoBatchFacts, NoInstantForAnUnsetDateOrOneListedOver)
{
    // A header date of zero is not set: no instant.
    const metaprobe::Listing unset = ProbeBytes(qmtest::MovieWith("qt  ", {}));
    EXPECT_EQ(Fact(unset, "Batch UTC Create Date"), "(none)");
    // An instant counts only while its field still shows the text it was listed with.
    metaprobe::Listing listing;
    listing.Add("Create Date", "2019:07:15 06:30:00");
    listing.NoteInstant("Create Date", "2019:07:15 06:30:00", 1563139800);
    listing.Add("Create Date", "2001:01:01 00:00:00", 2);
    EXPECT_EQ(Fact(listing, "Batch UTC Create Date"), "(none)");
    listing.NoteInstant("Modify Date", "2019:07:15 06:30:00", 1563139800);
    EXPECT_EQ(Fact(listing, "Batch UTC Modify Date"), "(none)");  // never listed
}

}  // namespace
