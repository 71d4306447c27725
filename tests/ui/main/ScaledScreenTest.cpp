// The windows at 150% and 200% scaling: no control's text is cut off, the main window's menu bar
// takes one row and its status bar sits below every control, the "?" buttons are no taller than
// their combo boxes, the main window's smallest size and the progress window fit the work area,
// stored column widths follow the DPI they were saved at, and a window stored off every screen
// comes back onto one. Wine takes the system DPI from LogPixels when a process starts, so the test
// sets it and runs this program again for the checks at that DPI.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/ClassKeyForTest.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/Screenshot.h"
#include "tests/ui/main/MainWindowFixture.h"
#include "toolkit/ScreenFit.h"
#include "ui/ExifInfoDialog.h"
#include "ui/MainDialog.h"
#include "ui/OptionsDialog.h"
#include "ui/ProgressDialog.h"

namespace {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kDpiVariable = "QM_SCALED_DPI";

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The text as drawn: a single '&' marks the access key and takes no room.
std::string ShownText(HWND control, bool prefixes)
{
    char text[1024] = "";
    GetWindowTextA(control, text, sizeof text);
    if (!prefixes)
        return text;
    std::string shown;
    for (const char* p = text; *p; ++p) {
        if (*p == '&' && p[1] != '\0')
            ++p;
        shown += *p;
    }
    return shown;
}

// The room the control's text needs, measured with its own font, at the width it has.
SIZE NeededSize(HWND control, const std::string& text, UINT format, LONG width)
{
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT rect {0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_CALCRECT | DT_NOPREFIX);
    SIZE single {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &single);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return (format & DT_WORDBREAK) ? SIZE {rect.right, rect.bottom} : single;
}

// Every child of the window whose text does not fit its client area, as "ID text" lines.
std::vector<std::string> ClippedTexts(HWND window)
{
    std::vector<std::string> clipped;
    for (HWND control = GetWindow(window, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        if (!IsWindowVisible(control))
            continue;
        const std::string kind = ClassOf(control);
        const LONG style = GetWindowLongA(control, GWL_STYLE);
        RECT client {};
        GetClientRect(control, &client);
        LONG width = client.right, height = client.bottom;
        UINT format = DT_SINGLELINE;
        bool prefixes = true;
        if (kind == "Button") {
            const LONG type = style & BS_TYPEMASK;
            if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE)
                width -= GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
            else if (type == BS_GROUPBOX)
                width -= 4 * GetSystemMetrics(SM_CXEDGE);
            else
                width -= 2 * GetSystemMetrics(SM_CXEDGE);
            if (type != BS_GROUPBOX)
                height -= 2 * GetSystemMetrics(SM_CYEDGE);
        } else if (kind == "Static") {
            const LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP)
                continue;
            prefixes = (style & SS_NOPREFIX) == 0;
            if (type != SS_LEFTNOWORDWRAP)
                format = DT_WORDBREAK;
        } else {
            continue;  // lists, edits and combo boxes scroll their text
        }
        const std::string text = ShownText(control, prefixes);
        if (text.empty())
            continue;
        const SIZE needed = NeededSize(control, text, format, width);
        if (needed.cx > width || needed.cy > height)
            clipped.push_back(std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\" needs " +
                              std::to_string(needed.cx) + "x" + std::to_string(needed.cy) + ", has " +
                              std::to_string(width) + "x" + std::to_string(height));
    }
    return clipped;
}

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

LONG Height(HWND control)
{
    RECT rect {};
    GetWindowRect(control, &rect);
    return rect.bottom - rect.top;
}

void SetLogPixels(DWORD dpi)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    RegCloseKey(key);
}

// Runs this program's checks for one DPI in a new process; its exit code and report.
DWORD RunAtDpi(DWORD dpi, std::string& report)
{
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 99;
    std::string command = "\"" + std::string(self) + "\" --gtest_filter=ScaledScreenAtDpi.* --gtest_brief=1";
    SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return 99;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(write);
    SetEnvironmentVariableA(kDpiVariable, nullptr);
    if (!started) {
        CloseHandle(read);
        return 99;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
        report.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 99;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(read);
    return exitCode;
}

// Keeps a picture of the window as the screen shows it in the build's screenshots folder as
// NAME-DPIdpi.bmp, and checks it was drawn: a picture of the window's size, not one flat colour.
void KeepScreenshot(HWND window, const std::string& name)
{
    const std::string folder = QM_SCREENSHOT_DIR;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "/" + name + "-" + std::to_string(ScreenDpi()) + "dpi.bmp";
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(100);
    ASSERT_TRUE(qmtest::SaveScreenshot(window, path)) << path;
    SIZE size {};
    const std::vector<unsigned char> pixels = qmtest::WindowPixels(window, size, true);
    RECT rect {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(size.cx, rect.right - rect.left) << name;
    ASSERT_FALSE(pixels.empty()) << name;
    bool varied = false;
    for (size_t i = 3; i < pixels.size() && !varied; ++i)
        varied = pixels[i] != pixels[i % 3];
    EXPECT_TRUE(varied) << name << " was drawn in one colour";
}

// The main window with its preview pane, the Options dialog and the progress window.
void KeepScreenshots()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        const DWORD zero = 0;
        RegSetValueExA(key, "FirstRun", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
        RegSetValueExA(key, "WndMaximized", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
        RegCloseKey(key);
    }
    auto main = std::make_unique<MainDialog>();
    ASSERT_TRUE(main->Create(nullptr));
    ShowWindow(main->Handle(), SW_SHOWNORMAL);
    SendMessageA(main->Handle(), WM_COMMAND, IDM_VIEW_PREVIEW, 0);
    PumpFor(100);
    KeepScreenshot(main->Handle(), "main-window");

    OptionsDialog options(main->Options());
    ASSERT_TRUE(options.Create(main->Handle()));
    ShowWindow(options.Handle(), SW_SHOWNORMAL);
    PumpFor(50);
    KeepScreenshot(options.Handle(), "options");
    DestroyWindow(options.Handle());

    // The progress window as a long copy shows it.
    ProgressDialog* progress = ProgressDialog::Open(main->Handle());
    ASSERT_NE(progress, nullptr);
    const HWND progressWindow = progress->Handle();
    progress->SetTitle("Copying files");
    progress->SetText("C:\\Users\\Public\\Pictures\\Camera\\IMG_0042.JPG");
    progress->SetRange(0, 100);
    progress->SetPosition(40);
    progress->SetDetail("1.2 GB of 3.4 GB, about 2 minutes left (34 MB/s, 2.5 files/s)");
    KeepScreenshot(progressWindow, "progress");
    progress->Close();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(progressWindow); }, 5000));

    SendMessageA(main->Handle(), WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
    RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

}  // namespace

TEST(ScaledScreen, WindowsFitTheirTextsAt150And200Percent)
{
    if (std::getenv(kDpiVariable))
        GTEST_SKIP() << "the run at one DPI itself";
    if (!qmtest::RunningUnderWine())
        GTEST_SKIP() << "sets the system DPI through Wine's LogPixels; on Windows it changes at sign-in";
    HKEY key = nullptr;
    DWORD before = 0, size = sizeof before;
    const bool hadValue =
            RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS &&
            RegQueryValueExA(key, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&before), &size) ==
                    ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
    for (DWORD dpi : {144u, 192u}) {
        SetLogPixels(dpi);
        std::string report;
        EXPECT_EQ(RunAtDpi(dpi, report), 0u) << "at " << dpi << " DPI:\n" << report;
    }
    if (hadValue) {
        SetLogPixels(before);
    } else if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
}

class ScaledScreenAtDpi : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* dpi = std::getenv(kDpiVariable);
        if (!dpi)
            GTEST_SKIP() << "run by ScaledScreen with the DPI set";
        dpi_ = std::atoi(dpi);
        RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
    }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey); }

    void SetOption(const char* name, const void* data, DWORD size, DWORD type)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    void SetDword(const char* name, DWORD value) { SetOption(name, &value, sizeof value, REG_DWORD); }

    int dpi_ = 0;
};

TEST(Screenshots, KeepThePictureOfEachWindowAtTheStartDpi)
{
    if (std::getenv(kDpiVariable))
        GTEST_SKIP() << "the runs at other DPIs keep theirs in ScaledScreenAtDpi";
    KeepScreenshots();
}

TEST_F(ScaledScreenAtDpi, KeepsThePictureOfEachWindow)
{
    KeepScreenshots();
}

TEST_F(ScaledScreenAtDpi, MaximizeAndRestoreLeaveNoPaintDebris)
{
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);
    auto dialog = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog->Create(nullptr));
    HWND w = dialog->Handle();
    ShowWindow(w, SW_SHOWNORMAL);
    SendMessageA(w, WM_COMMAND, IDM_VIEW_PREVIEW, 0);
    SetForegroundWindow(w);
    SetFocus(GetDlgItem(w, IDC_FILE_LIST));  // no caret blinks while the pictures are taken
    PumpFor(200);
    ShowWindow(w, SW_MAXIMIZE);
    PumpFor(300);
    ShowWindow(w, SW_RESTORE);
    PumpFor(300);
    SIZE shownSize {}, redrawnSize {};
    const std::vector<unsigned char> shown = qmtest::WindowPixels(w, shownSize, true);
    // Everything painted afresh: what the screen showed must be the same.
    RedrawWindow(w, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(300);
    const std::vector<unsigned char> redrawn = qmtest::WindowPixels(w, redrawnSize, true);
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(shown.size(), redrawn.size());
    size_t differing = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        differing += shown[i] != redrawn[i] ? 1 : 0;
    EXPECT_EQ(differing, 0u) << "bytes that a fresh paint changed, at " << dpi_ << " DPI";
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
}

TEST_F(ScaledScreenAtDpi, TheProgramRunsAtTheScreensDpi)
{
    // System-aware by its manifest: an unaware program would be told 96.
    EXPECT_EQ(ScreenDpi(), dpi_);
}

TEST_F(ScaledScreenAtDpi, NoDialogTextIsCutOff)
{
    for (int id : {IDD_MAIN, IDD_ABOUT, IDD_PROGRESS, IDD_OPTIONS, IDD_EXIFINFO, IDD_PAST_RUNS}) {
        HWND dialog =
                CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, PlainDialog, 0);
        ASSERT_NE(dialog, nullptr) << id;
        ShowWindow(dialog, SW_SHOWNORMAL);
        PumpFor(20);
        EXPECT_EQ(ClippedTexts(dialog), std::vector<std::string> {}) << "dialog " << id << " at " << dpi_;
        DestroyWindow(dialog);
    }
}

TEST_F(ScaledScreenAtDpi, MainWindowFitsTheScreenAndItsTagButtonsTheirBoxes)
{
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);
    // A rectangle on a monitor that is gone.
    const LONG away[4] = {-5000, -5000, -4200, -4400};
    SetOption("WndPosition", away, sizeof away, REG_BINARY);
    auto dialog = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog->Create(nullptr));
    PumpFor(50);
    HWND w = dialog->Handle();
    for (const auto& [button, combo] :
         {std::pair {IDC_MONTH_TAGS, IDC_MONTH_FORMAT}, std::pair {IDC_DAY_TAGS, IDC_DAY_FORMAT},
          std::pair {IDC_FILENAME_TAGS, IDC_FILENAME_FORMAT}})
        EXPECT_LE(Height(GetDlgItem(w, button)), Height(GetDlgItem(w, combo))) << button;
    EXPECT_EQ(ClippedTexts(w), std::vector<std::string> {});
    // The menu bar on one row, the status bar below every control.
    EXPECT_EQ(mainwindow::FrameFault(w), "");
    // The window cut down to the screen: the four columns still fit the list, no scroll bar.
    HWND list = GetDlgItem(w, IDC_FILE_LIST);
    RECT inside {};
    GetClientRect(list, &inside);
    int columns = 0;
    for (int column = 0; column <= kDateFromColumn; ++column)
        columns += ListView_GetColumnWidth(list, column);
    EXPECT_LE(columns, inside.right - GetSystemMetrics(SM_CXVSCROLL)) << "at " << dpi_ << " DPI";

    RECT window {};
    GetWindowRect(w, &window);
    EXPECT_NE(MonitorFromRect(&window, MONITOR_DEFAULTTONULL), nullptr) << "the window is off every screen";
    MINMAXINFO limits {};
    SendMessageA(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    const RECT work = NearestWorkArea(window);
    EXPECT_LE(limits.ptMinTrackSize.x, work.right - work.left);
    EXPECT_LE(limits.ptMinTrackSize.y, work.bottom - work.top);
    EXPECT_LE(window.right - window.left, work.right - work.left);
    // The right-hand buttons stay within the window.
    RECT client {}, copy {};
    GetClientRect(w, &client);
    GetWindowRect(GetDlgItem(w, IDC_COPY_FILES), &copy);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&copy), 2);
    EXPECT_LE(copy.right, client.right);

    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
    DWORD savedDpi = 0, size = sizeof savedDpi;
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "ColWidth_Dpi", nullptr, nullptr, reinterpret_cast<BYTE*>(&savedDpi),
                               &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(static_cast<int>(savedDpi), dpi_);
}

// A position saved at 96 DPI in the screen's bottom-right corner: at this DPI the window is larger,
// and it still opens wholly within the work area.
TEST_F(ScaledScreenAtDpi, APositionSavedAt96DpiOpensWithinTheWorkArea)
{
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);
    RECT work {};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    // The designed size at 96 DPI (the template's 594 by 385 units in 8-point Tahoma), about.
    const LONG saved[4] = {work.right - 900, work.bottom - 660, work.right, work.bottom};
    SetOption("WndPosition", saved, sizeof saved, REG_BINARY);
    auto dialog = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog->Create(nullptr));
    PumpFor(50);
    HWND w = dialog->Handle();
    RECT window {};
    ASSERT_TRUE(GetWindowRect(w, &window));
    EXPECT_GE(window.left, work.left);
    EXPECT_GE(window.top, work.top);
    EXPECT_LE(window.right, work.right);
    EXPECT_LE(window.bottom, work.bottom);
    EXPECT_GT(window.right - window.left, 900) << "larger at " << dpi_ << " DPI";
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
}

// Widths saved by a version that kept no DPI are read as 96 DPI ones (narrow enough here that the
// columns fit the list as they are).
TEST_F(ScaledScreenAtDpi, WidthsSavedWithoutTheirDpiAreReadAs96DpiOnes)
{
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);
    for (const char* name : {"ColWidth_Source", "ColWidth_Target", "ColWidth_Result"})
        SetDword(name, 100);
    auto dialog = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog->Create(nullptr));
    PumpFor(50);
    HWND w = dialog->Handle();
    EXPECT_EQ(ListView_GetColumnWidth(GetDlgItem(w, IDC_FILE_LIST), 0), MulDiv(100, dpi_, 96));
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
}

// The progress window, wider than a small screen at a large scale, is narrowed to the work area
// with its lines, bar and Cancel inside; over a window pushed off any edge of the screen it stays
// on the screen.
TEST_F(ScaledScreenAtDpi, TheProgressWindowStaysWithinTheWorkArea)
{
    SetDword("FirstRun", 0);
    SetDword("WndMaximized", 0);
    auto main = std::make_unique<MainDialog>();
    ASSERT_TRUE(main->Create(nullptr));
    HWND w = main->Handle();
    ShowWindow(w, SW_SHOWNORMAL);
    PumpFor(50);
    RECT shown {};
    ASSERT_TRUE(GetWindowRect(w, &shown));
    const RECT work = NearestWorkArea(shown);
    const LONG width = shown.right - shown.left, height = shown.bottom - shown.top;
    const POINT places[] = {{shown.left, shown.top},
                            {work.left - width * 3 / 4, shown.top},
                            {work.right - width / 4, shown.top},
                            {shown.left, work.top - height * 3 / 4},
                            {shown.left, work.bottom - height / 4}};
    for (const POINT& place : places) {
        SCOPED_TRACE("owner at " + std::to_string(place.x) + "," + std::to_string(place.y));
        SetWindowPos(w, nullptr, place.x, place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ProgressDialog* progress = ProgressDialog::Open(w);
        ASSERT_NE(progress, nullptr);
        const HWND window = progress->Handle();
        RECT rect {}, client {};
        GetWindowRect(window, &rect);
        GetClientRect(window, &client);
        EXPECT_GE(rect.left, work.left);
        EXPECT_LE(rect.right, work.right);
        EXPECT_GE(rect.top, work.top);
        EXPECT_LE(rect.bottom, work.bottom);
        for (const int id : {IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR, IDC_PROGRESS_DETAIL, IDC_PROGRESS_CANCEL}) {
            RECT control {};
            GetWindowRect(GetDlgItem(window, id), &control);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&control), 2);
            EXPECT_GT(control.left, 0) << id;
            EXPECT_LT(control.right, client.right) << id;
            EXPECT_GT(control.right - control.left, 0) << id;
        }
        RECT cancel {};
        GetWindowRect(GetDlgItem(window, IDC_PROGRESS_CANCEL), &cancel);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&cancel), 2);
        // In the middle as the template places it: within a dialog unit or so.
        EXPECT_LE(std::abs((cancel.left + cancel.right) - client.right), MulDiv(8, dpi_, 96))
                << "Cancel is not in the middle";
        progress->Close();
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 5000));
    }
    SendMessageA(w, WM_COMMAND, IDC_CLOSE, 0);
    PumpFor(20);
}

TEST_F(ScaledScreenAtDpi, MetaExifColumnsFollowTheDpiTheyWereSavedAt)
{
    // Widths from a version that kept no DPI are 96 DPI ones; widths saved here keep this DPI.
    SetDword("ExifInfoWnd_NameWidth", 150);
    SetDword("ExifInfoWnd_ValWidth", 200);
    // No tool: the window opens empty after its message.
    MetaToolConfig noTool;
    noTool.toolPath = "Z:\\nonexistent\\no-tool.exe";
    MessageBoxCatcher catcher(IDOK);
    auto dialog =
            std::make_unique<ExifInfoDialog>(MetaWindowInput {"Z:\\nonexistent\\photo.jpg", nullptr, noTool});
    ASSERT_TRUE(dialog->Create(nullptr));
    HWND list = GetDlgItem(dialog->Handle(), IDC_EXIF_LIST);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), MulDiv(150, dpi_, 96));
    EXPECT_EQ(ListView_GetColumnWidth(list, 1), MulDiv(200, dpi_, 96));
    EXPECT_EQ(ClippedTexts(dialog->Handle()), std::vector<std::string> {});
    dialog->End(IDCANCEL);
    PumpFor(20);
    dialog.reset();

    dialog =
            std::make_unique<ExifInfoDialog>(MetaWindowInput {"Z:\\nonexistent\\photo.jpg", nullptr, noTool});
    ASSERT_TRUE(dialog->Create(nullptr));
    list = GetDlgItem(dialog->Handle(), IDC_EXIF_LIST);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), MulDiv(150, dpi_, 96));
    dialog->End(IDCANCEL);
    PumpFor(20);
}
