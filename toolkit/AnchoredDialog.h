// Base of the resizable dialogs: a sizing frame, controls that follow the window's size,
// no shrinking below the designed size, and less flicker while the frame is dragged.
//
// A derived dialog calls AnchoredDialog::OnInitDialog first in its own OnInitDialog, then
// registers its controls (AnchorItem), then may move the window to a saved rectangle.
// Derived OnMessage and OnDestroy overrides pass what they do not handle on to this class.
#pragma once
#include "toolkit/Dialog.h"
#include "toolkit/LayoutManager.h"
#include "toolkit/SizeLimits.h"

class AnchoredDialog : public Dialog, public LayoutManager {
public:
    using Dialog::Dialog;

    const SizeLimits& Limits() const { return limits_; }

    bool ExcludesFromErase(HWND control) const override;
    bool NeedsFullRepaint(HWND control) const override;
    void GetLayoutArea(RECT& area) const override;
    HWND GetLayoutWindow() const override;

protected:
    bool OnInitDialog() override;
    // Makes the window taller by a band along the bottom of its client area that the layout
    // leaves to the caller (a status bar); called after OnInitDialog, before controls are
    // anchored. The window's smallest size grows by the band too.
    void ReserveBottomBand(int height);
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void MakeResizable();

    SizeLimits limits_;
    bool initialized_ = false;
    int bottomBand_ = 0;
};
