// Test helper: catches the message boxes (and other "#32770" dialogs) this thread shows,
// records what they said and answers them, so that code which asks the user can run
// unattended.
//
//   MessageBoxCatcher catcher(IDOK);       // hooks this thread until it goes out of scope
//   RunSomethingThatShowsAMessage();
//   ASSERT_EQ(catcher.Caught().size(), 1u);
//   EXPECT_EQ(catcher.Caught()[0].text, "...");
//   EXPECT_EQ(catcher.Caught()[0].icon, MessageIcon::Exclamation);
//
// The catcher works through a WH_CBT hook at HCBT_ACTIVATE: when a "#32770" window is
// activated for the first time it records the caption, the message text (static 0xFFFF)
// and the icon, then posts WM_COMMAND with the chosen button, which the dialog's own modal
// loop delivers. The icon is told apart by its handle (STM_GETICON on the child statics
// compared with the system's shared icons) because its control ID differs between systems.
// One catcher per thread at a time.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum class MessageIcon { None, Exclamation, Information, Error, Question, Other };

struct CaughtDialog {
    HWND window;  // no longer valid once answered
    std::string caption;
    std::string text;
    MessageIcon icon;
};

class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(int answer = IDOK);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    bool Installed() const { return hook_ != nullptr; }
    // The button (IDOK, IDCANCEL, IDYES, IDNO ...) pressed on the next dialogs.
    void SetAnswer(int answer) { answer_ = answer; }
    // Instead of pressing a button, hands each caught dialog to the action (after recording
    // it); the action must see to it that the dialog ends, for example by posting a command.
    void SetAction(std::function<void(HWND)> action) { action_ = std::move(action); }
    // Catches only message boxes (dialogs with the text static), leaving other dialogs, such as a
    // progress window, to the code under test.
    void OnlyMessageBoxes() { onlyMessageBoxes_ = true; }
    // Leaves a dialog alone (the window under test is a "#32770" too, and is activated again
    // when a message box over it closes).
    static void Ignore(HWND dialog);
    const std::vector<CaughtDialog>& Caught() const { return caught_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    void Catch(HWND dialog);

    HHOOK hook_ = nullptr;
    int answer_;
    std::function<void(HWND)> action_;
    bool onlyMessageBoxes_ = false;
    std::vector<CaughtDialog> caught_;
};

// The icon a dialog shows, by comparing its statics' icons with the system's shared ones.
MessageIcon IconOf(HWND dialog);
