#include "ui/AboutDialog.h"

#include "resource.h"
#include "ui/HelpCommands.h"
#include "ui/ProductInfo.h"

#include <string>

AboutDialog::AboutDialog() : Dialog(IDD_ABOUT)
{ }

bool AboutDialog::OnInitDialog()
{
    bool result = Dialog::OnInitDialog();
    homepageLink.Attach(Item(IDC_ABOUT_HOMEPAGE));
    makerLink.Attach(Item(IDC_ABOUT_MAKER));
    supportLink.Attach(Item(IDC_ABOUT_SUPPORT));

    homepageLink.SetUrl(ProductInfo::kHomePage);
    makerLink.SetUrl(ProductInfo::kMakerPage);
    supportLink.SetUrl(FeedbackAddress().c_str());
    for (HyperlinkStatic* link : {&homepageLink, &makerLink, &supportLink})
        link->SetUnderlineMode(HyperlinkStatic::UnderlineAlways);
    return result;
}

bool AboutDialog::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_ABOUT_UPDATES: CheckForUpdates(); return true;
    case IDC_ABOUT_TELL_FRIEND: TellAFriend(); return true;
    default: return false;
    }
}
