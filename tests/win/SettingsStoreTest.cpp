#include <cstring>

#include "engine/PathUtils.h"
#include "engine/RunJournal.h"
#include "tests/support/StatusCheck.h"
#include "tests/win/RegistryFixture.h"

namespace {

OrganizeOptions Defaults()
{
    OrganizeOptions options;
    options.SetDefaults("C:\\docs");
    return options;
}

// Every field different from its default.
OrganizeOptions Changed()
{
    OrganizeOptions options;
    options.OutputFolderType = 1;
    options.CustomTargetFolder = "D:\\Out\\";
    options.Mode = OrganizeMode::Orientation;
    options.CreateYearFolder = 0;
    options.CreateMonthFolder = 0;
    options.MonthFolderFormat = "%L";
    options.CreateDayFolder = 0;
    options.DayFolderFormat = "%D %A";
    options.RenameTargetFileName = 1;
    options.TargetFilenameFormat = "%N %J %P";
    options.Folder = "E:\\Camera";
    options.LastAddFileDir = "F:\\Incoming";
    options.EnableExtFilter = 1;
    options.AllowExts = "jpg;cr2,nef";
    options.TargetExistsOpt = TargetExistsPolicy::RenameUnlessIdentical;
    options.SaveToLog = 1;
    options.LogFile = "G:\\log.txt";
    options.AddFilesInSubfolder = 0;
    options.WndMaximized = 0;
    options.WndPosition = {-8, 10, 1200, 900};
    options.OpenDlg_FilterIndex = 3;
    options.ColWidth_Source = 100;
    options.ColWidth_Target = 200;
    options.ColWidth_Result = 300;
    options.ColWidth_Dpi = 144;
    options.CompanionFiles = 1;
    options.NameDates = 1;
    options.DownloadCloudFiles = 1;
    options.ClockRules = "Canon EOS 5D=+01:00\nNIKON D700#1234567=-00:07:36\n";
    options.DayBegins = "04:30";
    options.SkipKnownFiles = 1;
    options.VerifyCopies = 1;
    return options;
}

void ExpectSame(const OrganizeOptions& actual, const OrganizeOptions& expected)
{
    EXPECT_EQ(actual.OutputFolderType, expected.OutputFolderType);
    EXPECT_EQ(actual.CustomTargetFolder, expected.CustomTargetFolder);
    EXPECT_EQ(actual.Mode, expected.Mode);
    EXPECT_EQ(actual.CreateYearFolder, expected.CreateYearFolder);
    EXPECT_EQ(actual.CreateMonthFolder, expected.CreateMonthFolder);
    EXPECT_EQ(actual.MonthFolderFormat, expected.MonthFolderFormat);
    EXPECT_EQ(actual.CreateDayFolder, expected.CreateDayFolder);
    EXPECT_EQ(actual.DayFolderFormat, expected.DayFolderFormat);
    EXPECT_EQ(actual.RenameTargetFileName, expected.RenameTargetFileName);
    EXPECT_EQ(actual.TargetFilenameFormat, expected.TargetFilenameFormat);
    EXPECT_EQ(actual.Folder, expected.Folder);
    EXPECT_EQ(actual.LastAddFileDir, expected.LastAddFileDir);
    EXPECT_EQ(actual.EnableExtFilter, expected.EnableExtFilter);
    EXPECT_EQ(actual.AllowExts, expected.AllowExts);
    EXPECT_EQ(actual.TargetExistsOpt, expected.TargetExistsOpt);
    EXPECT_EQ(actual.SaveToLog, expected.SaveToLog);
    EXPECT_EQ(actual.LogFile, expected.LogFile);
    EXPECT_EQ(actual.AddFilesInSubfolder, expected.AddFilesInSubfolder);
    EXPECT_EQ(actual.WndMaximized, expected.WndMaximized);
    EXPECT_EQ(actual.WndPosition.left, expected.WndPosition.left);
    EXPECT_EQ(actual.WndPosition.top, expected.WndPosition.top);
    EXPECT_EQ(actual.WndPosition.right, expected.WndPosition.right);
    EXPECT_EQ(actual.WndPosition.bottom, expected.WndPosition.bottom);
    EXPECT_EQ(actual.OpenDlg_FilterIndex, expected.OpenDlg_FilterIndex);
    EXPECT_EQ(actual.ColWidth_Source, expected.ColWidth_Source);
    EXPECT_EQ(actual.ColWidth_Target, expected.ColWidth_Target);
    EXPECT_EQ(actual.ColWidth_Result, expected.ColWidth_Result);
    EXPECT_EQ(actual.ColWidth_Dpi, expected.ColWidth_Dpi);
    EXPECT_EQ(actual.CompanionFiles, expected.CompanionFiles);
    EXPECT_EQ(actual.NameDates, expected.NameDates);
    EXPECT_EQ(actual.DownloadCloudFiles, expected.DownloadCloudFiles);
    EXPECT_EQ(actual.ClockRules, expected.ClockRules);
    EXPECT_EQ(actual.DayBegins, expected.DayBegins);
    EXPECT_EQ(actual.SkipKnownFiles, expected.SkipKnownFiles);
    EXPECT_EQ(actual.VerifyCopies, expected.VerifyCopies);
}

class SettingsStoreTest : public RegistryFixture { };

}  // namespace

TEST_F(SettingsStoreTest, FirstStartKeepsEveryDefault)
{
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    ExpectSame(options, Defaults());
    EXPECT_FALSE(KeyExists(kOptionsKey));
}

TEST_F(SettingsStoreTest, WithoutTheKeyNothingChanges)
{
    OrganizeOptions options = Changed();
    LoadSettings(options);
    ExpectSame(options, Changed());
}

TEST_F(SettingsStoreTest, SavedSettingsLoadBack)
{
    ASSERT_TRUE(Succeeded(SaveSettings(Changed())));
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    ExpectSame(options, Changed());
}

TEST_F(SettingsStoreTest, SaveWritesEveryValueWithItsType)
{
    ASSERT_TRUE(Succeeded(SaveSettings(Changed())));
    const char* dwords[] = {"OutputFolderType",    "MoveType",        "CreateYearFolder",
                            "CreateMonthFolder",   "CreateDayFolder", "RenameTargetFileName",
                            "EnableExtFilter",     "TargetExistsOpt", "SaveToLog",
                            "AddFilesInSubfolder", "WndMaximized",    "OpenDlg_FilterIndex",
                            "ColWidth_Source",     "ColWidth_Target", "ColWidth_Result",
                            "ColWidth_Dpi",        "CompanionFiles",  "NameDates",
                            "DownloadCloudFiles",  "SkipKnownFiles",  "VideoComputerZone",
                            "TakeoutDates",        "VerifyCopies",    "MakeBackup"};
    const char* texts[] = {
            "CustomTargetFolder", "MonthFolderFormat", "DayFolderFormat", "TargetFilenameFormat", "Folder",
            "LastAddFileDir",     "AllowExts",         "LogFile",         "ClockRules",           "DayBegins",
            "BackupFolder"};
    for (const char* name : dwords) {
        const RawValue value = GetRaw(kOptionsKey, name);
        ASSERT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(value.data.size(), 4u) << name;
    }
    for (const char* name : texts) {
        const RawValue value = GetRaw(kOptionsKey, name);
        ASSERT_TRUE(value.found) << name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
    }
    const RawValue moveType = GetRaw(kOptionsKey, "MoveType");
    DWORD mode = 0;
    std::memcpy(&mode, moveType.data.data(), sizeof mode);
    EXPECT_EQ(mode, 900u);

    const RawValue folder = GetRaw(kOptionsKey, "CustomTargetFolder");
    EXPECT_EQ(std::string(folder.data.begin(), folder.data.end()), std::string("D:\\Out\\", 8));

    const RawValue position = GetRaw(kOptionsKey, "WndPosition");
    ASSERT_TRUE(position.found);
    EXPECT_EQ(position.type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(position.data.size(), 16u);
    std::int32_t rect[4];
    std::memcpy(rect, position.data.data(), sizeof rect);
    EXPECT_EQ(rect[0], -8);
    EXPECT_EQ(rect[1], 10);
    EXPECT_EQ(rect[2], 1200);
    EXPECT_EQ(rect[3], 900);

    EXPECT_EQ(ValueNames(kOptionsKey).size(), std::size(dwords) + std::size(texts) + 1);
}

TEST_F(SettingsStoreTest, SaveLeavesOtherPartsValuesAlone)
{
    SetDword(kOptionsKey, "FirstRun", 0);
    SetDword(kOptionsKey, "ExifInfoWndMaxed", 1);
    ASSERT_TRUE(Succeeded(SaveSettings(Defaults())));
    EXPECT_TRUE(GetRaw(kOptionsKey, "FirstRun").found);
    EXPECT_TRUE(GetRaw(kOptionsKey, "ExifInfoWndMaxed").found);
}

TEST_F(SettingsStoreTest, MissingWndMaximizedMeansMaximized)
{
    SetDword(kOptionsKey, "ColWidth_Source", 123);
    OrganizeOptions options = Defaults();
    options.WndMaximized = 0;
    options.ColWidth_Dpi = 144;
    LoadSettings(options);
    EXPECT_EQ(options.WndMaximized, 1u);
    EXPECT_EQ(options.ColWidth_Source, 123u);
    // Widths stored without their DPI (by an older version) were measured at 96 DPI.
    EXPECT_EQ(options.ColWidth_Dpi, 96u);
}

TEST_F(SettingsStoreTest, DwordsAreReadWhateverTheirRegistryType)
{
    const BYTE binary[4] = {0x2C, 0x01, 0x00, 0x00};
    SetRaw(kOptionsKey, "ColWidth_Source", REG_BINARY, binary, sizeof binary);
    SetText(kOptionsKey, "ColWidth_Target", "123456");
    const std::uint64_t wide = 77;
    SetRaw(kOptionsKey, "ColWidth_Result", REG_QWORD, &wide, sizeof wide);
    SetText(kOptionsKey, "MoveType", "2");
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.ColWidth_Source, 300u);
    // Too large for 4 bytes: the default stands.
    EXPECT_EQ(options.ColWidth_Target, Defaults().ColWidth_Target);
    EXPECT_EQ(options.ColWidth_Result, Defaults().ColWidth_Result);
    // "2" and its zero, read as bytes over the default 100 (0x64).
    EXPECT_EQ(options.Mode, static_cast<OrganizeMode>(0x0032));
}

TEST_F(SettingsStoreTest, TextsEndAtTheirFirstZeroByte)
{
    const char binary[] = {'a', 'b', 'c'};
    SetRaw(kOptionsKey, "AllowExts", REG_BINARY, binary, sizeof binary);
    const char inner[] = {'%', 'Y', '\0', 'x', 'y', '\0'};
    SetRaw(kOptionsKey, "MonthFolderFormat", REG_SZ, inner, sizeof inner);
    SetText(kOptionsKey, "DayFolderFormat", "");
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.AllowExts, "abc");
    EXPECT_EQ(options.MonthFolderFormat, "%Y");
    EXPECT_EQ(options.DayFolderFormat, "");
}

TEST_F(SettingsStoreTest, LongTextsAreReadWhole)
{
    const std::string folder = "D:\\" + std::string(2000, 'f') + "\\";
    SetText(kOptionsKey, "CustomTargetFolder", folder);
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.CustomTargetFolder, folder);
}

TEST_F(SettingsStoreTest, ATextOverOneMebibyteIsTakenForDamageAndKeepsTheDefault)
{
    SetText(kOptionsKey, "AllowExts", std::string(1024 * 1024, 'e'));
    OrganizeOptions options = Defaults();
    options.AllowExts = "jpg";
    LoadSettings(options);
    EXPECT_EQ(options.AllowExts, "jpg");
}

TEST_F(SettingsStoreTest, LastAddFileDirHoldsAtMost259Characters)
{
    const std::string longest = "D:\\" + std::string(256, 'd');
    ASSERT_EQ(longest.size(), 259u);
    SetText(kOptionsKey, "LastAddFileDir", longest);
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.LastAddFileDir, longest);

    SetText(kOptionsKey, "LastAddFileDir", longest + "d");
    options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.LastAddFileDir, "C:\\docs");

    const std::string unterminated(260, 'u');
    SetRaw(kOptionsKey, "LastAddFileDir", REG_BINARY, unterminated.data(), 260);
    options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.LastAddFileDir, "C:\\docs");
}

TEST_F(SettingsStoreTest, WindowRectangleIsReadAs16Bytes)
{
    const std::int32_t rect[4] = {-4, -4, 1924, 1084};
    SetRaw(kOptionsKey, "WndPosition", REG_BINARY, rect, sizeof rect);
    const std::int32_t tooLong[5] = {1, 2, 3, 4, 5};
    OrganizeOptions options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.WndPosition.left, -4);
    EXPECT_EQ(options.WndPosition.top, -4);
    EXPECT_EQ(options.WndPosition.right, 1924);
    EXPECT_EQ(options.WndPosition.bottom, 1084);

    SetRaw(kOptionsKey, "WndPosition", REG_BINARY, tooLong, sizeof tooLong);
    options = Defaults();
    LoadSettings(options);
    EXPECT_EQ(options.WndPosition.left, 0);
    EXPECT_EQ(options.WndPosition.bottom, 0);
}

TEST_F(SettingsStoreTest, UserDocumentsFolderExists)
{
    const std::string documents = UserDocumentsFolder();
    ASSERT_FALSE(documents.empty());
    EXPECT_TRUE(FolderExists(documents)) << documents;

    OrganizeOptions options = Changed();
    SetUserDefaults(options);
    EXPECT_EQ(options.LastAddFileDir, documents);
    const std::string separator = documents.back() == '\\' ? "" : "\\";
    EXPECT_EQ(options.LogFile, documents + separator + "Quillmere\\logs.txt");
    EXPECT_EQ(options.Mode, OrganizeMode::Taken);
}

TEST_F(SettingsStoreTest, MetaWindowPlacementLoadsBackAndTakesOnlyValuesOfItsOwnSize)
{
    MetaWindowPlacement saved;
    saved.position = {10, 20, 610, 420};
    saved.maximized = 1;
    saved.nameWidth = 111;
    saved.valueWidth = 222;
    ASSERT_TRUE(Succeeded(SaveMetaWindowPlacement(saved)));
    EXPECT_EQ(GetRaw(kOptionsKey, "ExifInfoWndPos").type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(GetRaw(kOptionsKey, "ExifInfoWnd_NameWidth").type, static_cast<DWORD>(REG_DWORD));
    MetaWindowPlacement loaded;
    LoadMetaWindowPlacement(loaded);
    EXPECT_EQ(loaded.position.left, 10);
    EXPECT_EQ(loaded.position.bottom, 420);
    EXPECT_EQ(loaded.maximized, 1u);
    EXPECT_EQ(loaded.nameWidth, 111u);
    EXPECT_EQ(loaded.valueWidth, 222u);

    const std::uint16_t shortWidth = 5;
    SetRaw(kOptionsKey, "ExifInfoWnd_NameWidth", REG_BINARY, &shortWidth, sizeof shortWidth);
    const std::int32_t shortRect[3] = {1, 2, 3};
    SetRaw(kOptionsKey, "ExifInfoWndPos", REG_BINARY, shortRect, sizeof shortRect);
    MetaWindowPlacement fresh;
    LoadMetaWindowPlacement(fresh);
    EXPECT_EQ(fresh.nameWidth, 200u);
    EXPECT_EQ(fresh.position.left, 0);
    EXPECT_EQ(fresh.position.right, 0);
    EXPECT_EQ(fresh.valueWidth, 222u);
}

TEST_F(SettingsStoreTest, FirstRunIsAnsweredOnceAndStored)
{
    EXPECT_TRUE(TakeFirstRunFlag());
    EXPECT_FALSE(TakeFirstRunFlag());
    const RawValue stored = GetRaw(kOptionsKey, "FirstRun");
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));

    SetDword(kOptionsKey, "FirstRun", 7);
    EXPECT_TRUE(TakeFirstRunFlag());
    EXPECT_FALSE(TakeFirstRunFlag());
}

TEST_F(SettingsStoreTest, AFirstRunSetDoneIsStoredAsTheFirstStartStoresIt)
{
    ASSERT_TRUE(Succeeded(SetFirstRunDone()));
    const RawValue stored = GetRaw(kOptionsKey, "FirstRun");
    ASSERT_TRUE(stored.found);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.data, std::vector<BYTE>(4, 0));
    EXPECT_FALSE(TakeFirstRunFlag());
}

TEST_F(SettingsStoreTest, KeepRunsIsAStoredDwordOfAtLeastOne)
{
    EXPECT_EQ(StoredKeepRuns(), kDefaultKeepRuns);
    SetDword(kOptionsKey, kKeepRunsValue, 7);
    EXPECT_EQ(StoredKeepRuns(), 7u);
    SetDword(kOptionsKey, kKeepRunsValue, 0);
    EXPECT_EQ(StoredKeepRuns(), 1u);
    // Any other type is not the number: the default holds.
    SetText(kOptionsKey, kKeepRunsValue, "7");
    EXPECT_EQ(StoredKeepRuns(), kDefaultKeepRuns);
    const DWORD seven = 7;
    SetRaw(kOptionsKey, kKeepRunsValue, REG_BINARY, &seven, sizeof seven);
    EXPECT_EQ(StoredKeepRuns(), kDefaultKeepRuns);
}

TEST_F(SettingsStoreTest, HistoriesAreListsOfTexts)
{
    EXPECT_FALSE(ReadHistory(kLogFileHistory).has_value());
    ASSERT_TRUE(Succeeded(WriteHistory(kLogFileHistory, {"C:\\b.txt", "", "C:\\a.txt"})));
    const auto read = ReadHistory(kLogFileHistory);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, (std::vector<std::string> {"C:\\b.txt", "C:\\a.txt"}));
    ASSERT_TRUE(Succeeded(WriteHistory(kLogFileHistory, {})));
    const auto empty = ReadHistory(kLogFileHistory);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
}

TEST_F(SettingsStoreTest, AWriteTheRegistryRefusesSaysWhichKeyAndWhy)
{
    // Below a volatile key the registry makes no lasting key: every write of the store fails.
    HKEY program = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                              nullptr, &program, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(program);
    const std::string options = std::string("HKEY_CURRENT_USER\\") + kOptionsKey;
    const Status settings = SaveSettings(Changed());
    ASSERT_FALSE(settings.Ok());
    EXPECT_EQ(settings.Kind(), FailureKind::System);
    EXPECT_EQ(settings.Code(), static_cast<std::uint32_t>(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_EQ(settings.Reason(), "cannot write \"" + options + "\": " + FileErrorText(settings.Code()));
    EXPECT_EQ(SaveMetaWindowPlacement(MetaWindowPlacement {}).Code(),
              static_cast<std::uint32_t>(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_EQ(SetFirstRunDone().Code(), static_cast<std::uint32_t>(ERROR_CHILD_MUST_BE_VOLATILE));
    const Status history = WriteHistory(kLogFileHistory, {"C:\\a.txt"});
    ASSERT_FALSE(history.Ok());
    EXPECT_EQ(history.Code(), static_cast<std::uint32_t>(ERROR_CHILD_MUST_BE_VOLATILE));
    EXPECT_EQ(history.Reason(), "cannot write \"HKEY_CURRENT_USER\\" + std::string(kProgramKey) + "\\" +
                                        kLogFileHistory + "\": " + FileErrorText(history.Code()));
    EXPECT_FALSE(KeyExists(kOptionsKey));
}
