// The Options dialog: sub-folders for Add Folder and drops, the extension filter, what to do
// when a target exists, the operation log, companion files and dates from file names. The caller
// copies the eight values in before DoModal and takes them back only when it returns IDOK; after
// Cancel the eight fields hold what was copied in. The dialog itself stores nothing but the histories of its
// two editable combo boxes, and those only on a successful OK.
#pragma once
#include "toolkit/Dialog.h"

#include <cstdint>
#include <string>

#include "engine/OrganizeOptions.h"

class OptionsDialog : public Dialog {
public:
    OptionsDialog();

    std::uint32_t EnableExtFilter = 0;
    std::uint32_t SaveToLog = 0;
    std::uint32_t AddFilesInSubfolder = 1;
    std::string LogFile;
    std::string AllowExts;
    std::uint32_t TargetExistsOpt = static_cast<std::uint32_t>(TargetExistsPolicy::RenameAutomatically);
    std::uint32_t CompanionFiles = 0;
    std::uint32_t NameDates = 0;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    void OnCancel() override;

private:
    struct Values {
        std::uint32_t EnableExtFilter;
        std::uint32_t SaveToLog;
        std::uint32_t AddFilesInSubfolder;
        std::string LogFile;
        std::string AllowExts;
        std::uint32_t TargetExistsOpt;
        std::uint32_t CompanionFiles;
        std::uint32_t NameDates;
    };
    Values Current() const;
    void Restore(const Values& values);

    // Check boxes into the switches, the log combo box's edit text into LogFile.
    void ReadControls();
    void FillExtensionList();
    void FillPolicyList();
    void EnableLogControls(bool enable) const;
    void FocusControl(int id) const;
    void ShowMessage(const std::string& text, UINT icon) const;

    void OnExtensionFilterClicked();
    void OnSaveLogClicked();
    void OnOpenLog();
    void OnBrowseLog();

    // The fields as they were copied in, put back on Cancel.
    Values given_ {};
};
