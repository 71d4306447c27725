// The main window under test: built from its real template on a registry each test prepares,
// with small helpers that drive its controls with messages and read them back.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "engine/SettingsStore.h"
#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/support/TempTree.h"
#include "ui/MainDialog.h"

namespace mainwindow {

inline void DeleteProgramKey()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

inline void SetDword(const char* name, DWORD value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

inline bool GetDword(const char* name, DWORD& value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = sizeof value;
    const bool ok = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
                    ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

inline void SetString(const char* name, const std::string& value)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

inline bool HasValue(const char* name)
{
    return RegGetValueA(HKEY_CURRENT_USER, kOptionsKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

inline std::string Text(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// A part of the main window's status bar: 0 the run's summary line, 1 the counter, 2 the rows'
// outcomes.
inline std::string StatusText(HWND dialog, int part)
{
    char text[1024] = "";
    HWND bar = GetDlgItem(dialog, IDC_STATUS_BAR);
    if (LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0)) < sizeof text)
        SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}
inline std::string Summary(HWND dialog)
{
    return StatusText(dialog, 0);
}
inline std::string Total(HWND dialog)
{
    return StatusText(dialog, 1);
}

// What is wrong with the main window's frame: a menu bar on more than one row, a control that
// reaches into the status bar or out of the window; "" when nothing is.
inline std::string FrameFault(HWND dialog)
{
    HMENU menu = GetMenu(dialog);
    const int items = menu ? GetMenuItemCount(menu) : 0;
    if (items < 1)
        return "no menu bar";
    RECT first {}, last {};
    if (!GetMenuItemRect(dialog, menu, 0, &first) || !GetMenuItemRect(dialog, menu, items - 1, &last))
        return "the menu bar's items have no place";
    if (first.top != last.top)
        return "the menu bar takes more than one row";
    RECT bar {}, client {};
    HWND status = GetDlgItem(dialog, IDC_STATUS_BAR);
    // The controls' own visibility: the window itself may not be shown yet.
    const auto shown = [](HWND control) { return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0; };
    if (!status || !shown(status) || !GetWindowRect(status, &bar) || !GetClientRect(dialog, &client))
        return "no status bar";
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bar), 2);
    if (bar.bottom != client.bottom || bar.left != 0 || bar.right != client.right)
        return "the status bar is not along the window's bottom";
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT rect {};
        if (control == status || !shown(control) || !GetWindowRect(control, &rect))
            continue;
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.bottom > bar.top || rect.right > client.right || rect.top < 0)
            return "control " + std::to_string(GetDlgCtrlID(control)) + " is cut";
    }
    return "";
}

inline bool Enabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != 0;
}

inline void Command(HWND dialog, int id, int code = BN_CLICKED)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

inline void SelectMode(HWND dialog, std::uint32_t mode)
{
    HWND combo = GetDlgItem(dialog, IDC_ORGANIZE_MODE);
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (static_cast<std::uint32_t>(SendMessageA(combo, CB_GETITEMDATA, i, 0)) == mode)
            SendMessageA(combo, CB_SETCURSEL, i, 0);
    Command(dialog, IDC_ORGANIZE_MODE, CBN_SELCHANGE);
}

inline std::vector<unsigned char> JpegTaken(const std::string& date)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

// A main window for one test, on a registry prepared by the test; the first-start help is
// switched off unless the test asks for it.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteProgramKey(); }
    void TearDown() override
    {
        Close();
        DeleteProgramKey();
    }

    HWND Open(bool firstRun = false)
    {
        if (!firstRun)
            SetDword("FirstRun", 0);
        dialog_ = std::make_unique<MainDialog>();
        EXPECT_TRUE(dialog_->Create(nullptr));
        PumpFor(50);
        return dialog_->Handle();
    }

    void Close()
    {
        if (dialog_ && dialog_->Handle())
            SendMessageA(dialog_->Handle(), WM_COMMAND, IDC_CLOSE, 0);
        PumpFor(20);
        dialog_.reset();
    }

    int Rows() { return ListView_GetItemCount(GetDlgItem(dialog_->Handle(), IDC_FILE_LIST)); }
    std::string Cell(int row, int column) { return dialog_->List().GetItemText(row, column); }

    std::unique_ptr<MainDialog> dialog_;
};

}  // namespace mainwindow
