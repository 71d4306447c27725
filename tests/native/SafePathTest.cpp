#include <gtest/gtest.h>

#include <string>

#include "engine/CsvText.h"
#include "engine/ModeFolder.h"
#include "engine/SafePath.h"

namespace {

TEST(SafePath, NameComponentFaults)
{
    const struct {
        std::string name;
        NameFault fault;
    } cases[] = {
            {"2012", NameFault::None},
            {"Rotate 90 CW", NameFault::None},
            {"photo.jpg", NameFault::None},
            {"\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE", NameFault::None},  // Фото
            {"CONSOLE", NameFault::None},
            {"COM10", NameFault::None},
            {"LPT", NameFault::None},
            {".hidden", NameFault::None},
            {"", NameFault::Empty},
            {".", NameFault::DotPart},
            {"..", NameFault::DotPart},
            {"..\\..\\escaped", NameFault::Separator},
            {"../../escaped", NameFault::Separator},
            {"a\\..\\..\\x", NameFault::Separator},
            {"\\\\server\\share", NameFault::Separator},
            {"C:", NameFault::DrivePrefix},
            {"c:x", NameFault::DrivePrefix},
            {"a:b", NameFault::DrivePrefix},
            {"ab:c", NameFault::BadChar},
            {"what?", NameFault::BadChar},
            {"a|b", NameFault::BadChar},
            {"a\x01"
             "b",
             NameFault::ControlChar},
            {"tab\there", NameFault::ControlChar},
            {"line\n", NameFault::ControlChar},
            {"del\x7F", NameFault::ControlChar},
            {"trailing.", NameFault::TrailingDotOrSpace},
            {"trailing ", NameFault::TrailingDotOrSpace},
            {"...", NameFault::TrailingDotOrSpace},
            {"....", NameFault::TrailingDotOrSpace},
            {". . .", NameFault::TrailingDotOrSpace},
            {"...jpg", NameFault::None},
            {"CON", NameFault::ReservedName},
            {"con", NameFault::ReservedName},
            {"NUL.2014.jpg", NameFault::ReservedName},
            {"Aux .txt", NameFault::ReservedName},
            {"prn.x", NameFault::ReservedName},
            {"COM1", NameFault::ReservedName},
            {"lpt9.log", NameFault::ReservedName},
            {"COM\xC2\xB9", NameFault::ReservedName},
            {"CONOUT$", NameFault::ReservedName},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckNameComponent(c.name), c.fault) << '"' << c.name << '"';
}

TEST(SafePath, FaultTextsNameTheCauseAndShowNoControlCharacters)
{
    EXPECT_EQ(NameFaultText(NameFault::ReservedName, "CON"),
              "Unsafe name \"CON\" (a name Windows reserves for a device)");
    EXPECT_EQ(NameFaultText(NameFault::ControlChar, "a\r\nb"),
              "Unsafe name \"a??b\" (a name may not contain control characters)");
    EXPECT_EQ(NameFaultText(NameFault::None, "x"), "");

    const std::string longName(200, 'x');
    EXPECT_EQ(ShowableName(longName), std::string(80, 'x') + "...");
    // 79 ASCII bytes and a two-byte character across the cut: the character is left out whole.
    const std::string across = std::string(79, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(ShowableName(across), std::string(79, 'a') + "...");
}

TEST(SafePath, InsideFolderTable)
{
    const struct {
        const char* folder;
        const char* target;
        bool inside;
    } cases[] = {
            {"C:\\out\\", "C:\\out\\2012\\a.jpg", true},
            {"C:\\out", "C:\\out\\a.jpg", true},
            {"C:\\out\\", "c:\\OUT\\a.jpg", true},
            {"C:\\out\\", "C:/out/sub/a.jpg", true},
            {"C:\\out\\", "C:\\out\\\\sub\\\\a.jpg", true},
            {"C:\\out\\", "C:\\out\\.\\a.jpg", true},
            {"C:\\out\\", "C:\\out\\x\\..\\a.jpg", true},
            {"C:\\t\\a\\..\\out\\", "C:\\t\\out\\a.jpg", true},
            {"\\\\server\\share\\photos\\", "\\\\SERVER\\share\\photos\\2012\\a.jpg", true},
            {"C:\\out\\", "C:\\out\\", false},
            {"C:\\out\\", "C:\\out", false},
            {"C:\\out\\", "C:\\out\\..\\a.jpg", false},
            {"C:\\out\\", "C:\\out\\..\\..\\..\\Windows\\a.jpg", false},
            {"C:\\out\\", "C:\\out\\x\\..\\..\\a.jpg", false},
            {"C:\\out\\", "C:\\outside\\a.jpg", false},
            {"C:\\out\\", "D:\\out\\a.jpg", false},
            {"C:\\out\\", "\\\\server\\share\\out\\a.jpg", false},
            {"\\\\server\\share\\", "\\\\server\\other\\a.jpg", false},
            {"\\\\server\\share\\", "\\\\server\\share\\..\\other\\a.jpg", true},
            {"C:\\out\\", "out\\a.jpg", false},
            {"", "C:\\a.jpg", false},
            {"out\\", "out\\a.jpg", false},
            // A short-name spelling cannot be matched without the file system: refused, never admitted.
            {"C:\\PROGRA~1\\", "C:\\Program Files\\a.jpg", false},
            // Windows drops trailing dots and spaces: "out. " is "out".
            {"C:\\out\\", "C:\\out. \\a.jpg", true},
            {"C:\\out\\", "C:\\out..\\a.jpg", true},
            {"C:\\out\\", "C:\\out\\.. \\a.jpg", false},
            // Non-ASCII letters must match exactly.
            {"C:\\\xD0\xA4\\", "C:\\\xD0\xA4\\a.jpg", true},
            {"C:\\\xD0\xA4\\", "C:\\\xD1\x84\\a.jpg", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsInsideFolder(c.folder, c.target), c.inside) << c.folder << " | " << c.target;
}

TEST(SafePath, TargetCheckNamesTheFirstBadName)
{
    std::string reason;
    EXPECT_TRUE(CheckTargetInFolder("C:\\out\\", "C:\\out\\2012\\2012_01\\a.jpg", reason));
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\..\\..\\escaped\\a.jpg", reason));
    EXPECT_EQ(reason, "Unsafe name \"..\" (a name may not be . or ..)");
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\2012\\NUL.2012.jpg", reason));
    EXPECT_EQ(reason, "Unsafe name \"NUL.2012.jpg\" (a name Windows reserves for a device)");
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\2012\\\\a.jpg", reason));
    EXPECT_EQ(reason, "Unsafe name \"\" (an empty name)");
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\elsewhere\\a.jpg", reason));
    EXPECT_EQ(reason, "Target \"C:\\elsewhere\\a.jpg\" lies outside the output folder");
    // A target that ends in a separator names no file.
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\2012\\", reason));
    EXPECT_EQ(reason, "Unsafe name \"\" (an empty name)");
}

TEST(SafePath, FileNameIsJudgedAsWindowsStoresIt)
{
    std::string reason;
    EXPECT_TRUE(CheckTargetInFolder("C:\\out\\", "C:\\out\\odd.", reason)) << reason;
    EXPECT_TRUE(CheckTargetInFolder("C:\\out\\", "C:\\out\\JPG\\a.jpg . ", reason)) << reason;
    // Folders keep the strict rule, and a name that is nothing once trimmed, or a device, is refused.
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\odd.\\a.jpg", reason));
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\x\\...", reason));
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\x\\ . ", reason));
    EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\CON.", reason));
    EXPECT_EQ(reason, "Unsafe name \"CON.\" (a name Windows reserves for a device)");
}

// Windows drops the trailing dots of a name, so a folder of three or more dots (from a template or
// a file's metadata) is no name it can create: refused by name, and never taken to be inside.
TEST(SafePath, NamesOfThreeOrMoreDotsAreRefused)
{
    for (const std::string dots : {"...", "....", "....."}) {
        SCOPED_TRACE(dots);
        std::string reason;
        EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\" + dots + "\\a.jpg", reason));
        EXPECT_EQ(reason, "Unsafe name \"" + dots + "\" (a name may not end in a dot or a space)");
        EXPECT_FALSE(CheckTargetInFolder("C:\\out\\", "C:\\out\\2012\\" + dots, reason));
        EXPECT_EQ(reason, "Unsafe name \"" + dots + "\" (a name may not be . or ..)");
        // Resolved as ".." when the names are not checked one by one: never below the folder.
        EXPECT_FALSE(IsInsideFolder("C:\\out\\", "C:\\out\\" + dots + "\\a.jpg"));
        EXPECT_FALSE(IsInsideFolder("C:\\out\\", "C:\\out\\2012\\" + dots + "\\..\\a.jpg"));
    }
}

TEST(ModeFolder, OnlyKnownOrientationsBecomeFolders)
{
    std::string folder;
    std::string reason;
    for (const char* known : {"Horizontal (normal)", "Mirror horizontal", "Rotate 180", "Mirror vertical",
                              "Mirror horizontal and rotate 90 CCW", "Rotate 90 CW",
                              "Mirror horizontal and rotate 90 CW", "Rotate 90 CCW"}) {
        EXPECT_TRUE(OrientationFolderName(known, folder, reason)) << known;
        EXPECT_EQ(folder, known);
    }
    folder = "kept";
    for (const char* crafted : {"..\\..\\..\\escaped", "../../escaped2", "..", "Rotate 90 CW ",
                                "rotate 90 cw", "Unknown (9)", "Rotate 270 CW", "C:\\x", ""}) {
        EXPECT_FALSE(OrientationFolderName(crafted, folder, reason)) << crafted;
        EXPECT_EQ(reason, "Unknown orientation \"" + std::string(crafted) + "\"");
        EXPECT_EQ(folder, "kept");
    }
}

TEST(ModeFolder, ExtensionFolders)
{
    EXPECT_EQ(ExtensionText("photo"), std::nullopt);
    EXPECT_EQ(ExtensionText("pic.jpeg"), "JPEG");
    EXPECT_EQ(ExtensionText("pic."), "");
    EXPECT_EQ(ExtensionText("a.b.Tif"), "TIF");

    const auto folderFor = [](const std::string& ext, std::string& folder, std::string& reason) {
        return ModeFolderPath(OrganizeOptions {}, {ModeKind::Extension, {}, ext}, folder, reason);
    };
    std::string folder = "kept";
    std::string reason;
    EXPECT_TRUE(folderFor("JPEG", folder, reason));
    EXPECT_EQ(folder, "JPEG\\");
    EXPECT_TRUE(folderFor("", folder, reason));
    EXPECT_EQ(folder, "");
    folder = "kept";
    EXPECT_FALSE(folderFor("CON", folder, reason));
    EXPECT_EQ(reason, "Unsafe name \"CON\" (a name Windows reserves for a device)");
    EXPECT_FALSE(folderFor("B C ", folder, reason));
    EXPECT_EQ(reason, "Unsafe name \"B C \" (a name may not end in a dot or a space)");
    EXPECT_EQ(folder, "kept");
}

TEST(ModeFolder, EveryKindGivesItsLevels)
{
    OrganizeOptions options;
    options.CreateDayFolder = 1;
    std::string folder;
    std::string reason;
    ASSERT_TRUE(ModeFolderPath(options, {ModeKind::Date, {2012, 1, 27, 10, 46, 15}, {}}, folder, reason));
    EXPECT_EQ(folder, "2012\\2012_01\\2012_01_27\\");
    ASSERT_TRUE(ModeFolderPath(options, {ModeKind::Orientation, {}, "Rotate 90 CW"}, folder, reason));
    EXPECT_EQ(folder, "Rotate 90 CW\\");
    EXPECT_FALSE(ModeFolderPath(options, {ModeKind::Orientation, {}, "..\\x"}, folder, reason));
    EXPECT_EQ(reason, "Unknown orientation \"..\\x\"");
}

TEST(CsvText, QuotingAndFormulaSafety)
{
    EXPECT_EQ(CsvCell("C:\\photos\\a.jpg"), "C:\\photos\\a.jpg");
    EXPECT_EQ(CsvCell(""), "");
    EXPECT_EQ(CsvCell("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvCell("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvCell("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvCell("=HYPERLINK(\"x\")"), "\"'=HYPERLINK(\"\"x\"\")\"");
    EXPECT_EQ(CsvCell("+1"), "'+1");
    EXPECT_EQ(CsvCell("-2.jpg"), "'-2.jpg");
    EXPECT_EQ(CsvCell("@SUM(A1)"), "'@SUM(A1)");
    EXPECT_EQ(CsvCell("\tx"), "'\tx");
    EXPECT_EQ(CsvCell("\rx"), "\"'\rx\"");
    EXPECT_EQ(CsvCell("a=b"), "a=b");
    EXPECT_EQ(CsvLine({"source", "a,b", "=1"}), "source,\"a,b\",'=1\r\n");
}

}  // namespace
