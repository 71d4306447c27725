// The About box (template 158): version text, three link labels and two web commands.
#pragma once
#include "toolkit/Dialog.h"
#include "toolkit/HyperlinkStatic.h"

class AboutDialog : public Dialog {
public:
    AboutDialog();

    HyperlinkStatic homepageLink;
    HyperlinkStatic makerLink;
    HyperlinkStatic supportLink;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
};
