// Ctrl+C, Ctrl+Break and the console's close button give the console the code page it had before
// the program switched it to UTF-8, also when the event ends the program, which then runs no
// destructor. The events are raised in this test program's own console and go through the
// handlers the program registers, as in quillmere-cli.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "cli/CliHost.h"
#include "base/ConsoleCodePage.h"

namespace {

// A code page that is neither UTF-8 nor the one a console starts with.
constexpr UINT kFound = 850;

HANDLE gPassedOn = nullptr;

// Registered before the program's handlers, so called after them: it sees an event only when
// they let it through to the system's handler, which would end the test program; here it stops.
BOOL WINAPI StandInForTheSystem(DWORD)
{
    SetEvent(gPassedOn);
    return TRUE;
}

bool WaitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        Sleep(10);
    }
    return done();
}

class ConsoleBreak : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A console of its own, so that its events reach this program alone.
        FreeConsole();
        ASSERT_TRUE(AllocConsole()) << GetLastError();
        // Ctrl+C reaches the handlers even when this program was started with it switched off.
        ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));
        ASSERT_TRUE(SetConsoleOutputCP(kFound));
        gPassedOn = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ASSERT_NE(gPassedOn, nullptr);
        ASSERT_TRUE(SetConsoleCtrlHandler(StandInForTheSystem, TRUE));
    }
    void TearDown() override
    {
        SetConsoleCtrlHandler(StandInForTheSystem, FALSE);
        if (gPassedOn != nullptr)
            CloseHandle(gPassedOn);
        FreeConsole();
    }
};

}  // namespace

TEST_F(ConsoleBreak, EveryEventGivesTheConsoleItsCodePageBackAndEndsTheProgram)
{
    {
        const ConsoleCodePage codePage;
        ASSERT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
        for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT}) {
            SCOPED_TRACE(event);
            EXPECT_FALSE(ConsoleCodePage::OnControl(event)) << "the system's handler must end the program";
            EXPECT_EQ(GetConsoleOutputCP(), kFound);
            ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));
        }
    }
    EXPECT_EQ(GetConsoleOutputCP(), kFound);
}

TEST_F(ConsoleBreak, CtrlCOutsideARunGivesTheCodePageBackBeforeTheProgramEnds)
{
    // As in lookup and undo, which have no handler of their own.
    const ConsoleCodePage codePage;
    ASSERT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(gPassedOn, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(GetConsoleOutputCP(), kFound);
}

TEST_F(ConsoleBreak, TheRunsFirstAndSecondCtrlCBothGiveTheCodePageBack)
{
    const ConsoleCodePage codePage;
    ConsoleProgress progress;
    ASSERT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    // The first asks the run to stop after the file in hand; the program goes on.
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    ASSERT_TRUE(WaitFor([&] { return progress.Cancelled(); }));
    EXPECT_EQ(GetConsoleOutputCP(), kFound);
    EXPECT_EQ(WaitForSingleObject(gPassedOn, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    // The second ends the program.
    ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
    ASSERT_EQ(WaitForSingleObject(gPassedOn, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(GetConsoleOutputCP(), kFound);
}
