#include "ui/AboutDialog.h"

#include "engine/PlaceFinder.h"
#include "resource.h"
#include "ui/HelpCommands.h"
#include "ui/ProductInfo.h"
#include "zones/Zones.h"

#include <utility>

AboutLinks ProgramAboutLinks()
{
    return {ProductInfo::kHomePage, ProductInfo::kMakerPage, FeedbackAddress()};
}

AboutDialog::AboutDialog(AboutLinks links) : Dialog(IDD_ABOUT), links_(std::move(links))
{ }

bool AboutDialog::OnInitDialog()
{
    bool result = Dialog::OnInitDialog();
    homepageLink_.Attach(Item(IDC_ABOUT_HOMEPAGE));
    makerLink_.Attach(Item(IDC_ABOUT_MAKER));
    supportLink_.Attach(Item(IDC_ABOUT_SUPPORT));
    SetItemText(IDC_ABOUT_ZONES, zones::ZoneDataText());

    homepageLink_.SetUrl(links_.homepage.c_str());
    makerLink_.SetUrl(links_.makerPage.c_str());
    supportLink_.SetUrl(links_.support.c_str());
    for (HyperlinkStatic* link : {&homepageLink_, &makerLink_, &supportLink_})
        link->SetUnderlineMode(HyperlinkStatic::UnderlineAlways);
    // The place data the program carries, and the credit its licence asks for.
    const std::string places = "Places: " + PlaceTableText() + ".\n" + kPlaceAttribution;
    SetWindowTextA(Item(IDC_ABOUT_PLACES), places.c_str());
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
