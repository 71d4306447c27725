// The main window tells at once what it will not do: Add Folder or a drop the extension filter
// empties says how many files it left out, the filter takes "*.jpg" as "jpg", and a template with a character
// no name may hold is named beside the example line, in the run's refusal, and by the focus. And Add Files'
// "Image Files" type offers every type the dialog lists one by one, and the newer formats.
#include <utility>

#include <shlobj.h>

#include "tests/ui/main/MainWindowFixture.h"
#include "ui/OpenFileFilter.h"

using namespace mainwindow;

namespace {

// The folder picker, as the program runs it, needs COM on the thread.
class ComOnThread {
public:
    ComOnThread() : ok_(SUCCEEDED(CoInitialize(nullptr))) { }
    ~ComOnThread()
    {
        if (ok_)
            CoUninitialize();
    }

private:
    bool ok_;
};

BOOL CALLBACK FindTree(HWND child, LPARAM found)
{
    char name[32] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "SysTreeView32") != 0)
        return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// Answers the folder picker with the given folder (selected again here, so that the answer does
// not hang on when the picker's own start-up selection lands) and other dialogs with OK.
void ChooseFolder(HWND dialog, const std::string& folder)
{
    bool picker = false;
    EnumChildWindows(dialog, FindTree, reinterpret_cast<LPARAM>(&picker));
    if (picker)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_F(MainWindowTest, ADropTheFilterEmptiesSaysHowManyItLeftOut)
{
    TempTree tree;
    CreateDirectoryA(tree.Path("raw").c_str(), nullptr);
    for (const char* name : {"raw\\a.nef", "raw\\b.NEF", "raw\\notes.txt", "one.jpg"})
        ASSERT_TRUE(WriteText(tree.Path(name), name));
    SetDword("EnableExtFilter", 1);
    SetString("AllowExts", "jpg");
    HWND w = Open();
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);

    ASSERT_TRUE(SendDrop(w, {tree.Path("raw")}));
    ASSERT_TRUE(SendDrop(w, {tree.Path("raw\\a.nef")}));
    EXPECT_EQ(Rows(), 0);
    ASSERT_EQ(catcher.Caught().size(), 2u);
    EXPECT_EQ(catcher.Caught()[0].text, "No file was added: the extension filter (jpg) left out 3 "
                                        "files.\n\nThe filter is set in Options.");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Information);
    EXPECT_EQ(catcher.Caught()[1].text, "No file was added: the extension filter (jpg) left out 1 "
                                        "file.\n\nThe filter is set in Options.");
    // A drop that adds something says nothing.
    ASSERT_TRUE(SendDrop(w, {tree.Path("raw"), tree.Path("one.jpg")}));
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(catcher.Caught().size(), 2u);
}

TEST_F(MainWindowTest, AddFolderTakesTheWildcardFormsTypedInOptions)
{
    ComOnThread com;
    TempTree tree;
    CreateDirectoryA(tree.Path("raw").c_str(), nullptr);
    for (const char* name : {"raw\\a.nef", "raw\\b.NEF", "raw\\c.jpg", "raw\\notes.txt"})
        ASSERT_TRUE(WriteText(tree.Path(name), name));
    SetDword("EnableExtFilter", 1);
    SetString("AllowExts", "png");
    SetString("Folder", tree.Path("raw"));
    HWND w = Open();
    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    const std::string raw = tree.Path("raw");
    catcher.SetAction([&](HWND dialog) { ChooseFolder(dialog, raw); });
    Click(w, IDC_ADD_FOLDER);
    PumpFor(50);
    EXPECT_EQ(Rows(), 0);
    ASSERT_EQ(catcher.Caught().size(), 2u);
    EXPECT_EQ(catcher.Caught()[1].text, "No file was added: the extension filter (png) left out 4 "
                                        "files.\n\nThe filter is set in Options.");

    // The list typed the Windows way in Options is stored bare and then matches.
    catcher.SetAction([&](HWND dialog) {
        if (HWND list = GetDlgItem(dialog, IDC_OPT_EXT_LIST))
            SetWindowTextA(list, "*.jpg; .NEF");
        ChooseFolder(dialog, raw);
    });
    Click(w, IDC_OPTIONS);
    PumpFor(20);
    EXPECT_EQ(dialog_->Options().AllowExts, "jpg; NEF");
    Click(w, IDC_ADD_FOLDER);
    PumpFor(50);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(catcher.Caught().size(), 4u);
    Close();
}

TEST_F(MainWindowTest, ATemplateMistakeIsNamedAsItIsTypedAndWhenARunIsRefused)
{
    TempTree tree;
    ASSERT_TRUE(WriteData(tree.Path("IMG_1.JPG"), JpegTaken("2012:01:27 10:46:15")));
    HWND w = Open();
    ASSERT_TRUE(SendDrop(w, {tree.Path("IMG_1.JPG")}));
    EXPECT_EQ(Text(w, IDC_TEMPLATE_WARNING), "");
    Click(w, IDC_RENAME_TARGET);
    SetDlgItemTextA(w, IDC_FILENAME_FORMAT, "%Y:%N");
    Command(w, IDC_FILENAME_FORMAT, CBN_EDITCHANGE);
    EXPECT_EQ(Text(w, IDC_TEMPLATE_WARNING), "File name template: \":\" is not allowed");
    SetDlgItemTextA(w, IDC_DAY_FORMAT, "%D|");
    Command(w, IDC_DAY_FORMAT, CBN_EDITCHANGE);
    EXPECT_EQ(Text(w, IDC_TEMPLATE_WARNING), "Day folder template: \"|\" is not allowed");
    // A template whose switch is off is not used, so not checked.
    Click(w, IDC_DAY_FOLDER);
    EXPECT_EQ(Text(w, IDC_TEMPLATE_WARNING), "File name template: \":\" is not allowed");

    MessageBoxCatcher catcher;
    ASSERT_TRUE(catcher.Installed());
    MessageBoxCatcher::Ignore(w);
    Click(w, IDC_COPY_FILES);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].text,
              "Folder and file name cannot contain any of the following characters:\n\\/:*?\"<>|\n\n"
              "File name template: \":\" is not allowed.");
    HWND focus = GetFocus();
    HWND combo = GetDlgItem(w, IDC_FILENAME_FORMAT);
    EXPECT_TRUE(focus == combo || GetParent(focus) == combo);
    EXPECT_EQ(Cell(0, 2), "");
    EXPECT_EQ(Summary(w), "");

    SetDlgItemTextA(w, IDC_FILENAME_FORMAT, "%Y %N");
    Command(w, IDC_FILENAME_FORMAT, CBN_EDITCHANGE);
    EXPECT_EQ(Text(w, IDC_TEMPLATE_WARNING), "");
}

TEST(OpenFileTypes, ImageFilesHoldEveryListedTypeAndTheNewerFormats)
{
    // Description and pattern pairs up to the empty description that ends them.
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const char* at = kOpenFileFilter; *at;) {
        std::string description = at;
        at += description.size() + 1;
        std::string pattern = at;
        at += pattern.size() + 1;
        pairs.emplace_back(description, pattern);
    }
    ASSERT_GE(pairs.size(), 4u);
    EXPECT_EQ(pairs.front().first, "Image Files");
    // Types added later come after All Files, so that a stored choice keeps its type.
    ASSERT_GE(pairs.size(), 3u);
    const size_t allFiles = pairs.size() - 3;
    EXPECT_EQ(pairs[allFiles].first, "All Files (*.*)");
    EXPECT_EQ(pairs[allFiles + 1],
              (std::pair<std::string, std::string> {"Video Files (*.mov;*.mp4;*.m4v;*.3gp;*.3g2)",
                                                    "*.mov;*.mp4;*.m4v;*.3gp;*.3g2"}));
    EXPECT_EQ(pairs.back(), (std::pair<std::string, std::string> {"Zip archives (*.zip)", "*.zip"}));
    const std::string images = ";" + pairs.front().second + ";";
    for (size_t i = 1; i < allFiles; ++i) {
        std::string pattern = pairs[i].second + ";";
        for (size_t start = 0, end; (end = pattern.find(';', start)) != std::string::npos; start = end + 1)
            EXPECT_NE(images.find(";" + pattern.substr(start, end - start) + ";"), std::string::npos)
                    << pairs[i].first;
    }
    for (const char* ext : {"heic", "heif", "avif", "webp", "jxl", "cr3", "raf", "mrw", "x3f", "crw", "psd"})
        EXPECT_NE(images.find(std::string(";*.") + ext + ";"), std::string::npos) << ext;
}
