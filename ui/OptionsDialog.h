// The Options dialog: sub-folders for Add Folder and drops, the extension filter, what to do
// when a target exists, the operation log, companion files, dates from file names and cloud
// files, camera clock rules, the time a day begins at, the zone of video times, Takeout dates,
// the library, verified copies and the backup folder. It is given the settings record and edits seventeen of
// its fields (AddFilesInSubfolder, EnableExtFilter, AllowExts, TargetExistsOpt, SaveToLog, LogFile,
// CompanionFiles, NameDates, DownloadCloudFiles, ClockRules, DayBegins, VideoComputerZone,
// TakeoutDates, SkipKnownFiles, VerifyCopies, and the backup's MakeBackup and BackupFolder); Result is the
// given record until OK succeeds, then the record as chosen. The dialog itself stores nothing but the
// histories of its two editable combo boxes, and those only on a successful OK.
#pragma once
#include "toolkit/Dialog.h"

#include <string>

#include "engine/OrganizeOptions.h"

class OptionsDialog : public Dialog {
public:
    // focus: the control that has the focus when the dialog opens (0: the first).
    explicit OptionsDialog(const OrganizeOptions& given, int focus = 0);

    const OrganizeOptions& Result() const { return result_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;

private:
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
    void OnBackupClicked();
    void OnBrowseBackup();
    // The clock rules and the day's start from their boxes; false, with the box focused, after
    // saying what is wrong.
    bool ReadClockControls();

    // What the controls show, as the user works.
    OrganizeOptions values_;
    OrganizeOptions result_;
    int focus_ = 0;
};
