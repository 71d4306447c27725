// The Options dialog from its real template, driven as a user would: initial lists and states,
// the check boxes, OK with its refusals, Cancel.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/StatusCheck.h"
#include "tests/ui/options/ModalScript.h"
#include "tests/ui/options/OptionsFixture.h"
#include "ui/OptionsDialog.h"

namespace {

const std::vector<std::string> kPresets {
        "bmp", "cr2,crw", "gif", "jpg,jpe,jpeg",
        "nef", "png",     "raw", "bmp,cr2,crw,gif,jpg,jpe,jpeg,nef,png,psd,raw,tga,tif,tiff,wmf",
};

class OptionsDialogTest : public OptionsFixture { };

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A box's text as the dialog shows it: a single '&' marks the access key.
std::string ShownText(HWND control)
{
    char text[512] = "";
    GetWindowTextA(control, text, sizeof text);
    std::string shown;
    for (const char* p = text; *p; ++p) {
        if (*p == '&' && p[1] != '\0')
            ++p;
        shown += *p;
    }
    return shown;
}

TEST_F(OptionsDialogTest, FirstOpeningOffersThePresetsAndStartsWithJpeg)
{
    OrganizeOptions given;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    bool ran = false;
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        ran = true;
        EXPECT_EQ(ComboEntries(hwnd, IDC_OPT_EXT_LIST), kPresets);
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_EXT_LIST), "jpg,jpe,jpeg");
        EXPECT_FALSE(IsEnabled(hwnd, IDC_OPT_EXT_LIST));
        ClickButton(hwnd, IDOK);
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Result().AllowExts, "jpg,jpe,jpeg");
    EXPECT_EQ(dialog.Result().EnableExtFilter, 0u);
    // With the filter off nothing is stored.
    EXPECT_FALSE(KeyExists(HistoryKey("AllowExts")));
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, FirstOpeningWithTheFilterOnStoresTheStartingList)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_TRUE(IsEnabled(hwnd, IDC_OPT_EXT_LIST));
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Result().AllowExts, "jpg,jpe,jpeg");
    // The starting list moves to the top; the other presets follow in their order.
    std::vector<std::string> expected {"jpg,jpe,jpeg"};
    for (const auto& preset : kPresets)
        if (preset != "jpg,jpe,jpeg")
            expected.push_back(preset);
    EXPECT_EQ(StoredHistory("AllowExts"), expected);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, StoredHistoriesReplacePresetsAndKeepTheGivenTexts)
{
    PlantHistory("AllowExts", {"png", "tif,tiff"});
    PlantHistory("LogFile", {"C:\\logs\\one.txt", "C:\\logs\\two.txt"});
    OrganizeOptions given;
    given.AllowExts = "gif";
    given.LogFile = "C:\\logs\\two.txt";
    given.AddFilesInSubfolder = 0;
    given.SaveToLog = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(ComboEntries(hwnd, IDC_OPT_EXT_LIST), (std::vector<std::string> {"png", "tif,tiff"}));
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_EXT_LIST), "gif");
        EXPECT_EQ(ComboEntries(hwnd, IDC_OPT_LOG_FILE),
                  (std::vector<std::string> {"C:\\logs\\one.txt", "C:\\logs\\two.txt"}));
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_LOG_FILE), "C:\\logs\\two.txt");
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_SUBFOLDERS, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_EXT_FILTER, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_SAVE_LOG, BM_GETCHECK, 0, 0), BST_CHECKED);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().AllowExts, "gif");
    EXPECT_EQ(dialog.Result().AddFilesInSubfolder, 0u);
    // The log path was already in its history (second): pushing it moved it to the top.
    EXPECT_EQ(StoredHistory("LogFile"),
              (std::vector<std::string> {"C:\\logs\\two.txt", "C:\\logs\\one.txt"}));
    EXPECT_EQ(StoredHistory("AllowExts"), (std::vector<std::string> {"png", "tif,tiff"}));
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, AnEmptyExtensionHistoryShowsNoPresets)
{
    CreateKey(HistoryKey("AllowExts"));
    OrganizeOptions given;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_TRUE(ComboEntries(hwnd, IDC_OPT_EXT_LIST).empty());
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_EXT_LIST), "");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().AllowExts, "");
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, ExtensionListWithoutAnExtensionIsRefused)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        for (const char* text : {"", " ,; \t;,", ";"}) {
            SetControlText(hwnd, IDC_OPT_EXT_LIST, text);
            ClickButton(hwnd, IDOK);
            EXPECT_TRUE(IsWindowVisible(hwnd)) << "closed with \"" << text << "\"";
            EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_EXT_LIST)) << text;
        }
        EXPECT_FALSE(KeyExists(HistoryKey("AllowExts")));
        SetControlText(hwnd, IDC_OPT_EXT_LIST, "jpg");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.Caught().size(), 3u);
    for (const FrontDialog& message : catcher.Caught()) {
        EXPECT_EQ(message.text, "Please enter file extensions you need to filter.");
        EXPECT_EQ(message.caption, "Quillmere");
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
        EXPECT_NE(message.owner, nullptr);
    }
    EXPECT_EQ(dialog.Result().AllowExts, "jpg");
    const std::vector<std::string> stored = StoredHistory("AllowExts");
    ASSERT_EQ(stored.size(), kPresets.size() + 1);
    EXPECT_EQ(stored[0], "jpg");
    EXPECT_EQ(std::vector<std::string>(stored.begin() + 1, stored.end()), kPresets);
}

TEST_F(OptionsDialogTest, WildcardFormsAreStoredBareAndOtherEntriesRefused)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_EXT_LIST, "*.jpg; *.*");
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_EXT_LIST));
        EXPECT_FALSE(KeyExists(HistoryKey("AllowExts")));
        SetControlText(hwnd, IDC_OPT_EXT_LIST, "*.jpg; .NEF, png");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text,
              "\"*.*\" is not a file extension.\n\nPlease enter extensions such as jpg "
              "or nef, separated by comma (,) or semicolon (;).");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialog.Result().AllowExts, "jpg; NEF, png");
    const std::vector<std::string> stored = StoredHistory("AllowExts");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored[0], "jpg; NEF, png");
}

TEST_F(OptionsDialogTest, RefusalMessagesBelongToTheDialog)
{
    OrganizeOptions given;
    given.SaveToLog = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    HWND shown = nullptr;
    RunModalScript(dialog, [&](HWND hwnd) {
        shown = hwnd;
        ClickButton(hwnd, IDOK);
    });
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].owner, shown);
}

TEST_F(OptionsDialogTest, ExtensionListIsNotCheckedWhileTheFilterIsOff)
{
    PlantHistory("AllowExts", {"png"});
    OrganizeOptions given;
    given.AllowExts = "tif";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_EXT_LIST, " ; ");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(catcher.Caught().empty());
    EXPECT_EQ(dialog.Result().AllowExts, "tif");
    EXPECT_EQ(StoredHistory("AllowExts"), (std::vector<std::string> {"png"}));
}

TEST_F(OptionsDialogTest, BlankLogPathIsRefusedAndAPathIsStoredTrimmed)
{
    OrganizeOptions given;
    given.SaveToLog = 1;
    given.LogFile = "   ";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_LOG_FILE));
        SetControlText(hwnd, IDC_OPT_LOG_FILE, " \t");
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_FALSE(KeyExists(HistoryKey("LogFile")));
        SetControlText(hwnd, IDC_OPT_LOG_FILE, "  C:\\My Logs\\run log.txt \t ");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.Caught().size(), 2u);
    for (const FrontDialog& message : catcher.Caught()) {
        EXPECT_EQ(message.text, "Please set log file path.");
        EXPECT_EQ(message.caption, "Quillmere");
        EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(dialog.Result().LogFile, "C:\\My Logs\\run log.txt");
    EXPECT_EQ(StoredHistory("LogFile"), (std::vector<std::string> {"C:\\My Logs\\run log.txt"}));
}

TEST_F(OptionsDialogTest, LogPathIsReadButNeitherCheckedNorStoredWhileTheLogIsOff)
{
    OrganizeOptions given;
    given.LogFile = "C:\\old.txt";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_LOG_FILE, "  ");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(catcher.Caught().empty());
    EXPECT_EQ(dialog.Result().LogFile, "  ");
    EXPECT_FALSE(KeyExists(HistoryKey("LogFile")));
}

TEST_F(OptionsDialogTest, ExtensionsAreCheckedBeforeTheLogPath)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    given.SaveToLog = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_EXT_LIST, ",");
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_EXT_LIST));
    });
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "Please enter file extensions you need to filter.");
}

TEST_F(OptionsDialogTest, UnknownPolicyIsShownAndReturnedAsRenameAutomatically)
{
    OrganizeOptions given;
    given.TargetExistsOpt = static_cast<TargetExistsPolicy>(47);
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(ComboEntries(hwnd, IDC_OPT_EXISTS_POLICY),
                  (std::vector<std::string> {"Rename automatically (add number at end of file name)",
                                             "Overwrite", "Skip", "Rename unless identical"}));
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_EXISTS_POLICY, CB_GETCURSEL, 0, 0), 0);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_EXISTS_POLICY, CB_GETITEMDATA, i, 0), 11 * (i + 1));
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Result().TargetExistsOpt, TargetExistsPolicy::RenameAutomatically);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, PolicyFollowsTheSelection)
{
    OrganizeOptions given;
    given.TargetExistsOpt = TargetExistsPolicy::Skip;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_EXISTS_POLICY, CB_GETCURSEL, 0, 0), 2);
        SelectEntry(hwnd, IDC_OPT_EXISTS_POLICY, 1);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().TargetExistsOpt, TargetExistsPolicy::Overwrite);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, RenameUnlessIdenticalIsShownAndChosen)
{
    OrganizeOptions given;
    given.TargetExistsOpt = TargetExistsPolicy::RenameUnlessIdentical;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(SendDlgItemMessageA(hwnd, IDC_OPT_EXISTS_POLICY, CB_GETCURSEL, 0, 0), 3);
        SelectEntry(hwnd, IDC_OPT_EXISTS_POLICY, 0);
        SelectEntry(hwnd, IDC_OPT_EXISTS_POLICY, 3);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().TargetExistsOpt, TargetExistsPolicy::RenameUnlessIdentical);
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, CompanionAndNameDateBoxesShowAndReturnTheirSwitches)
{
    OrganizeOptions given;
    given.CompanionFiles = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_COMPANIONS), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_NAME_DATES), BST_UNCHECKED);
        ClickButton(hwnd, IDC_OPT_COMPANIONS);
        ClickButton(hwnd, IDC_OPT_NAME_DATES);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().CompanionFiles, 0u);
    EXPECT_EQ(dialog.Result().NameDates, 1u);
}

TEST_F(OptionsDialogTest, CloudFilesBoxShowsAndReturnsItsSwitch)
{
    for (const std::uint32_t given : {0u, 1u}) {
        OrganizeOptions options;
        options.DownloadCloudFiles = given;
        OptionsDialog dialog(options);
        FrontDialogs catcher(dialog);
        ASSERT_TRUE(catcher.Installed());
        RunModalScript(dialog, [&](HWND hwnd) {
            EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_CLOUD_FILES),
                      given != 0 ? BST_CHECKED : BST_UNCHECKED);
            ClickButton(hwnd, IDC_OPT_CLOUD_FILES);
            ClickButton(hwnd, IDOK);
        });
        EXPECT_EQ(dialog.Result().DownloadCloudFiles, given != 0 ? 0u : 1u);
    }
}

TEST_F(OptionsDialogTest, SkipKnownBoxShowsAndReturnsItsSwitch)
{
    for (const std::uint32_t given : {0u, 1u}) {
        OrganizeOptions options;
        options.SkipKnownFiles = given;
        OptionsDialog dialog(options);
        FrontDialogs catcher(dialog);
        ASSERT_TRUE(catcher.Installed());
        RunModalScript(dialog, [&](HWND hwnd) {
            EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_SKIP_KNOWN), given != 0 ? BST_CHECKED : BST_UNCHECKED);
            ClickButton(hwnd, IDC_OPT_SKIP_KNOWN);
            ClickButton(hwnd, IDOK);
        });
        EXPECT_EQ(dialog.Result().SkipKnownFiles, given != 0 ? 0u : 1u);
    }
}

TEST_F(OptionsDialogTest, CancelKeepsTheCompanionAndNameDateSwitches)
{
    OrganizeOptions given;
    given.NameDates = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_NAME_DATES), BST_CHECKED);
        ClickButton(hwnd, IDC_OPT_COMPANIONS);
        ClickButton(hwnd, IDC_OPT_NAME_DATES);
        // Another switch makes the dialog read every box before Cancel.
        ClickButton(hwnd, IDC_OPT_SAVE_LOG);
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.Result().CompanionFiles, 0u);
    EXPECT_EQ(dialog.Result().NameDates, 1u);
}

TEST_F(OptionsDialogTest, CancelAfterEditingKeepsEveryValueAndBothHistories)
{
    PlantHistory("AllowExts", {"png", "gif"});
    PlantHistory("LogFile", {"C:\\a.txt"});
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    given.AllowExts = "gif";
    given.SaveToLog = 0;
    given.LogFile = "C:\\a.txt";
    given.AddFilesInSubfolder = 1;
    given.TargetExistsOpt = static_cast<TargetExistsPolicy>(47);
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        ClickButton(hwnd, IDC_OPT_SUBFOLDERS);
        ClickButton(hwnd, IDC_OPT_SAVE_LOG);
        SetControlText(hwnd, IDC_OPT_EXT_LIST, "raw");
        SetControlText(hwnd, IDC_OPT_LOG_FILE, " ");
        SelectEntry(hwnd, IDC_OPT_EXISTS_POLICY, 2);
        // The extensions pass, the log path does not: nothing may be stored yet.
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text, "Please set log file path.");
    EXPECT_EQ(dialog.Result().EnableExtFilter, 1u);
    EXPECT_EQ(dialog.Result().AllowExts, "gif");
    EXPECT_EQ(dialog.Result().SaveToLog, 0u);
    EXPECT_EQ(dialog.Result().LogFile, "C:\\a.txt");
    EXPECT_EQ(dialog.Result().AddFilesInSubfolder, 1u);
    EXPECT_EQ(dialog.Result().TargetExistsOpt, static_cast<TargetExistsPolicy>(47));
    EXPECT_EQ(StoredHistory("AllowExts"), (std::vector<std::string> {"png", "gif"}));
    EXPECT_EQ(StoredHistory("LogFile"), (std::vector<std::string> {"C:\\a.txt"}));
}

TEST_F(OptionsDialogTest, CancelOnFirstOpeningStoresNothing)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) { ClickButton(hwnd, IDCANCEL); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.Result().AllowExts, "");
    EXPECT_FALSE(KeyExists(HistoryKey("AllowExts")));
    EXPECT_FALSE(KeyExists(HistoryKey("LogFile")));
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, ExtensionFilterCheckBoxEnablesTheListAndFocusesIt)
{
    OrganizeOptions given;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_FALSE(IsEnabled(hwnd, IDC_OPT_EXT_LIST));
        ClickButton(hwnd, IDC_OPT_EXT_FILTER);
        EXPECT_TRUE(IsEnabled(hwnd, IDC_OPT_EXT_LIST));
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_EXT_LIST));
        ClickButton(hwnd, IDC_OPT_EXT_FILTER);
        EXPECT_FALSE(IsEnabled(hwnd, IDC_OPT_EXT_LIST));
        EXPECT_FALSE(HasFocus(hwnd, IDC_OPT_EXT_LIST));
        ClickButton(hwnd, IDC_OPT_EXT_FILTER);
        SetControlText(hwnd, IDC_OPT_EXT_LIST, "nef");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Result().EnableExtFilter, 1u);
    EXPECT_EQ(dialog.Result().AllowExts, "nef");
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, LogCheckBoxEnablesPathBrowseAndOpenAndFocusesThePath)
{
    OrganizeOptions given;
    given.LogFile = "C:\\x.txt";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        for (int id : {IDC_OPT_LOG_FILE, IDC_OPT_LOG_BROWSE, IDC_OPT_LOG_OPEN})
            EXPECT_FALSE(IsEnabled(hwnd, id)) << id;
        ClickButton(hwnd, IDC_OPT_SAVE_LOG);
        for (int id : {IDC_OPT_LOG_FILE, IDC_OPT_LOG_BROWSE, IDC_OPT_LOG_OPEN})
            EXPECT_TRUE(IsEnabled(hwnd, id)) << id;
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_LOG_FILE));
        ClickButton(hwnd, IDC_OPT_SAVE_LOG);
        for (int id : {IDC_OPT_LOG_FILE, IDC_OPT_LOG_BROWSE, IDC_OPT_LOG_OPEN})
            EXPECT_FALSE(IsEnabled(hwnd, id)) << id;
        ClickButton(hwnd, IDC_OPT_SAVE_LOG);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Result().SaveToLog, 1u);
    EXPECT_EQ(dialog.Result().LogFile, "C:\\x.txt");
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, SwitchesStartEnabledWhenOn)
{
    OrganizeOptions given;
    given.EnableExtFilter = 1;
    given.SaveToLog = 1;
    given.LogFile = "C:\\x.txt";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        for (int id : {IDC_OPT_EXT_LIST, IDC_OPT_LOG_FILE, IDC_OPT_LOG_BROWSE, IDC_OPT_LOG_OPEN})
            EXPECT_TRUE(IsEnabled(hwnd, id)) << id;
        ClickButton(hwnd, IDC_OPT_SUBFOLDERS);
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(dialog.Result().AddFilesInSubfolder, 0u);
    EXPECT_TRUE(catcher.Caught().empty());
}

}  // namespace

namespace {

// The rules and the day's start as the boxes show them, changed, stored with the settings and
// shown again by the next opening.
TEST_F(OptionsDialogTest, ClockRulesAndDayStartAreStoredAndShownAgain)
{
    OrganizeOptions chosen;
    {
        OrganizeOptions given;
        given.ClockRules = "Canon EOS 5D=+01:00\n";
        OptionsDialog dialog(given);
        FrontDialogs catcher(dialog);
        ASSERT_TRUE(catcher.Installed());
        const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
            EXPECT_EQ(ControlText(hwnd, IDC_OPT_CLOCK_RULES), "Canon EOS 5D=+01:00\r\n");
            EXPECT_EQ(ControlText(hwnd, IDC_OPT_DAY_BEGINS), "00:00");
            SetControlText(hwnd, IDC_OPT_CLOCK_RULES,
                           "  Canon EOS 5D=+01:00 \r\n\r\nNIKON D700#1234567=-00:07:36\r\n*=-1d");
            SetControlText(hwnd, IDC_OPT_DAY_BEGINS, " 04:30 ");
            ClickButton(hwnd, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_TRUE(catcher.Caught().empty());
        chosen = dialog.Result();
    }
    EXPECT_EQ(chosen.ClockRules, "Canon EOS 5D=+01:00\nNIKON D700#1234567=-00:07:36\n*=-1d\n");
    EXPECT_EQ(chosen.DayBegins, "04:30");

    ASSERT_TRUE(Succeeded(SaveSettings(chosen)));
    OrganizeOptions loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.ClockRules, chosen.ClockRules);
    EXPECT_EQ(loaded.DayBegins, "04:30");
    OptionsDialog again(loaded);
    FrontDialogs catcher(again);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(again, [&](HWND hwnd) {
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_CLOCK_RULES),
                  "Canon EOS 5D=+01:00\r\nNIKON D700#1234567=-00:07:36\r\n*=-1d\r\n");
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_DAY_BEGINS), "04:30");
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_TRUE(catcher.Caught().empty());
}

TEST_F(OptionsDialogTest, ABadClockRuleIsRefusedWithTheBoxFocused)
{
    OrganizeOptions given;
    given.ClockRules = "*=+00:01\n";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        SetControlText(hwnd, IDC_OPT_CLOCK_RULES, "Canon EOS 5D=+01:00\r\nNIKON D700 -00:07");
        SetControlText(hwnd, IDC_OPT_DAY_BEGINS, "04:30");
        ClickButton(hwnd, IDOK);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_CLOCK_RULES));
        SetControlText(hwnd, IDC_OPT_CLOCK_RULES, "Canon EOS 5D=+01:00");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(
            catcher.Caught()[0].text,
            "Not a clock rule: \"NIKON D700 -00:07\" (write CAMERA=SHIFT, the camera as a model, "
            "Model#Serial "
            "or *)\n\nWrite one rule a line, such as Canon EOS 5D=+01:00 or NIKON D700#1234567=-00:07:36 or "
            "*=-1d.");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialog.Result().ClockRules, "Canon EOS 5D=+01:00\n");
    EXPECT_EQ(dialog.Result().DayBegins, "04:30");
}

TEST_F(OptionsDialogTest, ADayStartThatIsNoTimeIsRefusedWithTheBoxFocused)
{
    OrganizeOptions given;
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        for (const char* text : {"24:00", "", "4:30"}) {
            SetControlText(hwnd, IDC_OPT_DAY_BEGINS, text);
            ClickButton(hwnd, IDOK);
            EXPECT_TRUE(IsWindowVisible(hwnd)) << text;
            EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_DAY_BEGINS)) << text;
        }
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(catcher.Caught().size(), 3u);
    EXPECT_EQ(catcher.Caught()[0].text, "\"24:00\" is not a time of day.\n\nPlease enter the time the day "
                                        "begins at as HH:MM, from 00:00 to "
                                        "23:59.");
    EXPECT_EQ(dialog.Result().DayBegins, "00:00");
}

}  // namespace

namespace {

class OptionsBackupTest : public OptionsFixture { };

TEST_F(OptionsBackupTest, TheBackupBoxIsStoredAsItsTwoValuesAndShownAgain)
{
    OrganizeOptions chosen;
    {
        OrganizeOptions given;
        OptionsDialog dialog(given);
        FrontDialogs catcher(dialog);
        ASSERT_TRUE(catcher.Installed());
        const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
            EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_BACKUP), BST_UNCHECKED);
            for (int id : {IDC_OPT_BACKUP_FOLDER, IDC_OPT_BACKUP_BROWSE})
                EXPECT_FALSE(IsEnabled(hwnd, id)) << id;
            ClickButton(hwnd, IDC_OPT_BACKUP);
            for (int id : {IDC_OPT_BACKUP_FOLDER, IDC_OPT_BACKUP_BROWSE})
                EXPECT_TRUE(IsEnabled(hwnd, id)) << id;
            EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_BACKUP_FOLDER));
            // Ticked without a folder: refused, the field focused, nothing returned.
            ClickButton(hwnd, IDOK);
            EXPECT_TRUE(IsWindowVisible(hwnd));
            EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_BACKUP_FOLDER));
            SetControlText(hwnd, IDC_OPT_BACKUP_FOLDER, "  E:\\Backup  ");
            ClickButton(hwnd, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        ASSERT_EQ(catcher.Caught().size(), 1u);
        EXPECT_EQ(catcher.Caught()[0].text, "Please choose a backup folder.");
        EXPECT_EQ(dialog.Result().MakeBackup, 1u);
        EXPECT_EQ(dialog.Result().BackupFolder, "E:\\Backup");
        chosen = dialog.Result();
    }

    ASSERT_TRUE(Succeeded(SaveSettings(chosen)));
    const RawValue made = GetRaw(kOptionsKey, "MakeBackup");
    ASSERT_TRUE(made.found);
    EXPECT_EQ(made.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(made.data, (std::vector<BYTE> {1, 0, 0, 0}));
    const RawValue folder = GetRaw(kOptionsKey, "BackupFolder");
    ASSERT_TRUE(folder.found);
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(folder.data.begin(), std::find(folder.data.begin(), folder.data.end(), BYTE {0})),
              "E:\\Backup");

    OrganizeOptions loaded;
    LoadSettings(loaded);
    OptionsDialog again(loaded);
    FrontDialogs shown(again);
    ASSERT_TRUE(shown.Installed());
    RunModalScript(again, [&](HWND hwnd) {
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_OPT_BACKUP), BST_CHECKED);
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_BACKUP_FOLDER), "E:\\Backup");
        EXPECT_TRUE(IsEnabled(hwnd, IDC_OPT_BACKUP_BROWSE));
        // Off again: the folder stays for the next time, and is not checked.
        ClickButton(hwnd, IDC_OPT_BACKUP);
        SetControlText(hwnd, IDC_OPT_BACKUP_FOLDER, "");
        ClickButton(hwnd, IDOK);
    });
    EXPECT_TRUE(shown.Caught().empty());
    EXPECT_EQ(again.Result().MakeBackup, 0u);
}

TEST_F(OptionsBackupTest, CancelReturnsAndStoresNothing)
{
    OrganizeOptions given;
    given.BackupFolder = "E:\\Old";
    OptionsDialog dialog(given);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    const INT_PTR result = RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_EQ(ControlText(hwnd, IDC_OPT_BACKUP_FOLDER), "E:\\Old");
        ClickButton(hwnd, IDC_OPT_BACKUP);
        SetControlText(hwnd, IDC_OPT_BACKUP_FOLDER, "F:\\New");
        ClickButton(hwnd, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.Result().MakeBackup, 0u);
    EXPECT_EQ(dialog.Result().BackupFolder, "E:\\Old");
    EXPECT_FALSE(GetRaw(kOptionsKey, "MakeBackup").found);
    EXPECT_FALSE(GetRaw(kOptionsKey, "BackupFolder").found);
}

// A run refused for its backup folder opens Options on that field.
TEST_F(OptionsBackupTest, TheDialogCanOpenOnTheBackupField)
{
    OrganizeOptions given;
    given.MakeBackup = 1;
    OptionsDialog dialog(given, IDC_OPT_BACKUP_FOLDER);
    FrontDialogs catcher(dialog);
    ASSERT_TRUE(catcher.Installed());
    RunModalScript(dialog, [&](HWND hwnd) {
        EXPECT_TRUE(HasFocus(hwnd, IDC_OPT_BACKUP_FOLDER));
        ClickButton(hwnd, IDCANCEL);
    });
}

}  // namespace

// The help's Options page names every box of the dialog by the words the box shows, so that a
// user who reads a box can find what it does.
TEST_F(OptionsDialogTest, TheHelpExplainsEveryBox)
{
    std::ifstream file(QM_HELP_DIR "/options.html", std::ios::binary);
    ASSERT_TRUE(file) << QM_HELP_DIR "/options.html";
    std::ostringstream read;
    read << file.rdbuf();
    const std::string help = read.str();
    ASSERT_FALSE(help.empty());

    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_OPTIONS), nullptr,
                                     PlainDialog, 0);
    ASSERT_NE(dialog, nullptr);
    int boxes = 0;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        char kind[32] = "";
        GetClassNameA(control, kind, sizeof kind);
        if (std::string(kind) != "Button" ||
            (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) != BS_AUTOCHECKBOX)
            continue;
        ++boxes;
        // A box that leads to a field ends in a colon, which the help's row leaves out.
        std::string text = ShownText(control);
        if (!text.empty() && text.back() == ':')
            text.pop_back();
        EXPECT_NE(help.find("<td>" + text + "</td>"), std::string::npos) << text;
    }
    DestroyWindow(dialog);
    EXPECT_GE(boxes, 10);
}
