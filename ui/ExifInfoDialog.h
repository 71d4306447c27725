// The Meta/EXIF window: every metadata field of one file as name/value rows, as the metadata
// tool reports them, with Copy to the clipboard and stepping to the previous or next file of the
// main window's list. It remembers its placement and column widths.
#pragma once

#include <string>

#include "metadata/MetaToolRunner.h"
#include "toolkit/AnchoredDialog.h"
#include "toolkit/SortListCtrl.h"

// The list the window steps through: each call moves the selection and returns the new row's path.
class RowNavigator {
public:
    virtual ~RowNavigator() = default;
    virtual std::string SelectPreviousRow() = 0;
    virtual std::string SelectNextRow() = 0;
};

class ExifInfoDialog : public AnchoredDialog {
public:
    // navigator may be null: Previous and Next then do nothing.
    ExifInfoDialog(std::string path, RowNavigator* navigator, MetaToolConfig toolConfig = {});

    const std::string& CurrentPath() const { return path_; }
    // How many times a file was loaded (the first load included).
    int LoadCount() const { return loads_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnDestroy() override;

private:
    void ReadPlacement();
    void SavePlacement();
    void Load();
    void Step(bool next);
    void CopyToClipboard();

    std::string path_;
    RowNavigator* navigator_;
    MetaToolConfig toolConfig_;
    SortListCtrl list_;
    RECT saved_ {0, 0, 0, 0};
    DWORD maximized_ = 0;
    DWORD nameWidth_ = 200;
    DWORD valueWidth_ = 340;
    DWORD widthDpi_ = 96;  // the DPI the two widths were saved at
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    int loads_ = 0;
};
