#include "metadata/ListingParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<MetaField> ReadListing(const std::vector<std::string>& chunks, const ListingLimits& limits = {})
{
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    for (const std::string& chunk : chunks)
        reader.Feed(chunk);
    reader.End();
    return fields;
}

std::vector<std::string> SplitLines(const std::vector<std::string>& chunks, std::size_t maxLine = 1 << 20)
{
    std::vector<std::string> lines;
    LineSplitter splitter(maxLine);
    for (const std::string& chunk : chunks) {
        splitter.Feed(chunk, [&](std::string_view line) { lines.emplace_back(line); });
    }
    return lines;
}

void ExpectField(const MetaField& field, const std::string& name, const std::string& value)
{
    EXPECT_EQ(field.name, name);
    EXPECT_EQ(field.value, value);
}

const std::string kListing = "ExifTool Version Number         : 12.40\r\n"
                             "Date/Time Original              : 2010:07:15 14:03:09\r\n"
                             "Orientation                     : Rotate 270 CW\n"
                             "Make: Cam\r\n"
                             "Last                            : done\r\n";

void ExpectListingFields(const std::vector<MetaField>& fields)
{
    ASSERT_EQ(fields.size(), 4u);
    ExpectField(fields[0], "Date/Time Original", "2010:07:15 14:03:09");
    ExpectField(fields[1], "Orientation", "Rotate 270 CW");
    ExpectField(fields[2], "Make", "Cam");
    ExpectField(fields[3], "Last", "done");
}

TEST(ParseListingLine, NamePaddingAndColonsInValue)
{
    MetaField field;
    ASSERT_TRUE(ParseListingLine("  \tDate/Time Original    :  2010:07:15 14:03:09 \t", field));
    ExpectField(field, "Date/Time Original", "2010:07:15 14:03:09");
}

TEST(ParseListingLine, EmptyValueIsKept)
{
    MetaField field;
    ASSERT_TRUE(ParseListingLine("Comment :   ", field));
    ExpectField(field, "Comment", "");
}

TEST(ParseListingLine, IgnoredLines)
{
    MetaField field {"unchanged", "kept"};
    EXPECT_FALSE(ParseListingLine("no colon here", field));
    EXPECT_FALSE(ParseListingLine("", field));
    EXPECT_FALSE(ParseListingLine("   : value without a name", field));
    EXPECT_FALSE(ParseListingLine(":", field));
    ExpectField(field, "unchanged", "kept");
}

TEST(ParseListingLine, DropListIsExactAndCaseSensitive)
{
    MetaField field;
    for (const char* name : {"ExifTool Version Number", "File Name", "Directory", "File Size",
                             "File Modification Date/Time", "File Permissions", "File Type"}) {
        EXPECT_FALSE(ParseListingLine(std::string(name) + "   : x", field)) << name;
    }
    ASSERT_TRUE(ParseListingLine("file size : 12 kB", field));
    ExpectField(field, "file size", "12 kB");
    ASSERT_TRUE(ParseListingLine("FILE TYPE : TIFF", field));
    ExpectField(field, "FILE TYPE", "TIFF");
    ASSERT_TRUE(ParseListingLine("File Type Extension : tif", field));
    ExpectField(field, "File Type Extension", "tif");
}

TEST(ParseListingLine, BinaryMarkNeedsItsTrailingSpace)
{
    MetaField field;
    EXPECT_FALSE(ParseListingLine("Thumbnail Image : (Binary data 5 bytes, use -b option)", field));
    EXPECT_FALSE(ParseListingLine("Note : use -b x", field));
    ASSERT_TRUE(ParseListingLine("Note : ends with use -b", field));
    ExpectField(field, "Note", "ends with use -b");
    ASSERT_TRUE(ParseListingLine("Note : use -bx", field));
    ExpectField(field, "Note", "use -bx");
}

TEST(LineSplitter, LineBreakRunsMakeNoEmptyLines)
{
    const auto lines = SplitLines({"a\r\n\r\n\nb\r\rc\n"});
    EXPECT_EQ(lines, (std::vector<std::string> {"a", "b", "c"}));
}

TEST(LineSplitter, NulByteBreaksTheLine)
{
    const auto lines = SplitLines({std::string("Name: a\0b\n", 10)});
    EXPECT_EQ(lines, (std::vector<std::string> {"Name: a", "b"}));
}

TEST(LineSplitter, UnfinishedLineWaitsForTheNextChunk)
{
    LineSplitter splitter(1 << 20);
    std::vector<std::string> lines;
    auto collect = [&](std::string_view line) { lines.emplace_back(line); };
    splitter.Feed("Make: Ca", collect);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(splitter.Pending().Text(), "Make: Ca");
    splitter.Feed("m\nNext", collect);
    EXPECT_EQ(lines, (std::vector<std::string> {"Make: Cam"}));
    EXPECT_EQ(splitter.Pending().Text(), "Next");
}

TEST(ListingReader, WholeListing)
{
    ExpectListingFields(ReadListing({kListing}));
}

TEST(ListingReader, EverySplitPointYieldsTheSameFields)
{
    for (std::size_t at = 0; at <= kListing.size(); ++at) {
        SCOPED_TRACE(at);
        ExpectListingFields(ReadListing({kListing.substr(0, at), kListing.substr(at)}));
    }
}

TEST(ListingReader, EveryPairOfSplitPointsYieldsTheSameFields)
{
    for (std::size_t a = 0; a <= kListing.size(); ++a) {
        for (std::size_t b = a; b <= kListing.size(); ++b) {
            SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b));
            ExpectListingFields(
                    ReadListing({kListing.substr(0, a), kListing.substr(a, b - a), kListing.substr(b)}));
        }
    }
}

TEST(ListingReader, OneByteChunks)
{
    std::vector<std::string> chunks;
    for (char c : kListing)
        chunks.emplace_back(1, c);
    ExpectListingFields(ReadListing(chunks));
}

TEST(ListingReader, SplitBetweenCrAndLfGivesOneField)
{
    const auto fields = ReadListing({"Make: Cam\r", "\nModel: X\r\n"});
    ASSERT_EQ(fields.size(), 2u);
    ExpectField(fields[0], "Make", "Cam");
    ExpectField(fields[1], "Model", "X");
}

TEST(ListingReader, LastLineWithoutBreakIsDropped)
{
    const auto fields = ReadListing({"Make: Cam\nModel: X"});
    ASSERT_EQ(fields.size(), 1u);
    ExpectField(fields[0], "Make", "Cam");
}

TEST(ListingReader, BeginForgetsAnUnfinishedLine)
{
    std::vector<MetaField> fields;
    ListingReader reader(fields, {});
    reader.Begin();
    reader.Feed("Stale: par");
    reader.Begin();
    reader.Feed("Make: Cam\n");
    ASSERT_EQ(fields.size(), 1u);
    ExpectField(fields[0], "Make", "Cam");
}

TEST(ListingReader, DuplicatesKeptInOrderAndAppendedToExistingList)
{
    std::vector<MetaField> fields {{"Earlier", "1"}};
    ListingReader reader(fields, {});
    reader.Begin();
    reader.Feed("Make: A\nMake: B\nFile Size: 3\n");
    reader.End();
    ASSERT_EQ(fields.size(), 3u);
    ExpectField(fields[0], "Earlier", "1");
    ExpectField(fields[1], "Make", "A");
    ExpectField(fields[2], "Make", "B");
}

TEST(PendingLine, GrowthSizes)
{
    PendingLine pending;
    EXPECT_EQ(pending.Capacity(), 10240u);
    pending.Append(std::string(10239, 'a'));  // fits with its terminator
    EXPECT_EQ(pending.Capacity(), 10240u);
    pending.Clear();
    pending.Append(std::string(10240, 'b'));  // empty buffer too small: fragment + 100
    EXPECT_EQ(pending.Capacity(), 10340u);
    EXPECT_EQ(pending.Length(), 10240u);
    pending.Append(std::string(99, 'c'));  // 10240 + 99 + 1 fits exactly
    EXPECT_EQ(pending.Capacity(), 10340u);
    pending.Append("dd");  // pending + fragment + 100
    EXPECT_EQ(pending.Capacity(), 10240u + 99u + 2u + 100u);
    EXPECT_EQ(pending.Text(), std::string(10240, 'b') + std::string(99, 'c') + "dd");
}

TEST(PendingLine, GrowthKeepsTextAcrossChunks)
{
    const std::string value(30000, 'v');
    const std::string line = "Long: " + value + "\n";
    std::vector<std::string> chunks;
    for (std::size_t at = 0; at < line.size(); at += 7001)
        chunks.push_back(line.substr(at, 7001));
    const auto fields = ReadListing(chunks);
    ASSERT_EQ(fields.size(), 1u);
    ExpectField(fields[0], "Long", value);
}

TEST(ListingLimits, OverlongLineDroppedWholeWhereverSplit)
{
    ListingLimits limits;
    limits.maxLineLength = 100;
    const std::string listing = "A: 1\nLong: " + std::string(200, 'x') + "\nB: 2\n";
    for (std::size_t at = 0; at <= listing.size(); ++at) {
        SCOPED_TRACE(at);
        const auto fields = ReadListing({listing.substr(0, at), listing.substr(at)}, limits);
        ASSERT_EQ(fields.size(), 2u);
        ExpectField(fields[0], "A", "1");
        ExpectField(fields[1], "B", "2");
    }
}

TEST(ListingLimits, LineOfExactlyTheLimitIsKept)
{
    ListingLimits limits;
    limits.maxLineLength = 20;
    const std::string line = "N: " + std::string(17, 'y');  // 20 bytes
    const auto fields = ReadListing({line.substr(0, 9), line.substr(9) + "\n"}, limits);
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, std::string(17, 'y'));
}

TEST(ListingLimits, PendingBufferStaysBounded)
{
    ListingLimits limits;
    limits.maxLineLength = 50000;
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    const std::string chunk(40000, 'z');
    for (int i = 0; i < 50; ++i)
        reader.Feed(chunk);  // 2 MB without a line break
    EXPECT_LE(reader.PendingCapacity(), limits.maxLineLength + 100);
    reader.Feed("\nAfter: yes\n");
    reader.End();
    EXPECT_EQ(reader.OverlongLines(), 1u);
    ASSERT_EQ(fields.size(), 1u);
    ExpectField(fields[0], "After", "yes");
}

TEST(ListingLimits, KeptBytesBudgetKeepsALeadingPart)
{
    ListingLimits limits;
    limits.maxKeptBytes = 10 * (sizeof(MetaField) + 8);
    std::string listing;
    for (int i = 0; i < 20; ++i) {
        listing += 'N';
        listing += static_cast<char>('0' + i % 10);
        listing += ": vvvvv\n";  // the field costs 8 bytes of text
    }
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    reader.Feed(listing);
    reader.Feed("X: 1\n");  // small enough to fit a gap, but the list stays a leading part
    reader.End();
    EXPECT_EQ(fields.size(), 10u);
    EXPECT_EQ(reader.FieldsOverBudget(), 11u);
    EXPECT_LE(reader.KeptBytes(), limits.maxKeptBytes);
    EXPECT_EQ(fields.back().name, "N9");
}

}  // namespace
