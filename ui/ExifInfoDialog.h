// The Meta/EXIF window: every metadata field of one file as name/value rows, as the metadata
// tool reports them, with Copy to the clipboard and stepping to the previous or next file of the
// main window's list. It remembers its placement and column widths.
#pragma once

#include <string>

#include "engine/SettingsStore.h"
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

// What the window is opened with.
struct MetaWindowInput {
    std::string path;
    // May be null: Previous and Next then do nothing.
    RowNavigator* navigator = nullptr;
    // An empty tool path means the program's own metadata tool.
    MetaToolConfig toolConfig;
};

class ExifInfoDialog : public AnchoredDialog {
public:
    explicit ExifInfoDialog(MetaWindowInput input);

    const std::string& CurrentPath() const { return path_; }
    // How many times a file was loaded (the first load included).
    int LoadCount() const { return loads_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnDestroy() override;

private:
    void SavePlacement();
    void Load();
    enum class Direction { Previous, Next };
    void Step(Direction direction);
    void CopyToClipboard();

    std::string path_;
    RowNavigator* navigator_;
    MetaToolConfig toolConfig_;
    SortListCtrl list_;
    MetaWindowPlacement placement_;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    int loads_ = 0;
};
