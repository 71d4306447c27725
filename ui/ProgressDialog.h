// The small modeless window shown while an organize run works: the file being processed, a
// progress bar, the bytes done with the time left, and a Cancel button. It lives on the heap and deletes
// itself once its window is gone; the run closes it with Close and does not touch it afterwards.
#pragma once

#include "engine/RunInterfaces.h"
#include "toolkit/Dialog.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/Static.h"

class ProgressDialog : public Dialog, public RunProgress {
public:
    // Creates and shows the window over owner; null when it cannot be created.
    static ProgressDialog* Open(HWND owner);

    void SetText(const std::string& text) override;
    void SetDetail(const std::string& text) override;
    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    void SetStep(int step) override;
    void Step() override;
    bool Cancelled() const override { return cancelled_ != 0; }
    // Posts the close request that ends the window.
    void Close() override;

protected:
    ProgressDialog();
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override { }
    void OnCancel() override { }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    Static text_;
    Static detail_;
    ProgressBar bar_;
    int cancelled_ = 0;
    bool closing_ = false;
};
