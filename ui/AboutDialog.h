// The About box (template 158): version text, three link labels and two web commands.
#pragma once
#include "toolkit/Dialog.h"
#include "toolkit/HyperlinkStatic.h"

#include <string>

// The addresses the About box's three links open.
struct AboutLinks {
    std::string homepage;
    std::string makerPage;
    std::string support;
};

// The program's own addresses.
AboutLinks ProgramAboutLinks();

class AboutDialog : public Dialog {
public:
    explicit AboutDialog(AboutLinks links = ProgramAboutLinks());

    // The link labels, attached while the window exists.
    HyperlinkStatic& HomepageLink() { return homepageLink_; }
    HyperlinkStatic& MakerLink() { return makerLink_; }
    HyperlinkStatic& SupportLink() { return supportLink_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    AboutLinks links_;
    HyperlinkStatic homepageLink_;
    HyperlinkStatic makerLink_;
    HyperlinkStatic supportLink_;
};
