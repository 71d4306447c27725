// The Takeout sidecar reader and the matcher of sidecars to the files of one folder.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/TakeoutJson.h"
#include "engine/TakeoutMatch.h"

namespace {

// ---- reader ----

TakeoutSidecar Read(const std::string& text)
{
    TakeoutSidecar sidecar;
    std::string error;
    EXPECT_TRUE(ReadTakeoutJson(text, sidecar, error)) << error << "\n" << text;
    return sidecar;
}

std::string Refused(const std::string& text)
{
    TakeoutSidecar sidecar;
    sidecar.title = "left over";
    std::string error;
    EXPECT_FALSE(ReadTakeoutJson(text, sidecar, error)) << text;
    EXPECT_TRUE(sidecar.title.empty()) << "a refused file leaves nothing behind";
    EXPECT_FALSE(sidecar.photoTaken);
    return error;
}

const char kExported[] = R"({
  "title": "IMG_20150507_140000.jpg",
  "description": "",
  "imageViews": "12",
  "creationTime": { "timestamp": "1431100000", "formatted": "8 May 2015, 15:46:40 UTC" },
  "photoTakenTime": { "timestamp": "1431000000", "formatted": "7 May 2015, 12:00:00 UTC" },
  "geoData": { "latitude": 48.8584, "longitude": 2.2945, "altitude": 35.0, "latitudeSpan": 0.0, "longitudeSpan": 0.0 },
  "geoDataExif": { "latitude": 1.5, "longitude": 2.5, "altitude": 0.0 },
  "people": [ { "name": "A \"quoted\" name" } ],
  "url": "https:\/\/photos.google.com\/photo\/x",
  "googlePhotosOrigin": { "mobileUpload": { "deviceType": "ANDROID_PHONE" } },
  "trashed": false, "archived": null
})";

TEST(TakeoutJson, ReadsTheFieldsOfAnExportedSidecar)
{
    const TakeoutSidecar s = Read(kExported);
    EXPECT_EQ(s.title, "IMG_20150507_140000.jpg");
    ASSERT_TRUE(s.photoTaken);
    EXPECT_EQ(*s.photoTaken, 1431000000);
    ASSERT_TRUE(s.created);
    EXPECT_EQ(*s.created, 1431100000);
    ASSERT_TRUE(s.position);
    EXPECT_DOUBLE_EQ(s.position->latitude, 48.8584);
    EXPECT_DOUBLE_EQ(s.position->longitude, 2.2945);
}

TEST(TakeoutJson, PositionZeroZeroIsNoPositionAndTheExifOneStandsIn)
{
    EXPECT_FALSE(Read(R"({"geoData":{"latitude":0.0,"longitude":0.0}})").position);
    EXPECT_FALSE(
            Read(R"({"geoData":{"latitude":0,"longitude":0},"geoDataExif":{"latitude":0.0,"longitude":0.0}})")
                    .position);
    const auto exif =
            Read(R"({"geoData":{"latitude":0.0,"longitude":0.0},"geoDataExif":{"latitude":-33.8568,"longitude":151.2153}})")
                    .position;
    ASSERT_TRUE(exif);
    EXPECT_DOUBLE_EQ(exif->latitude, -33.8568);
    EXPECT_DOUBLE_EQ(exif->longitude, 151.2153);
    // Only one coordinate at zero is a real place (on the equator).
    const auto equator = Read(R"({"geoData":{"latitude":0.0,"longitude":32.5}})").position;
    ASSERT_TRUE(equator);
    EXPECT_DOUBLE_EQ(equator->longitude, 32.5);
    // Half a pair, a value no place has, or a number in quotes: no position.
    EXPECT_FALSE(Read(R"({"geoData":{"latitude":12.0}})").position);
    EXPECT_FALSE(Read(R"({"geoData":{"latitude":91.0,"longitude":1}})").position);
    EXPECT_FALSE(Read(R"({"geoData":{"latitude":1,"longitude":-180.5}})").position);
    EXPECT_FALSE(Read(R"({"geoData":{"latitude":"1","longitude":"2"}})").position);
}

TEST(TakeoutJson, TimestampAsStringOrNumberAndBadOnesRefused)
{
    EXPECT_EQ(*Read(R"({"photoTakenTime":{"timestamp":1431000000}})").photoTaken, 1431000000);
    EXPECT_EQ(*Read(R"({"photoTakenTime":{"timestamp":"-86400"}})").photoTaken, -86400);
    EXPECT_EQ(*Read(R"({"photoTakenTime":{"timestamp":"999999999999"}})").photoTaken, 999999999999);
    EXPECT_FALSE(Read(R"({"photoTakenTime":{"formatted":"x"}})").photoTaken);
    // A key of that name elsewhere is not the photo's time.
    EXPECT_FALSE(Read(R"({"other":{"photoTakenTime":{"timestamp":"5"}},"timestamp":"6"})").photoTaken);
    for (const char* bad :
         {R"({"photoTakenTime":{"timestamp":"14310x0000"}})", R"({"photoTakenTime":{"timestamp":""}})",
          R"({"photoTakenTime":{"timestamp":"-"}})", R"({"photoTakenTime":{"timestamp":"1000000000000"}})",
          R"({"photoTakenTime":{"timestamp":1.5}})", R"({"creationTime":{"timestamp":"1e9"}})"}) {
        EXPECT_NE(Refused(bad).find("timestamp"), std::string::npos) << bad;
    }
}

TEST(TakeoutJson, StringEscapesBecomeUtf8)
{
    EXPECT_EQ(Read(R"({"title":"caf\u00e9 \ud83d\ude00 \"q\" \\ \/ \t"})").title,
              "caf\xC3\xA9 \xF0\x9F\x98\x80 \"q\" \\ / \t");
    EXPECT_EQ(Read("{\"title\":\"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.jpg\"}").title,
              "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.jpg");
    // A byte-order mark before the object.
    EXPECT_EQ(Read("\xEF\xBB\xBF{\"title\":\"a.jpg\"}").title, "a.jpg");
}

TEST(TakeoutJson, DamagedFilesGetAClearError)
{
    EXPECT_NE(Refused("").find("not a JSON object"), std::string::npos);
    EXPECT_NE(Refused("[1,2]").find("not a JSON object"), std::string::npos);
    EXPECT_NE(Refused(R"({"title":"a.jpg")").find("ends inside an object"), std::string::npos);
    EXPECT_NE(Refused(R"({"title":"a.jpg)").find("ends inside a string"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":[1,2)").find("ends inside an array"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":1} x)").find("after the end"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":1 "b":2})").find("',' or '}' expected"), std::string::npos);
    EXPECT_NE(Refused(R"({a:1})").find("a name in quotes"), std::string::npos);
    EXPECT_NE(Refused(R"({"a" 1})").find("':' expected"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":tru})").find("unexpected character"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":})").find("unexpected character"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":01})").find("',' or '}' expected"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":1.})").find("after '.'"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":1e})").find("exponent"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\x"})").find("bad escape"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\u12"})").find("\\u"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\u12G4"})").find("bad \\u escape"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\ud83d"})").find("surrogate"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\ud83d\u0041"})").find("surrogate"), std::string::npos);
    EXPECT_NE(Refused(R"({"a":"\ude00"})").find("surrogate"), std::string::npos);
    EXPECT_NE(Refused("{\"a\":\"line\nbreak\"}").find("control character"), std::string::npos);
    // The error says where.
    EXPECT_NE(Refused(R"({"a":1 "b":2})").find("(at byte 7)"), std::string::npos);
}

TEST(TakeoutJson, DepthAndSizeAreBounded)
{
    const auto nested = [](int depth) {
        std::string text = "{\"a\":";
        for (int i = 1; i < depth; ++i)
            text += "[";
        text += "1";
        for (int i = 1; i < depth; ++i)
            text += "]";
        return text + "}";
    };
    Read(nested(kMaxTakeoutJsonDepth));
    EXPECT_NE(Refused(nested(kMaxTakeoutJsonDepth + 1)).find("nested too deep"), std::string::npos);
    EXPECT_NE(Refused(std::string(100000, '[')).find("not a JSON object"), std::string::npos);
    EXPECT_NE(Refused("{\"a\":" + std::string(100000, '[')).find("nested too deep"), std::string::npos);
    std::string objects;
    for (int i = 0; i < 50000; ++i)
        objects += "{\"a\":";
    EXPECT_NE(Refused(objects).find("nested too deep"), std::string::npos);

    const std::string head = "{\"title\":\"";
    std::string largest = head + std::string(kMaxTakeoutJsonBytes - head.size() - 2, 'x') + "\"}";
    ASSERT_EQ(largest.size(), kMaxTakeoutJsonBytes);
    Read(largest);
    largest.insert(head.size(), "x");
    EXPECT_NE(Refused(largest).find("larger than 1024 KB"), std::string::npos);
}

TEST(TakeoutJson, UtcDates)
{
    EXPECT_EQ(UtcDateOfSeconds(0), (DateTime {1970, 1, 1, 0, 0, 0}));
    EXPECT_EQ(UtcDateOfSeconds(1431000000), (DateTime {2015, 5, 7, 12, 0, 0}));
    EXPECT_EQ(UtcDateOfSeconds(951782400), (DateTime {2000, 2, 29, 0, 0, 0}));
    EXPECT_EQ(UtcDateOfSeconds(-86400), (DateTime {1969, 12, 31, 0, 0, 0}));
    EXPECT_EQ(UtcDateOfSeconds(-1), (DateTime {1969, 12, 31, 23, 59, 59}));
    EXPECT_EQ(UtcDateOfSeconds(253402300799), (DateTime {9999, 12, 31, 23, 59, 59}));
}

// Central Europe: UTC+1, summer time from the last Sunday of March to the last Sunday of October.
class CentralEurope : public ZoneRules {
public:
    bool ForYear(int, ZoneYear& rule) override
    {
        rule = {};
        rule.bias = -60;
        rule.daylightBias = -60;
        rule.daylightStart = {0, 3, 0, 5, 2, 0};
        rule.standardStart = {0, 10, 0, 5, 3, 0};
        return true;
    }
    // Winter now: a summer photo must still get summer time.
    std::int32_t CurrentBias() override { return -60; }
};

TEST(TakeoutJson, LocalDateTakesTheZoneRuleOfThePhotosOwnDate)
{
    CentralEurope zone;
    DateTime date;
    ASSERT_TRUE(TakeoutLocalDate(1719835200, std::nullopt, zone, date));  // 2024-07-01 12:00 UTC
    EXPECT_EQ(date, (DateTime {2024, 7, 1, 14, 0, 0}));
    ASSERT_TRUE(TakeoutLocalDate(1704110400, GeoPosition {52.5, 13.4}, zone, date));  // 2024-01-01 12:00 UTC
    EXPECT_EQ(date, (DateTime {2024, 1, 1, 13, 0, 0}));
    // Before 1601 or past where the zone's rules end: no date.
    EXPECT_FALSE(TakeoutLocalDate(-11644473601, std::nullopt, zone, date));
    EXPECT_FALSE(TakeoutLocalDate(900000000001, std::nullopt, zone, date));
}

// ---- matcher ----

// Each media name with the sidecar it takes its date from ("" for none).
std::map<std::string, std::string> Dates(const std::vector<std::string>& names,
                                         const std::map<std::string, std::string>& titles = {},
                                         int* asked = nullptr)
{
    const TakeoutMatch match = MatchTakeoutSidecars(names, [&](std::size_t i) -> std::optional<std::string> {
        if (asked != nullptr)
            ++*asked;
        const auto found = titles.find(names.at(i));
        if (found == titles.end())
            return std::nullopt;
        return found->second;
    });
    EXPECT_EQ(match.sidecarOf.size(), names.size());
    std::map<std::string, std::string> out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (match.isSidecar[i])
            continue;
        const int sidecar = match.sidecarOf[i];
        out[names[i]] = sidecar < 0 ? "" : names.at(static_cast<std::size_t>(sidecar));
    }
    return out;
}

// Each sidecar with the file it travels with ("" for none).
std::map<std::string, std::string> Owners(const std::vector<std::string>& names,
                                          const std::map<std::string, std::string>& titles = {})
{
    const TakeoutMatch match = MatchTakeoutSidecars(names, [&](std::size_t i) -> std::optional<std::string> {
        const auto found = titles.find(names.at(i));
        if (found == titles.end())
            return std::nullopt;
        return found->second;
    });
    std::map<std::string, std::string> out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!match.isSidecar[i]) {
            EXPECT_EQ(match.ownerOf[i], -1);
            continue;
        }
        const int owner = match.ownerOf[i];
        out[names[i]] = owner < 0 ? "" : names.at(static_cast<std::size_t>(owner));
    }
    return out;
}

using Pairs = std::map<std::string, std::string>;

TEST(TakeoutMatch, OldAndNewFormsInOneFolder)
{
    EXPECT_EQ(Dates({"IMG_1.jpg", "IMG_1.jpg.json", "IMG_2.jpg", "IMG_2.jpg.supplemental-metadata.json",
                     "IMG_3.JPG", "img_3.jpg.JSON", "plain.txt"}),
              (Pairs {{"IMG_1.jpg", "IMG_1.jpg.json"},
                      {"IMG_2.jpg", "IMG_2.jpg.supplemental-metadata.json"},
                      {"IMG_3.JPG", "img_3.jpg.JSON"},
                      {"plain.txt", ""}}));
}

TEST(TakeoutMatch, SuffixShortenedAtTheLimit)
{
    // 30 + 16, 36 + 10 and 44 + 2 characters before ".json".
    const std::string a = "PXL_20230101_123456789_abc.jpg";
    const std::string b = "PXL_20230101_123456789_abcdefghi.jpg";
    const std::string c = "PXL_20230101_123456789_abcdefghijklmnopq.jpg";
    ASSERT_EQ(a.size(), 30u);
    ASSERT_EQ(b.size(), 36u);
    ASSERT_EQ(c.size(), 44u);
    EXPECT_EQ(Dates({a, a + ".supplemental-me.json", b, b + ".supplemen.json", c, c + ".s.json"}),
              (Pairs {{a, a + ".supplemental-me.json"}, {b, b + ".supplemen.json"}, {c, c + ".s.json"}}));
}

TEST(TakeoutMatch, NamesAroundTheLimit)
{
    const std::string n45 = std::string(41, 'a') + ".jpg";
    const std::string n46 = std::string(42, 'b') + ".jpg";
    const std::string n47 = std::string(43, 'c') + ".jpg";
    const std::string n48 = std::string(44, 'd') + ".jpg";
    const std::string n60 = std::string(56, 'e') + ".jpg";
    EXPECT_EQ(Dates({n45, n45 + "..json", n46, n46 + ".json", n47, std::string(43, 'c') + ".jp.json", n48,
                     std::string(44, 'd') + ".j.json", n60, std::string(46, 'e') + ".json"}),
              (Pairs {{n45, n45 + "..json"},
                      {n46, n46 + ".json"},
                      {n47, std::string(43, 'c') + ".jp.json"},
                      {n48, std::string(44, 'd') + ".j.json"},
                      {n60, std::string(46, 'e') + ".json"}}));
    // The older form of 45 characters, whole.
    EXPECT_EQ(Dates({n45, n45 + ".json"}), (Pairs {{n45, n45 + ".json"}}));
    // Characters, not bytes: 41 two-byte letters and ".jpg" are 45 characters.
    std::string cyrillic;
    for (int i = 0; i < 41; ++i)
        cyrillic += "\xD0\x96";
    EXPECT_EQ(Dates({cyrillic + ".jpg", cyrillic + ".jpg..json"}),
              (Pairs {{cyrillic + ".jpg", cyrillic + ".jpg..json"}}));
    // A name one character short of the cut is not clipped.
    EXPECT_EQ(Dates({n45, std::string(41, 'a') + ".jp.json"}), (Pairs {{n45, ""}}));
}

TEST(TakeoutMatch, NumberedDuplicatesInBothForms)
{
    EXPECT_EQ(Dates({"IMG_5.jpg", "IMG_5.jpg.json", "IMG_5(1).jpg", "IMG_5.jpg(1).json", "IMG_6(2).jpg",
                     "IMG_6.jpg.supplemental-metadata(2).json"}),
              (Pairs {{"IMG_5.jpg", "IMG_5.jpg.json"},
                      {"IMG_5(1).jpg", "IMG_5.jpg(1).json"},
                      {"IMG_6(2).jpg", "IMG_6.jpg.supplemental-metadata(2).json"}}));
    // After a cut: the number follows the clipped part.
    const std::string stem = std::string(26, 'f');
    EXPECT_EQ(Dates({stem + "(1).jpg", stem + ".jpg.supplemental-me(1).json"}),
              (Pairs {{stem + "(1).jpg", stem + ".jpg.supplemental-me(1).json"}}));
    const std::string longStem = std::string(50, 'g');
    EXPECT_EQ(Dates({longStem + "(3).jpg", std::string(46, 'g') + "(3).json"}),
              (Pairs {{longStem + "(3).jpg", std::string(46, 'g') + "(3).json"}}));
    // A name of its own that ends in a number in brackets keeps its own sidecar.
    EXPECT_EQ(Dates({"Party (2019).jpg", "Party (2019).jpg.json", "Party .jpg(2019).json"}),
              (Pairs {{"Party (2019).jpg", "Party (2019).jpg.json"}}));
}

TEST(TakeoutMatch, SidecarsWithoutTheMediaExtension)
{
    EXPECT_EQ(Dates({"Peanut Butter Balls.jpg", "Peanut Butter Balls.supplemental-metadata.json", "Soup.png",
                     "Soup.json"}),
              (Pairs {{"Peanut Butter Balls.jpg", "Peanut Butter Balls.supplemental-metadata.json"},
                      {"Soup.png", "Soup.json"}}));
}

TEST(TakeoutMatch, EditedCopiesTakeTheOriginalsSidecar)
{
    const std::vector<std::string> names {"a.jpg",
                                          "a.jpg.json",
                                          "a-edited.jpg",
                                          "b.jpg",
                                          "b.jpg.supplemental-metadata.json",
                                          "b-bearbeitet.jpg",
                                          "c.jpg",
                                          "c.jpg.json",
                                          "c-modifi\xC3\xA9.jpg",
                                          "d(1).jpg",
                                          "d.jpg(1).json",
                                          "d(1)-editado.jpg",
                                          "e-EDITED.jpg",
                                          "e.jpg.json"};
    EXPECT_EQ(Dates(names), (Pairs {{"a.jpg", "a.jpg.json"},
                                    {"a-edited.jpg", "a.jpg.json"},
                                    {"b.jpg", "b.jpg.supplemental-metadata.json"},
                                    {"b-bearbeitet.jpg", "b.jpg.supplemental-metadata.json"},
                                    {"c.jpg", "c.jpg.json"},
                                    {"c-modifi\xC3\xA9.jpg", "c.jpg.json"},
                                    {"d(1).jpg", "d.jpg(1).json"},
                                    {"d(1)-editado.jpg", "d.jpg(1).json"},
                                    {"e-EDITED.jpg", "e.jpg.json"}}));
    // The sidecar travels with the original; with the original gone, with the copy.
    EXPECT_EQ(Owners(names), (Pairs {{"a.jpg.json", "a.jpg"},
                                     {"b.jpg.supplemental-metadata.json", "b.jpg"},
                                     {"c.jpg.json", "c.jpg"},
                                     {"d.jpg(1).json", "d(1).jpg"},
                                     {"e.jpg.json", "e-EDITED.jpg"}}));
    // A name that only ends like an edit word has no original to borrow from.
    EXPECT_EQ(Dates({"unedited.jpg", "un.jpg.json"}), (Pairs {{"unedited.jpg", ""}}));
}

TEST(TakeoutMatch, MotionVideosTakeTheStillsSidecar)
{
    const std::vector<std::string> names {"PXL_1.jpg",
                                          "PXL_1.jpg.json",
                                          "PXL_1.MP4",
                                          "IMG_2.HEIC",
                                          "IMG_2.HEIC.supplemental-metadata.json",
                                          "IMG_2.MOV",
                                          "MV_3.jpg",
                                          "MV_3.jpg.json",
                                          "MV_3.MP",
                                          "lone.mp4",
                                          "IMG_4.jpg",
                                          "IMG_4.jpg.json",
                                          "IMG_4.mov",
                                          "IMG_4.mov.json"};
    EXPECT_EQ(Dates(names), (Pairs {{"PXL_1.jpg", "PXL_1.jpg.json"},
                                    {"PXL_1.MP4", "PXL_1.jpg.json"},
                                    {"IMG_2.HEIC", "IMG_2.HEIC.supplemental-metadata.json"},
                                    {"IMG_2.MOV", "IMG_2.HEIC.supplemental-metadata.json"},
                                    {"MV_3.jpg", "MV_3.jpg.json"},
                                    {"MV_3.MP", "MV_3.jpg.json"},
                                    {"lone.mp4", ""},
                                    {"IMG_4.jpg", "IMG_4.jpg.json"},
                                    {"IMG_4.mov", "IMG_4.mov.json"}}));
    EXPECT_EQ(Owners(names)["PXL_1.jpg.json"], "PXL_1.jpg");
    // A video beside something that is no still of its name takes nothing.
    EXPECT_EQ(Dates({"clip.mp4", "clip2.jpg", "clip2.jpg.json"})["clip.mp4"], "");
}

TEST(TakeoutMatch, TitleDecidesBetweenCandidates)
{
    // Two long names cut to one sidecar name.
    const std::string common = std::string(46, 'h');
    const std::string one = common + "1.jpg";
    const std::string two = common + "2.jpg";
    const std::vector<std::string> names {one, two, common + ".json"};
    EXPECT_EQ(Dates(names, {{common + ".json", two}}), (Pairs {{one, ""}, {two, common + ".json"}}));
    EXPECT_EQ(Dates(names, {{common + ".json", one}}), (Pairs {{one, common + ".json"}, {two, ""}}));
    // No title to decide by (or one that names neither): nobody takes it.
    EXPECT_EQ(Dates(names), (Pairs {{one, ""}, {two, ""}}));
    EXPECT_EQ(Dates(names, {{common + ".json", "other.jpg"}}), (Pairs {{one, ""}, {two, ""}}));
    EXPECT_EQ(Owners(names), (Pairs {{common + ".json", ""}}));

    // A still and a video of one name and a sidecar without extension: the title names the owner,
    // and the motion video shares it.
    const std::vector<std::string> trip {"Trip.jpg", "Trip.mp4", "Trip.supplemental-metadata.json"};
    EXPECT_EQ(Owners(trip, {{"Trip.supplemental-metadata.json", "Trip.jpg"}}),
              (Pairs {{"Trip.supplemental-metadata.json", "Trip.jpg"}}));
    EXPECT_EQ(Dates(trip, {{"Trip.supplemental-metadata.json", "Trip.jpg"}}),
              (Pairs {{"Trip.jpg", "Trip.supplemental-metadata.json"},
                      {"Trip.mp4", "Trip.supplemental-metadata.json"}}));
    EXPECT_EQ(Owners(trip, {{"Trip.supplemental-metadata.json", "Trip.mp4"}}),
              (Pairs {{"Trip.supplemental-metadata.json", "Trip.mp4"}}));

    // Two sidecars a file could take: the one whose title is its name.
    const std::vector<std::string> two_sidecars {"IMG_7(1).jpg", "IMG_7(1).jpg.json", "IMG_7.jpg(1).json"};
    EXPECT_EQ(Dates(two_sidecars, {{"IMG_7(1).jpg.json", "IMG_7.jpg"}, {"IMG_7.jpg(1).json", "IMG_7.jpg"}}),
              (Pairs {{"IMG_7(1).jpg", "IMG_7.jpg(1).json"}}));
    EXPECT_EQ(
            Dates(two_sidecars, {{"IMG_7(1).jpg.json", "IMG_7(1).jpg"}, {"IMG_7.jpg(1).json", "IMG_7.jpg"}}),
            (Pairs {{"IMG_7(1).jpg", "IMG_7(1).jpg.json"}}));
}

TEST(TakeoutMatch, TitlesAreReadOnlyWhereNamesLeaveAChoice)
{
    int asked = 0;
    Dates({"IMG_1.jpg", "IMG_1.jpg.json", "IMG_2.jpg", "IMG_2.jpg.supplemental-metadata.json", "x.json"}, {},
          &asked);
    EXPECT_EQ(asked, 0);
    const std::string common = std::string(46, 'h');
    Dates({common + "1.jpg", common + "2.jpg", common + ".json"}, {}, &asked);
    EXPECT_EQ(asked, 1) << "one sidecar, read once";
}

TEST(TakeoutMatch, SidecarsNobodyTakes)
{
    EXPECT_EQ(Owners({"IMG_1.jpg", "IMG_1.jpg.json", "gone.jpg.json", "metadata.json", ".json"}),
              (Pairs {{"IMG_1.jpg.json", "IMG_1.jpg"}, {"gone.jpg.json", ""}, {"metadata.json", ""}}));
    EXPECT_FALSE(IsTakeoutSidecarName(".json"));
    EXPECT_TRUE(IsTakeoutSidecarName("a.JSON"));
    EXPECT_FALSE(IsTakeoutSidecarName("a.json.jpg"));
}

}  // namespace
