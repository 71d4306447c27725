// The program's one top-level window: the file list, the organize settings and the commands
// that run, all on dialog template 102. It owns the settings record for the program's life and
// saves it when it closes.
#pragma once

#include <string>
#include <vector>

#include "engine/JournalFormat.h"
#include "engine/OrganizeOptions.h"
#include "engine/OrganizeRun.h"
#include "engine/RunInterfaces.h"
#include "engine/RunSummary.h"
#include "toolkit/AnchoredDialog.h"
#include "toolkit/ComboBox.h"
#include "toolkit/VirtualListCtrl.h"
#include "ui/ExifInfoDialog.h"
#include "ui/FileList.h"
#include "ui/FileRows.h"
#include "ui/PreviewPane.h"

class MainDialog : public AnchoredDialog, public RunHost, public RowNavigator {
public:
    // Sets every setting to its default and loads the stored ones.
    MainDialog();
    ~MainDialog() override;

    OrganizeOptions& Options() { return options_; }
    FileList& Files() { return files_; }
    VirtualListCtrl& List() { return list_; }

    // Moves the list's selection one row up or down (staying at the ends) and returns the new
    // row's source path.
    std::string SelectPreviousRow() override;
    std::string SelectNextRow() override;

    // The photo preview beside the list (View, Photo Preview).
    PreviewPane& Preview() { return preview_; }

    // Files and folders to list once the window is up (the program's command line): folders as
    // Add Folder lists them; paths that name nothing are reported in one message.
    void ListAtStart(std::vector<std::string> paths) { startPaths_ = std::move(paths); }

    // The status bar's summary of how the last run went; it stays until the list changes.
    void ShowRunSummary(RunKind kind, const RunCounts& counts);

    // Writes the rows the list shows as a CSV report (the columns of the command line's report),
    // whole or not at all; false with the reason when it cannot.
    bool SaveRowsReport(const std::string& path, std::string& error) const;

    // Where the Meta/EXIF window finds the metadata tool (tests point it elsewhere).
    MetaToolConfig& ToolConfig() { return toolConfig_; }

    // RunHost: what an organize run tells the window.
    void EnableInput(bool enable) override;
    RunProgress& ShowProgress() override;
    void Pump() override;
    void ShowMessage(const std::string& text, MessageKind icon) override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    LRESULT OnNotify(NMHDR* header) override;
    // Escape does nothing: the window closes only by Close, Exit or its close box. Enter opens
    // the Meta/EXIF window when the focus is in the list and does nothing elsewhere.
    void OnOK() override;
    void OnCancel() override { }
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Start-up and closing.
    void InsertColumns();
    void FitTagButtons();
    void FillModes();
    void FillTemplateCombo(int id, const char* history, const char* const* presets, size_t presetCount,
                           const std::string& text);
    void FillOutputFolder();
    void RegisterLayout();
    void RestorePlacement();
    void ShowFirstRunHelp();
    void ListStartPaths();
    // The preview pane: shown or hidden, its place beside the list, and the selected row's photo.
    void TogglePreview();
    void FitPreviewPane();
    void UpdatePreview();
    void SaveOnClose();
    // Saves the settings and records the histories of the output folder, file-name, day and month
    // templates, in this order.
    void SaveSettingsAndHistories(const OrganizeOptions& options);

    // The settings and the controls.
    OrganizeMode SelectedMode() const;
    void ReadControls();
    void WriteControls();
    void UpdateExampleLine();
    void ApplyModeEnabling();
    void ApplyOutputFolderEnabling();
    // The combo box's text after an edit or a pick from its list; false for other notifications.
    bool ReadChangedCombo(int id, int code, std::string& setting) const;
    void OnTemplateChanged(int id, int code, std::string& setting);

    // Commands.
    bool DispatchCommand(int id, int code, HWND control);
    // The settings a run depends on, as the controls and the options hold them.
    std::string RunSettingsText() const;
    // focus: the Options control to focus (0: the first).
    void OnOptions(int focus = 0);
    void OnHelpMore();
    void OnAddFiles();
    void OnAddFolder();
    void OnRemove();
    void OnRemoveAll();
    void OnBrowseOutput();
    void OnOpenOutput();
    void OnTagHelp(int id);
    void StartRun(RunKind kind);
    // Puts the focus on the setting a run refused.
    void FocusSetting(RunField field);
    // After anything that adds or removes rows: the last run's summary no longer describes the list.
    void OnListChanged(size_t countBefore);
    // After Add Folder or a drop: when the filter kept every file out, says how many it left out.
    void ReportFilteredOut(size_t countBefore, size_t leftOut);
    void UpdateRowButtons();
    void OnListKey(WORD key);
    void ShowListMenu(POINT at);
    void UpdateMenuItems(HMENU menu);
    void OnRowCommand(int id);
    void OnMetaInfo();
    void OnUndoLastRun();
    void PaintMinimized();
    // The window's keys (Ctrl+Z) for messages the dialog's own loop is about to handle.
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
    std::string SelectOnly(int row);

    // The menu bar, the status bar and the view (MainView.cpp).
    enum StatusPart { kSummaryPart = 0, kTotalPart = 1, kCountsPart = 2, kStatusParts = 3 };
    void CreateStatusBar();
    void LayOutStatusBar();
    void ShowSummary(const std::string& text);
    // The rows' outcomes in the status bar: failed, skipped, and how many the filter shows.
    void UpdateCounts();
    void OnSelectAll();
    void OnViewFilter(int id);
    void OnSaveReport();
    // Source, Target and Result share what the list gains or loses in width, once the list's
    // width has been measured in the placed window.
    void MeasureListWidth();
    void ShareExtraWidth();
    void ShareWidth(int extra);
    // Widths stored for a wider list (a larger screen, a lower DPI, the designed size on a screen
    // smaller than it) would push columns out of sight: the first three give up what overflows.
    void FitColumnsToList();
    // Tools > Past Runs, and the undo it shares with Undo Last Run (MainUndo.cpp).
    void OnPastRuns();
    void UndoLoadedRun(const std::string& journal, const JournalData& data);
    HWND status_ = nullptr;
    int listWidth_ = 0;  // the list's width the columns were last fitted to; 0 before

    OrganizeOptions options_;
    std::vector<std::string> allowedExts_;
    VirtualListCtrl list_ {kFileCells};
    FileList files_;
    FileRows rows_ {list_};
    HMENU popups_ = nullptr;
    HACCEL keys_ = nullptr;
    HHOOK keyFilter_ = nullptr;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    NullProgress noProgress_;
    static constexpr ULONGLONG kPumpIntervalMs = 25;
    ULONGLONG lastPump_ = 0;  // when Pump last served the queue
    bool previewMove_ = false;  // Preview shows a move: the last run chosen here was one
    bool clearRowsOnStart_ = false;  // the run being prepared clears the rows when it starts
    std::string previewSettings_;  // while a preview's summary shows: the settings it used
    MetaToolConfig toolConfig_;
    std::vector<std::string> startPaths_;
    PreviewPane preview_;
    bool previewShown_ = false;
    bool wasMaximized_ = false;  // to repaint the whole window when it is maximized or restored
};
