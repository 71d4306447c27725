// The dialog framework on real templates: dispatch, modal and modeless life cycles.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "resource.h"
#include "toolkit/Dialog.h"
#include "toolkit/SubclassedControl.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"

namespace {

class RecordingDialog : public Dialog {
public:
    explicit RecordingDialog(int templateId) : Dialog(templateId) { }

    int initCalls = 0;
    int lastCommand = 0;
    int lastCode = -1;
    HWND lastControl = nullptr;
    int okCalls = 0;
    int cancelCalls = 0;
    int destroyCalls = 0;
    UINT lastNotifyCode = 0;
    bool sawPrivateMessage = false;
    bool* deletedFlag = nullptr;

    ~RecordingDialog() override
    {
        if (deletedFlag)
            *deletedFlag = true;
    }

protected:
    bool OnInitDialog() override
    {
        ++initCalls;
        return Dialog::OnInitDialog();
    }
    bool OnCommand(int id, int code, HWND control) override
    {
        lastCommand = id;
        lastCode = code;
        lastControl = control;
        return true;
    }
    LRESULT OnNotify(NMHDR* header) override
    {
        lastNotifyCode = header->code;
        return 77;
    }
    void OnOK() override
    {
        ++okCalls;
        Dialog::OnOK();
    }
    void OnCancel() override
    {
        ++cancelCalls;
        Dialog::OnCancel();
    }
    void OnDestroy() override { ++destroyCalls; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_APP + 5 && wParam == 1 && lParam == 2) {
            sawPrivateMessage = true;
            result = 1234;
            return true;
        }
        return false;
    }
};

TEST(Dialog, ModelessDispatchesUnpackedMessagesToHandlers)
{
    RecordingDialog dialog(IDD_ABOUT);
    ASSERT_TRUE(dialog.Create(nullptr));
    ASSERT_NE(dialog.Handle(), nullptr);
    EXPECT_EQ(dialog.initCalls, 1);

    HWND button = dialog.Item(IDC_ABOUT_UPDATES);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_UPDATES, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    EXPECT_EQ(dialog.lastCommand, IDC_ABOUT_UPDATES);
    EXPECT_EQ(dialog.lastCode, BN_CLICKED);
    EXPECT_EQ(dialog.lastControl, button);

    NMHDR header {button, IDC_ABOUT_UPDATES, 4242};
    LRESULT notifyResult =
            SendMessageA(dialog, WM_NOTIFY, IDC_ABOUT_UPDATES, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(dialog.lastNotifyCode, 4242u);
    EXPECT_EQ(notifyResult, 77);

    EXPECT_EQ(SendMessageA(dialog, WM_APP + 5, 1, 2), 1234);
    EXPECT_TRUE(dialog.sawPrivateMessage);

    // OK on a modeless dialog destroys its window and detaches the object.
    HWND hwnd = dialog.Handle();
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(dialog.okCalls, 1);
    EXPECT_EQ(dialog.destroyCalls, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(dialog.Handle(), nullptr);
}

// A control that answers its own colour request, as a link label does.
class ColouredStatic : public SubclassedControl {
protected:
    bool OnReflected(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        if (message != WM_CTLCOLORSTATIC)
            return false;
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(10, 20, 30));
        result = reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
        return true;
    }
};

class ColourDialog : public Dialog {
public:
    ColourDialog() : Dialog(IDD_ABOUT) { }
    int colourRequests = 0;

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message != WM_CTLCOLORSTATIC)
            return false;
        ++colourRequests;
        result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        return true;
    }
};

TEST(Dialog, ControlsAnswerTheirOwnNotificationsFirst)
{
    ColourDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    ColouredStatic own;
    HWND ownLabel = dialog.Item(IDC_ABOUT_MAKER);
    HWND plainLabel = dialog.Item(IDC_ABOUT_SUPPORT);
    ASSERT_TRUE(own.Subclass(ownLabel));
    EXPECT_EQ(SubclassedControl::FromHandle(ownLabel), &own);
    EXPECT_EQ(SubclassedControl::FromHandle(plainLabel), nullptr);

    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT ownBrush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(ownLabel));
    EXPECT_EQ(ownBrush, reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), RGB(10, 20, 30));
    EXPECT_EQ(dialog.colourRequests, 0);
    LRESULT plainBrush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(plainLabel));
    EXPECT_EQ(plainBrush, reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(dialog.colourRequests, 1);
    DeleteDC(dc);

    DestroyWindow(dialog);
    EXPECT_EQ(own.SubclassedHandle(), nullptr);  // let go when the control was destroyed
}

// Handlers that throw: a standard exception, one of another kind, and none.
constexpr UINT kThrowStandard = WM_APP + 6;
constexpr UINT kThrowOther = WM_APP + 7;
constexpr UINT kAnswer = WM_APP + 8;

class ThrowingDialog : public Dialog {
public:
    ThrowingDialog() : Dialog(IDD_ABOUT) { }

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message == kThrowStandard)
            throw std::runtime_error("the dialog's own fault");
        if (message == kThrowOther)
            throw 42;
        if (message != kAnswer)
            return false;
        result = 5;
        return true;
    }
};

class ThrowingControl : public SubclassedControl {
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kThrowStandard)
            throw std::runtime_error("the control's own fault");
        return SubclassedControl::WindowProc(message, wParam, lParam);
    }
};

TEST(Dialog, AnExceptionFromAHandlerIsReportedAndStopsAtTheWindow)
{
    ThrowingDialog dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    SetWindowTextA(dialog, "Thrower");
    ThrowingControl control;
    HWND label = dialog.Item(IDC_ABOUT_MAKER);
    ASSERT_TRUE(control.Subclass(label));
    MessageBoxCatcher catcher(IDOK);
    ASSERT_TRUE(catcher.Installed());
    catcher.OnlyMessageBoxes();  // the dialog itself is one of the dialog class

    EXPECT_EQ(SendMessageA(dialog, kThrowStandard, 0, 0), 0);
    EXPECT_EQ(SendMessageA(dialog, kThrowOther, 0, 0), 0);
    // The control's own window procedure answers in the handler's place.
    EXPECT_EQ(SendMessageA(label, kThrowStandard, 0, 0), 0);

    const auto& caught = catcher.Caught();
    ASSERT_EQ(caught.size(), 3u);
    EXPECT_EQ(caught[0].text, "An internal error stopped this action:\n\nthe dialog's own fault");
    EXPECT_EQ(caught[0].caption, "Thrower");
    EXPECT_EQ(caught[0].icon, MessageIcon::Error);
    EXPECT_NE(caught[1].text.find("an exception of an unknown kind"), std::string::npos) << caught[1].text;
    EXPECT_NE(caught[2].text.find("the control's own fault"), std::string::npos) << caught[2].text;
    EXPECT_EQ(caught[2].caption, "Thrower");

    // Both go on answering.
    EXPECT_EQ(SendMessageA(dialog, kAnswer, 0, 0), 5);
    char text[64] = "";
    EXPECT_GT(GetWindowTextA(label, text, sizeof text), 0);
    DestroyWindow(dialog);
}

TEST(Dialog, ObjectDyingFirstLeavesNoDanglingLink)
{
    HWND hwnd = nullptr;
    {
        RecordingDialog dialog(IDD_ABOUT);
        ASSERT_TRUE(dialog.Create(nullptr));
        hwnd = dialog.Handle();
    }
    // The destructor unlinked the object before destroying the window.
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Dialog, ModalEndsWithTheResultOfEnd)
{
    RecordingDialog dialog(IDD_ABOUT);
    // The dialog's own message loop runs the timer that closes it.
    struct Closer {
        static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
        {
            KillTimer(nullptr, id);
            HWND about = FindWindowA("#32770", "About");
            if (about)
                PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 50, Closer::Tick);
    ASSERT_NE(timer, 0u);
    INT_PTR result = dialog.DoModal(nullptr);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.initCalls, 1);
    EXPECT_EQ(dialog.cancelCalls, 1);
    EXPECT_EQ(dialog.destroyCalls, 1);
    EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(Dialog, SelfDeletingModelessDialogIsDeletedWithItsWindow)
{
    bool deleted = false;
    auto owned = std::make_unique<RecordingDialog>(IDD_PROGRESS);
    owned->deletedFlag = &deleted;
    RecordingDialog* dialog = Dialog::CreateSelfDeleting(std::move(owned), nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND hwnd = dialog->Handle();
    EXPECT_FALSE(deleted);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);  // the dialog manager turns it into IDCANCEL
    EXPECT_TRUE(PumpUntil([&] { return deleted; }, 2000));
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Dialog, MissingTemplateFailsCleanly)
{
    RecordingDialog modeless(4711);
    EXPECT_FALSE(modeless.Create(nullptr));
    EXPECT_EQ(modeless.initCalls, 0);
    RecordingDialog modal(4711);
    EXPECT_EQ(modal.DoModal(nullptr), -1);

    bool deleted = false;
    auto owned = std::make_unique<RecordingDialog>(4711);
    owned->deletedFlag = &deleted;
    EXPECT_EQ(Dialog::CreateSelfDeleting(std::move(owned), nullptr), nullptr);
    EXPECT_TRUE(deleted);
}

}  // namespace
