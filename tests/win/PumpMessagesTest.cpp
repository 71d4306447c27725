#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "toolkit/MessagePump.h"

namespace {

constexpr UINT kTestMessage = WM_APP + 17;

std::vector<UINT>* g_received = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_received != nullptr && (message == kTestMessage || message == WM_KEYDOWN || message == WM_CHAR))
        g_received->push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

class PumpMessagesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QmPumpTestWindow";
        WNDCLASSA existing;
        if (!GetClassInfoA(windowClass.hInstance, windowClass.lpszClassName, &existing)) {
            ASSERT_NE(RegisterClassA(&windowClass), 0);
        }
        window_ = CreateWindowExA(0, "QmPumpTestWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);
        // Start from an empty queue: the window's creation may have left messages behind.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        g_received = &received_;
    }

    void TearDown() override
    {
        g_received = nullptr;
        if (window_ != nullptr)
            DestroyWindow(window_);
    }

    HWND window_ = nullptr;
    std::vector<UINT> received_;
};

}  // namespace

TEST_F(PumpMessagesTest, DispatchesEveryWaitingMessageAndEmptiesTheQueue)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessageA(window_, kTestMessage, i, 0));
    PumpMessages();
    EXPECT_EQ(received_, (std::vector<UINT> {kTestMessage, kTestMessage, kTestMessage}));
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, window_, 0, 0, PM_NOREMOVE));
}

TEST_F(PumpMessagesTest, ReturnsAtOnceWhenNothingIsWaiting)
{
    PumpMessages();
    EXPECT_TRUE(received_.empty());
}

TEST_F(PumpMessagesTest, TranslatesKeysIntoCharacters)
{
    ASSERT_TRUE(PostMessageA(window_, WM_KEYDOWN, 'A', 1));
    PumpMessages();
    EXPECT_EQ(received_, (std::vector<UINT> {WM_KEYDOWN, WM_CHAR}));
}

TEST_F(PumpMessagesTest, LeavesAQuitRequestForTheOwningLoop)
{
    ASSERT_TRUE(PostMessageA(window_, kTestMessage, 0, 0));
    PostQuitMessage(7);
    PumpMessages();
    EXPECT_EQ(received_, std::vector<UINT> {kTestMessage});
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}
