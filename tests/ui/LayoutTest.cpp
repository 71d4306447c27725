// Resizable dialogs on the real templates: anchoring arithmetic, minimum size, erase clipping.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "resource.h"
#include "tests/support/PumpUntil.h"
#include "toolkit/AnchoredDialog.h"

namespace {

class TestAnchoredDialog : public AnchoredDialog {
public:
    using AnchoredDialog::AnchoredDialog;
    std::function<void(TestAnchoredDialog&)> beforeBaseInit;
    std::function<void(TestAnchoredDialog&)> registerControls;

protected:
    bool OnInitDialog() override
    {
        if (beforeBaseInit)
            beforeBaseInit(*this);
        bool result = AnchoredDialog::OnInitDialog();
        if (registerControls)
            registerControls(*this);
        return result;
    }
};

RECT RectIn(HWND parent, HWND control)
{
    RECT rect {};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT ClientOf(HWND hwnd)
{
    RECT rect {};
    GetClientRect(hwnd, &rect);
    return rect;
}

SIZE OuterSize(HWND hwnd)
{
    RECT rect {};
    GetWindowRect(hwnd, &rect);
    return SIZE {rect.right - rect.left, rect.bottom - rect.top};
}

// Resizes the window so that its client area gets the given size.
void SetClientSize(HWND hwnd, int width, int height)
{
    RECT client = ClientOf(hwnd);
    SIZE outer = OuterSize(hwnd);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.cx + width - client.right, outer.cy + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

// The main window's registrations, as the main window makes them.
void RegisterMainWindowControls(LayoutManager& layout)
{
    layout.AnchorItem(IDC_FILE_LIST, Anchor::TopLeft, Anchor::BottomRight);
    for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, ID_META_INFO, IDC_REMOVE, IDC_REMOVE_ALL, IDC_OPTIONS,
                   IDC_HELP_MORE, IDC_CLOSE})
        layout.AnchorItem(id, Anchor::TopRight);
    layout.AnchorItem(IDC_ORGANIZE_LABEL, Anchor::BottomLeft);
    layout.AnchorItem(IDC_ORGANIZE_MODE, Anchor::BottomLeft, Anchor::BottomRight);
    layout.AnchorItem(IDC_MOVE_FILES, Anchor::BottomRight);
    layout.AnchorItem(IDC_COPY_FILES, Anchor::BottomRight);
    for (int id : {IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET})
        layout.AnchorItem(id, Anchor::BottomLeft);
    for (int id : {IDC_MONTH_FORMAT, IDC_DAY_FORMAT, IDC_FILENAME_FORMAT})
        layout.AnchorItem(id, Anchor::BottomLeft, Anchor::BottomCentre);
    for (int id : {IDC_MONTH_TAGS, IDC_DAY_TAGS, IDC_FILENAME_TAGS})
        layout.AnchorItem(id, Anchor::BottomCentre);
    layout.AnchorItem(IDC_EXAMPLE, Anchor::BottomLeft, Anchor::BottomRight);
    for (int id : {IDC_OUTPUT_GROUP, IDC_SAME_FOLDER, IDC_ANOTHER_FOLDER, IDC_OUTPUT_FOLDER})
        layout.AnchorItem(id, Anchor::BottomCentre, Anchor::BottomRight);
    layout.AnchorItem(IDC_BROWSE_OUTPUT, Anchor::BottomRight);
    layout.AnchorItem(IDC_OPEN_OUTPUT, Anchor::BottomRight);
}

class MainWindowLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog.registerControls = [](TestAnchoredDialog& d) { RegisterMainWindowControls(d); };
        ASSERT_TRUE(dialog.Create(nullptr));
        for (const LayoutEntry& entry : dialog.Entries())
            initial[entry.control] = RectIn(dialog, entry.control);
        initialClient = ClientOf(dialog);
        initialOuter = OuterSize(dialog);
    }

    TestAnchoredDialog dialog {IDD_MAIN};
    std::map<HWND, RECT> initial;
    RECT initialClient {};
    SIZE initialOuter {};
};

TEST_F(MainWindowLayout, RegistersEveryControlOfTheTable)
{
    EXPECT_EQ(dialog.Entries().size(), 30u);
    for (const LayoutEntry& entry : dialog.Entries())
        EXPECT_NE(entry.control, nullptr);
}

TEST_F(MainWindowLayout, StretchedListGrowsByTheWindowGrowth)
{
    SetClientSize(dialog, initialClient.right + 137, initialClient.bottom + 61);
    ASSERT_EQ(ClientOf(dialog).right, initialClient.right + 137);
    ASSERT_EQ(ClientOf(dialog).bottom, initialClient.bottom + 61);

    HWND list = dialog.Item(IDC_FILE_LIST);
    RECT before = initial[list];
    RECT after = RectIn(dialog, list);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right + 137);
    EXPECT_EQ(after.bottom, before.bottom + 61);
}

TEST_F(MainWindowLayout, TopRightButtonKeepsItsSizeAndRightMargin)
{
    SetClientSize(dialog, initialClient.right + 200, initialClient.bottom + 50);
    HWND button = dialog.Item(IDC_ADD_FILES);
    RECT before = initial[button];
    RECT after = RectIn(dialog, button);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    EXPECT_EQ(ClientOf(dialog).right - after.right, initialClient.right - before.right);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(MainWindowLayout, BottomRowFollowsTheBottomEdge)
{
    SetClientSize(dialog, initialClient.right + 10, initialClient.bottom + 90);
    HWND move = dialog.Item(IDC_MOVE_FILES);
    EXPECT_EQ(RectIn(dialog, move).top, initial[move].top + 90);
    EXPECT_EQ(RectIn(dialog, move).left, initial[move].left + 10);
    HWND label = dialog.Item(IDC_ORGANIZE_LABEL);
    EXPECT_EQ(RectIn(dialog, label).left, initial[label].left);
    EXPECT_EQ(RectIn(dialog, label).top, initial[label].top + 90);
}

TEST_F(MainWindowLayout, ReturningToTheInitialSizeRestoresEveryRectangle)
{
    SetClientSize(dialog, initialClient.right + 333, initialClient.bottom + 177);
    SetClientSize(dialog, initialClient.right + 71, initialClient.bottom + 3);
    SetClientSize(dialog, initialClient.right, initialClient.bottom);
    ASSERT_TRUE(SameRect(ClientOf(dialog), initialClient));
    for (const auto& [control, rect] : initial) {
        RECT now = RectIn(dialog, control);
        EXPECT_TRUE(SameRect(now, rect)) << "control " << GetDlgCtrlID(control) << " at " << now.left << ","
                                         << now.top << "," << now.right << "," << now.bottom;
    }
}

TEST_F(MainWindowLayout, OnlyTheGroupBoxGainsClipSiblings)
{
    EXPECT_NE(GetWindowLongA(dialog.Item(IDC_OUTPUT_GROUP), GWL_STYLE) & WS_CLIPSIBLINGS, 0);
    EXPECT_EQ(GetWindowLongA(dialog.Item(IDC_BROWSE_OUTPUT), GWL_STYLE) & WS_CLIPSIBLINGS, 0);
    EXPECT_EQ(GetWindowLongA(dialog.Item(IDC_SAME_FOLDER), GWL_STYLE) & WS_CLIPSIBLINGS, 0);
}

TEST_F(MainWindowLayout, ShrinkingBelowTheInitialSizeIsRefused)
{
    MINMAXINFO info {};
    info.ptMinTrackSize = POINT {1, 1};
    SendMessageA(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, initialOuter.cx);
    EXPECT_EQ(info.ptMinTrackSize.y, initialOuter.cy);
    EXPECT_TRUE(dialog.Limits().useMinTrackSize);
    EXPECT_FALSE(dialog.Limits().useMaxTrackSize);

    SetWindowPos(dialog, nullptr, 0, 0, initialOuter.cx - 100, initialOuter.cy - 80,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SIZE now = OuterSize(dialog);
    EXPECT_GE(now.cx, initialOuter.cx);
    EXPECT_GE(now.cy, initialOuter.cy);
}

TEST_F(MainWindowLayout, MaximizingArrangesTheControls)
{
    ShowWindow(dialog, SW_SHOWMAXIMIZED);
    ASSERT_TRUE(IsZoomed(dialog));
    RECT client = ClientOf(dialog);
    EXPECT_GT(client.right, initialClient.right);
    HWND list = dialog.Item(IDC_FILE_LIST);
    EXPECT_EQ(client.right - RectIn(dialog, list).right, initialClient.right - initial[list].right);
    EXPECT_EQ(client.bottom - RectIn(dialog, list).bottom, initialClient.bottom - initial[list].bottom);
}

TEST_F(MainWindowLayout, EraseSkipsControlsThatPaintThemselves)
{
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    HDC dc = GetDC(dialog);
    ASSERT_NE(dc, nullptr);
    HRGN all = CreateRectRgnIndirect(&initialClient);
    SelectClipRgn(dc, all);
    DeleteObject(all);
    dialog.ClipControls(dc);

    auto centreVisible = [&](int id) {
        RECT rect = RectIn(dialog, dialog.Item(id));
        return PtVisible(dc, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2) != FALSE;
    };
    EXPECT_FALSE(centreVisible(IDC_FILE_LIST));
    EXPECT_FALSE(centreVisible(IDC_ADD_FILES));
    EXPECT_FALSE(centreVisible(IDC_ORGANIZE_MODE));
    EXPECT_TRUE(centreVisible(IDC_ORGANIZE_LABEL));  // text statics are erased with the dialog
    EXPECT_TRUE(centreVisible(IDC_EXAMPLE));
    // The group box comes back into the erased area before the controls inside are cut out.
    RECT group = RectIn(dialog, dialog.Item(IDC_OUTPUT_GROUP));
    EXPECT_TRUE(PtVisible(dc, group.right - 3, group.bottom - 3));
    EXPECT_FALSE(centreVisible(IDC_BROWSE_OUTPUT));
    EXPECT_FALSE(centreVisible(IDC_SAME_FOLDER));
    ReleaseDC(dialog, dc);
}

TEST_F(MainWindowLayout, SizeMessagesOfOtherWindowsBeingMaximizedAreIgnored)
{
    HWND list = dialog.Item(IDC_FILE_LIST);
    SetWindowPos(list, nullptr, 3, 4, 50, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client = ClientOf(dialog);
    LPARAM size = MAKELPARAM(client.right, client.bottom);
    SendMessageA(dialog, WM_SIZE, SIZE_MAXHIDE, size);
    SendMessageA(dialog, WM_SIZE, SIZE_MAXSHOW, size);
    EXPECT_EQ(RectIn(dialog, list).left, 3);
    SendMessageA(dialog, WM_SIZE, SIZE_RESTORED, size);
    EXPECT_TRUE(SameRect(RectIn(dialog, list), initial[list]));
}

TEST(AnchoredDialog, GainsASizingFrameAndKeepsItsClientSize)
{
    Dialog plain(IDD_ABOUT);
    TestAnchoredDialog anchored(IDD_ABOUT);
    ASSERT_TRUE(plain.Create(nullptr));
    ASSERT_TRUE(anchored.Create(nullptr));
    LONG style = GetWindowLongA(anchored, GWL_STYLE);
    EXPECT_NE(style & WS_THICKFRAME, 0);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_EQ(style & DS_MODALFRAME, 0);
    EXPECT_EQ(GetWindowLongA(plain, GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_TRUE(SameRect(ClientOf(anchored), ClientOf(plain)));
    SIZE plainOuter = OuterSize(plain);
    SIZE anchoredOuter = OuterSize(anchored);
    EXPECT_GT(anchoredOuter.cx, plainOuter.cx);  // the sizing frame is wider
}

TEST(AnchoredDialog, ProductsAreTruncatedBeforeTheDifference)
{
    // A combo box anchored (0,100)-(50,100) in a client area 400 pixels wide: at 501 pixels
    // 501 * 50 / 100 = 250 against 200, so it is exactly 50 pixels wider (not 50.5).
    TestAnchoredDialog dialog(IDD_MAIN);
    int height = 0;
    dialog.beforeBaseInit = [&](TestAnchoredDialog& d) {
        RECT client = ClientOf(d);
        height = client.bottom;
        SIZE outer = OuterSize(d);
        SetWindowPos(d, nullptr, 0, 0, outer.cx - (client.right - 400), outer.cy, SWP_NOMOVE | SWP_NOZORDER);
    };
    dialog.registerControls = [](TestAnchoredDialog& d) {
        d.AnchorItem(IDC_MONTH_FORMAT, Anchor::BottomLeft, Anchor::BottomCentre);
        d.AnchorItem(IDC_MONTH_TAGS, Anchor::BottomCentre);
    };
    ASSERT_TRUE(dialog.Create(nullptr));
    ASSERT_EQ(ClientOf(dialog).right, 400);
    HWND combo = dialog.Item(IDC_MONTH_FORMAT);
    HWND tags = dialog.Item(IDC_MONTH_TAGS);
    RECT comboBefore = RectIn(dialog, combo);
    RECT tagsBefore = RectIn(dialog, tags);

    SetClientSize(dialog, 501, height);
    ASSERT_EQ(ClientOf(dialog).right, 501);
    RECT comboAfter = RectIn(dialog, combo);
    EXPECT_EQ(comboAfter.left, comboBefore.left);
    EXPECT_EQ(comboAfter.right - comboAfter.left, comboBefore.right - comboBefore.left + 50);
    EXPECT_EQ(RectIn(dialog, tags).left, tagsBefore.left + 50);

    SetClientSize(dialog, 400, height);
    EXPECT_TRUE(SameRect(RectIn(dialog, combo), comboBefore));
}

TEST(AnchoredDialog, LayoutIsDroppedWhenTheWindowIsDestroyed)
{
    TestAnchoredDialog dialog(IDD_EXIFINFO);
    dialog.registerControls = [](TestAnchoredDialog& d) {
        d.AnchorItem(IDC_EXIF_LIST, Anchor::TopLeft, Anchor::BottomRight);
        d.AnchorItem(IDCANCEL, Anchor::TopRight);
        d.AnchorItem(9999, Anchor::TopRight);  // no such control: nothing registered
    };
    ASSERT_TRUE(dialog.Create(nullptr));
    EXPECT_EQ(dialog.Entries().size(), 2u);
    DestroyWindow(dialog);
    EXPECT_TRUE(dialog.Entries().empty());
}

struct StaticCase {
    DWORD style;
    bool fullRepaint;
    bool excluded;
};

TEST(AnchoredDialog, StaticControlRulesFollowTheStaticType)
{
    TestAnchoredDialog dialog(IDD_ABOUT);
    ASSERT_TRUE(dialog.Create(nullptr));
    const StaticCase cases[] = {
            {SS_LEFT, true, false},
            {SS_CENTER, true, false},
            {SS_RIGHT, true, false},
            {SS_ICON, false, true},
            {SS_ICON | SS_CENTERIMAGE, false, false},
            {SS_BLACKRECT, false, true},
            {SS_GRAYFRAME, false, false},
            {SS_SIMPLE, false, false},
            {SS_OWNERDRAW, false, false},
            {SS_OWNERDRAW | SS_CENTERIMAGE, true, false},
            {SS_BITMAP, true, true},
            {SS_ENHMETAFILE, true, true},
            {SS_ETCHEDHORZ, false, true},
            {SS_ETCHEDVERT, false, true},
    };
    for (const StaticCase& c : cases) {
        HWND control = CreateWindowExA(0, "Static", "", WS_CHILD | c.style, 0, 0, 10, 10, dialog, nullptr,
                                       nullptr, nullptr);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(dialog.NeedsFullRepaint(control), c.fullRepaint) << "style " << std::hex << c.style;
        EXPECT_EQ(dialog.ExcludesFromErase(control), c.excluded) << "style " << std::hex << c.style;
        DestroyWindow(control);
    }
    HWND okButton = dialog.Item(IDOK);
    EXPECT_FALSE(dialog.NeedsFullRepaint(okButton));
    EXPECT_TRUE(dialog.ExcludesFromErase(okButton));
    HWND groupBox = CreateWindowExA(0, "Button", "", WS_CHILD | BS_GROUPBOX, 0, 0, 10, 10, dialog, nullptr,
                                    nullptr, nullptr);
    ASSERT_NE(groupBox, nullptr);
    EXPECT_FALSE(dialog.ExcludesFromErase(groupBox));
    DestroyWindow(groupBox);

    // A list box remembers to check its horizontal scrolling when it is resized.
    HWND listBox = CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_HSCROLL, 0, 0, 50, 50, dialog, nullptr,
                                   nullptr, nullptr);
    HWND text = CreateWindowExA(0, "Static", "x", WS_CHILD | SS_LEFT, 0, 0, 50, 50, dialog, nullptr, nullptr,
                                nullptr);
    dialog.AnchorControl(listBox, Anchor::TopLeft, Anchor::BottomRight);
    dialog.AnchorControl(text, Anchor::TopLeft);
    ASSERT_EQ(dialog.Entries().size(), 2u);
    EXPECT_TRUE(dialog.Entries()[0].adjustHorizontalScroll);
    EXPECT_FALSE(dialog.Entries()[0].needsFullRepaint);
    EXPECT_FALSE(dialog.Entries()[1].adjustHorizontalScroll);
    EXPECT_TRUE(dialog.Entries()[1].needsFullRepaint);
    EXPECT_EQ(dialog.Entries()[1].bottomRight, Anchor::TopLeft);  // none: the same point
}

}  // namespace
