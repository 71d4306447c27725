// Link labels and the About box on the real template 158.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "QuillmereVersion.h"
#include "resource.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "tests/ui/RecordingBrowser.h"
#include "ui/AboutDialog.h"
#include "ui/HelpCommands.h"
#include "ui/ProductInfo.h"

namespace {

constexpr COLORREF kLink = 0xEE0000;
constexpr COLORREF kVisited = 0x8B1A55;
constexpr COLORREF kHover = 0xFF;

bool IsUnderlined(HFONT font)
{
    LOGFONTA description {};
    return font && GetObjectA(font, sizeof description, &description) && description.lfUnderline;
}

HFONT FontOf(HWND window)
{
    return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
}

std::string TextOf(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

RECT RectIn(HWND parent, HWND control)
{
    RECT rect {};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// What the label's colour request gives: the text colour set on the device context, the
// background mode and the brush returned.
struct ColourAnswer {
    COLORREF text;
    int backgroundMode;
    HBRUSH brush;
};

ColourAnswer AskColour(HWND dialog, HWND label)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    SetBkMode(dc, OPAQUE);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
            dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    ColourAnswer answer {GetTextColor(dc), GetBkMode(dc), brush};
    DeleteDC(dc);
    return answer;
}

// A click as the static control reports it to its dialog.
void Click(HWND dialog, HWND label)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                 reinterpret_cast<LPARAM>(label));
}

void PutCursorOn(HWND label)
{
    RECT rect {};
    GetWindowRect(label, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void PutCursorAway()
{
    SetCursorPos(1, 1);
}

void MoveMouseOver(HWND label)
{
    RECT client {};
    GetClientRect(label, &client);
    SendMessageA(label, WM_MOUSEMOVE, 0, MAKELPARAM(client.right / 2, client.bottom / 2));
}

class About : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(about.Create(nullptr));
        ShowWindow(about, SW_SHOWNORMAL);
    }
    void TearDown() override { PutCursorAway(); }

    AboutDialog about;
};

TEST_F(About, ShowsTheVersionAndTheThreeLinks)
{
    EXPECT_EQ(about.GetText(), "About");
    std::vector<std::string> texts;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(TextOf(child));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Quillmere v" QM_VERSION_SHORT " build " QM_BUILD_TEXT),
              texts.end());
    EXPECT_EQ(TextOf(about.Item(IDC_ABOUT_HOMEPAGE)), "Visit Quillmere Homepage");
    EXPECT_EQ(TextOf(about.Item(IDC_ABOUT_MAKER)), ProductInfo::kMakerCaption);
    EXPECT_EQ(TextOf(about.Item(IDC_ABOUT_SUPPORT)), "Feedback and Support");
    EXPECT_EQ(TextOf(about.Item(IDC_ABOUT_UPDATES)), "&Check for Updates");
    EXPECT_EQ(TextOf(about.Item(IDC_ABOUT_TELL_FRIEND)), "&E-mail a Friend");

    EXPECT_EQ(about.HomepageLink().Url(), "https://quillmere.example/");
    EXPECT_EQ(about.MakerLink().Url(), ProductInfo::kMakerPage);
    EXPECT_EQ(about.SupportLink().Url(), "mailto:support@quillmere.example");
    for (HyperlinkStatic* link : {&about.HomepageLink(), &about.MakerLink(), &about.SupportLink()}) {
        EXPECT_EQ(link->GetUnderlineMode(), HyperlinkStatic::UnderlineAlways);
        EXPECT_TRUE(IsUnderlined(FontOf(*link)));
        EXPECT_NE(GetWindowLongA(*link, GWL_STYLE) & SS_NOTIFY, 0);
    }
}

TEST_F(About, NamesThePlaceDataAndItsSource)
{
    const std::string text = TextOf(about.Item(IDC_ABOUT_PLACES));
    EXPECT_EQ(text.rfind("Places: ", 0), 0u) << text;
    EXPECT_NE(text.find(" places ("), std::string::npos) << text;
    EXPECT_NE(text.find(" KB), data of 20"), std::string::npos) << text;
    EXPECT_NE(text.find("\nPlace names from GeoNames (geonames.org), CC BY 4.0"), std::string::npos) << text;
    // The text fits its label: no line is cut.
    RECT label {};
    GetClientRect(about.Item(IDC_ABOUT_PLACES), &label);
    HDC dc = GetDC(about.Item(IDC_ABOUT_PLACES));
    const HGDIOBJ old = SelectObject(
            dc, reinterpret_cast<HFONT>(SendMessageA(about.Item(IDC_ABOUT_PLACES), WM_GETFONT, 0, 0)));
    RECT needed = label;
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(about.Item(IDC_ABOUT_PLACES), dc);
    EXPECT_LE(needed.bottom, label.bottom);
    EXPECT_LE(needed.right, label.right);
}

TEST_F(About, TooltipShowsTheAddress)
{
    HWND tooltip = about.MakerLink().Tooltip();
    ASSERT_NE(tooltip, nullptr);
    char text[256] = "";
    TOOLINFOA tool {};
    tool.cbSize = sizeof tool;
    tool.hwnd = about.MakerLink();
    tool.uId = 1;
    tool.lpszText = text;
    SendMessageA(tooltip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, ProductInfo::kMakerPage);
}

TEST_F(About, LinksAreSizedToTheirText)
{
    HWND label = about.HomepageLink();
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, about.HomepageLink().UnderlinedFont());
    SIZE extent {};
    const char text[] = "Visit Quillmere Homepage";
    ASSERT_TRUE(GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent));
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT rect = RectIn(about, label);
    EXPECT_EQ(rect.right - rect.left, extent.cx);
    EXPECT_EQ(rect.bottom - rect.top, extent.cy);
    // Left-aligned: the left edge stays where the template put it (35 dialog units).
    RECT designed {35, 118, 0, 0};
    MapDialogRect(about, &designed);
    EXPECT_EQ(rect.left, designed.left);
    EXPECT_EQ(rect.top, designed.top);
}

TEST_F(About, ColoursFollowNormalHoverAndVisited)
{
    HWND label = about.HomepageLink();
    ColourAnswer normal = AskColour(about, label);
    EXPECT_EQ(normal.text, kLink);
    EXPECT_EQ(normal.backgroundMode, TRANSPARENT);
    EXPECT_EQ(normal.brush, GetStockObject(NULL_BRUSH));

    PutCursorOn(label);
    MoveMouseOver(label);
    EXPECT_TRUE(about.HomepageLink().IsHovering());
    EXPECT_EQ(AskColour(about, label).text, kHover);
    EXPECT_TRUE(IsUnderlined(FontOf(label)));  // mode 1 stays underlined while hovering

    // Clicking an address that opens: visited at once, although the mouse is still on it.
    RecordingBrowser browser("{browser} \"%1\"");
    ASSERT_TRUE(browser.ok());
    std::string address = std::string(RecordingBrowser::kUnhandledScheme) + "home";
    about.HomepageLink().SetUrl(address.c_str());
    Click(about, label);
    EXPECT_TRUE(about.HomepageLink().IsVisited());
    EXPECT_FALSE(about.HomepageLink().IsHovering());
    EXPECT_EQ(AskColour(about, label).text, kVisited);
    EXPECT_EQ(browser.CommandLine(), browser.Quoted() + "  " + address);

    // The next mouse move shows the hover colour again.
    MoveMouseOver(label);
    EXPECT_EQ(AskColour(about, label).text, kHover);
}

TEST_F(About, LinkThatCannotOpenLosesItsVisitedColour)
{
    HWND label = about.SupportLink();
    {
        RecordingBrowser browser("{browser}");
        ASSERT_TRUE(browser.ok());
        about.SupportLink().SetUrl((std::string(RecordingBrowser::kUnhandledScheme) + "first").c_str());
        Click(about, label);
        ASSERT_TRUE(about.SupportLink().IsVisited());
        browser.CommandLine();
    }
    RecordingBrowser noBrowser("");  // no open command: the fall-back fails as well
    ASSERT_TRUE(noBrowser.ok());
    about.SupportLink().SetUrl((std::string(RecordingBrowser::kUnhandledScheme) + "second").c_str());
    Click(about, label);
    EXPECT_FALSE(about.SupportLink().IsVisited());
    EXPECT_EQ(AskColour(about, label).text, kLink);
}

TEST_F(About, HoverEndsSoonAfterTheMouseLeaves)
{
    HWND label = about.MakerLink();
    PutCursorOn(label);
    MoveMouseOver(label);
    ASSERT_TRUE(about.MakerLink().IsHovering());
    PumpFor(350);  // several timer ticks with the cursor still on the label
    EXPECT_TRUE(about.MakerLink().IsHovering());
    PutCursorAway();
    DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([&] { return !about.MakerLink().IsHovering(); }, 2000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(AskColour(about, label).text, kLink);
    EXPECT_TRUE(IsUnderlined(FontOf(label)));  // mode 1
}

TEST_F(About, HandCursorOverLinks)
{
    HWND label = about.HomepageLink();
    LRESULT handled = SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label),
                                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(handled, TRUE);
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
}

TEST(AboutModal, RunsModallyAndClosesWithOK)
{
    AboutDialog modal;
    MessageBoxCatcher catcher(IDOK);
    bool underlinedWhileOpen = false;
    catcher.SetAction([&](HWND dialog) {
        underlinedWhileOpen = IsUnderlined(FontOf(GetDlgItem(dialog, IDC_ABOUT_HOMEPAGE)));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(modal.DoModal(nullptr), IDOK);
    ASSERT_EQ(catcher.Caught().size(), 1u);
    EXPECT_EQ(catcher.Caught()[0].caption, "About");
    EXPECT_TRUE(underlinedWhileOpen);
}

// A link label on a plain static of a dialog, for the other underline modes.
class LinkOnStatic : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.Create(nullptr));
        ShowWindow(host, SW_SHOWNORMAL);
    }
    void TearDown() override { PutCursorAway(); }

    HWND MakeStatic(const char* text, DWORD style)
    {
        HWND label = CreateWindowExA(0, "Static", text, WS_CHILD | WS_VISIBLE | style, 20, 60, 300, 30, host,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(2000)), nullptr, nullptr);
        SendMessageA(label, WM_SETFONT, SendMessageA(host, WM_GETFONT, 0, 0), FALSE);
        return label;
    }

    Dialog host {IDD_ABOUT};
};

TEST_F(LinkOnStatic, UnderlinedOnlyWhileHoveringByDefault)
{
    HyperlinkStatic link;
    HWND label = MakeStatic("Link text", SS_LEFT);
    ASSERT_TRUE(link.Attach(label));
    EXPECT_EQ(link.GetUnderlineMode(), HyperlinkStatic::UnderlineWhileHovering);
    EXPECT_EQ(link.Url(), "Link text");  // no address given: the text is the address
    EXPECT_FALSE(IsUnderlined(FontOf(label)));
    PutCursorOn(label);
    MoveMouseOver(label);
    EXPECT_TRUE(IsUnderlined(FontOf(label)));
    PutCursorAway();
    EXPECT_TRUE(PumpUntil([&] { return !link.IsHovering(); }, 2000));
    EXPECT_FALSE(IsUnderlined(FontOf(label)));
}

TEST_F(LinkOnStatic, NeverUnderlinedInModeZeroAndAtOnceInModeOne)
{
    HyperlinkStatic link;
    HWND label = MakeStatic("Link text", SS_LEFT);
    ASSERT_TRUE(link.Attach(label));
    link.SetUnderlineMode(HyperlinkStatic::UnderlineNever);
    PutCursorOn(label);
    MoveMouseOver(label);
    EXPECT_TRUE(link.IsHovering());
    EXPECT_FALSE(IsUnderlined(FontOf(label)));
    link.SetUnderlineMode(HyperlinkStatic::UnderlineAlways);
    EXPECT_TRUE(IsUnderlined(FontOf(label)));
    EXPECT_EQ(FontOf(label), link.UnderlinedFont());
}

TEST_F(LinkOnStatic, EmptyLabelShowsItsAddress)
{
    HyperlinkStatic link;
    link.SetUrl("https://quillmere.example/x");
    HWND label = MakeStatic("", SS_LEFT);
    ASSERT_TRUE(link.Attach(label));
    EXPECT_EQ(TextOf(label), "https://quillmere.example/x");
}

TEST_F(LinkOnStatic, RightAndCentreAlignedLabelsKeepTheirAnchorEdge)
{
    HyperlinkStatic right;
    HWND rightLabel = MakeStatic("Right", SS_RIGHT);
    RECT before = RectIn(host, rightLabel);
    ASSERT_TRUE(right.Attach(rightLabel));
    RECT after = RectIn(host, rightLabel);
    EXPECT_EQ(after.right, before.right);
    EXPECT_LT(after.right - after.left, before.right - before.left);

    HyperlinkStatic centre;
    HWND centreLabel = MakeStatic("Centre", SS_CENTER | SS_CENTERIMAGE);
    before = RectIn(host, centreLabel);
    ASSERT_TRUE(centre.Attach(centreLabel));
    after = RectIn(host, centreLabel);
    EXPECT_LE(std::abs((after.left + after.right) - (before.left + before.right)), 1);
    EXPECT_LE(std::abs((after.top + after.bottom) - (before.top + before.bottom)), 1);
    EXPECT_LT(after.bottom - after.top, before.bottom - before.top);
}

TEST_F(LinkOnStatic, DestroyingTheLabelStopsItsTimerAndTooltip)
{
    HyperlinkStatic link;
    HWND label = MakeStatic("Link text", SS_LEFT);
    ASSERT_TRUE(link.Attach(label));
    HWND tooltip = link.Tooltip();
    ASSERT_TRUE(IsWindow(tooltip));
    PutCursorOn(label);
    MoveMouseOver(label);
    DestroyWindow(label);
    EXPECT_FALSE(IsWindow(tooltip));
    PumpFor(250);  // no timer tick may reach the vanished label
    EXPECT_EQ(link.SubclassedHandle(), nullptr);
}

}  // namespace
