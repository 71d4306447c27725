// The test helpers other window tests rely on: they must report what really happened.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "resource.h"
#include "tests/support/DropBuilder.h"
#include "tests/support/MessageBoxCatcher.h"
#include "tests/support/PumpUntil.h"
#include "toolkit/Dialog.h"

namespace {

TEST(MessageBoxCatcher, RecordsCaptionTextAndIconAndAnswers)
{
    MessageBoxCatcher catcher(IDNO);
    ASSERT_TRUE(catcher.Installed());
    int answer =
            MessageBoxA(nullptr, "First line.\n\nSecond line.", "Quillmere", MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(answer, IDNO);
    catcher.SetAnswer(IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "A note.", "Quillmere", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Plain.", "Other", MB_OK), IDOK);
    catcher.SetAnswer(IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "Error.", "Quillmere", MB_OKCANCEL | MB_ICONERROR), IDCANCEL);

    ASSERT_EQ(catcher.Caught().size(), 4u);
    EXPECT_EQ(catcher.Caught()[0].caption, "Quillmere");
    EXPECT_EQ(catcher.Caught()[0].text, "First line.\n\nSecond line.");
    EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(catcher.Caught()[1].icon, MessageIcon::Information);
    EXPECT_EQ(catcher.Caught()[2].caption, "Other");
    EXPECT_EQ(catcher.Caught()[2].icon, MessageIcon::None);
    EXPECT_EQ(catcher.Caught()[3].icon, MessageIcon::Error);
}

TEST(MessageBoxCatcher, OnlyOneCatcherPerThreadAndNoneAfterwards)
{
    {
        MessageBoxCatcher first;
        MessageBoxCatcher second;
        EXPECT_TRUE(first.Installed());
        EXPECT_FALSE(second.Installed());
    }
    MessageBoxCatcher again;
    EXPECT_TRUE(again.Installed());
}

class PostTarget : public Dialog {
public:
    PostTarget() : Dialog(IDD_PROGRESS) { }
    int received = 0;

protected:
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) override
    {
        if (message == WM_APP + 1)
            ++received;
        return false;
    }
};

TEST(PumpUntil, DeliversPostedMessagesAndTimesOut)
{
    PostTarget dialog;
    ASSERT_TRUE(dialog.Create(nullptr));
    PostMessageA(dialog, WM_APP + 1, 0, 0);
    EXPECT_EQ(dialog.received, 0);
    EXPECT_TRUE(PumpUntil([&] { return dialog.received == 1; }, 2000));
    DWORD start = GetTickCount();
    EXPECT_FALSE(PumpUntil([] { return false; }, 200));
    EXPECT_GE(GetTickCount() - start, 190u);
}

class DropTarget : public Dialog {
public:
    DropTarget() : Dialog(IDD_PROGRESS) { }
    std::vector<std::string> dropped;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override
    {
        if (message != WM_DROPFILES)
            return false;
        auto drop = reinterpret_cast<HDROP>(wParam);
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char path[MAX_PATH];
            if (DragQueryFileA(drop, i, path, sizeof path))
                dropped.emplace_back(path);
        }
        DragFinish(drop);
        result = 0;
        return true;
    }
};

TEST(DropBuilder, ReadsBackLikeARealDrop)
{
    DropTarget target;
    ASSERT_TRUE(target.Create(nullptr));
    std::vector<std::string> paths {"C:\\Photos\\a b.jpg", "C:\\Photos\\Sub folder", "D:\\x.tif"};
    ASSERT_TRUE(SendDrop(target, paths));
    EXPECT_EQ(target.dropped, paths);

    HGLOBAL block = BuildDrop({"C:\\one.jpg"}, POINT {5, 7});
    ASSERT_NE(block, nullptr);
    POINT point {};
    EXPECT_TRUE(DragQueryPoint(static_cast<HDROP>(block), &point));
    EXPECT_EQ(point.x, 5);
    EXPECT_EQ(point.y, 7);
    EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(block), 0xFFFFFFFF, nullptr, 0), 1u);
    GlobalFree(block);
}

}  // namespace
