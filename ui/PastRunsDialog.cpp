#include "ui/PastRunsDialog.h"

#include "engine/FileOps.h"
#include "engine/JournalFormat.h"
#include "engine/OrganizeMode.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"
#include "resource.h"

namespace {

enum PastRunColumn { kStartedColumn, kModeColumn, kWhatColumn, kUndoneColumn, kKeptColumn };

// The run's organize mode as the Organize box names it.
std::string ModeText(const JournalData& data)
{
    const OrganizeModeRow* mode = FindOrganizeMode(static_cast<OrganizeMode>(data.header.mode));
    return mode ? mode->windowText : "Mode " + std::to_string(data.header.mode);
}

std::string WhatText(const JournalData& data)
{
    const JournalCounts counts = CountSteps(data);
    std::string text = data.header.move ? "Move: " : "Copy: ";
    text += std::to_string(data.header.move ? counts.moved : counts.copied) +
            (data.header.move ? " moved" : " copied");
    if (counts.failed > 0)
        text += ", " + std::to_string(counts.failed) + " failed";
    if (counts.unfinished > 0)
        text += ", " + std::to_string(counts.unfinished) + " unfinished";
    return text;
}

}  // namespace

PastRunsDialog::PastRunsDialog(std::string runsFolder) : Dialog(IDD_PAST_RUNS), folder_(std::move(runsFolder))
{ }

bool PastRunsDialog::OnInitDialog()
{
    list_.Attach(Item(IDC_PAST_RUNS_LIST));
    list_.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT area {};
    GetClientRect(list_, &area);
    const int width = area.right - area.left;
    list_.InsertColumn(kStartedColumn, "Started", width * 19 / 100);
    list_.InsertColumn(kModeColumn, "Mode", width * 34 / 100);
    list_.InsertColumn(kWhatColumn, "What it did", width * 22 / 100);
    list_.InsertColumn(kUndoneColumn, "Undone", width * 13 / 100);
    list_.InsertColumn(kKeptColumn, "Kept files", width * 10 / 100);
    FillList();
    if (list_.GetItemCount() > 0)
        list_.SelectAndFocus(0);
    OnSelectionChanged();
    return true;
}

void PastRunsDialog::FillList()
{
    FileOps& ops = SystemFileOps();
    std::vector<std::string> kept = KeptJournals(ops, folder_);
    // The newest run first: it is the one most often undone.
    for (auto journal = kept.rbegin(); journal != kept.rend(); ++journal) {
        JournalData data;
        LVITEMA item {};
        item.mask = LVIF_TEXT;
        item.iItem = list_.GetItemCount();
        const Status read = LoadJournal(ops, *journal, data);
        std::string started = read ? data.header.started : "(unreadable: " + read.Reason() + ")";
        item.pszText = started.data();
        const int row = list_.InsertItem(item);
        if (row < 0)
            continue;
        journals_.push_back(*journal);
        if (!read)
            continue;
        list_.SetItemText(row, kModeColumn, ModeText(data).c_str());
        list_.SetItemText(row, kWhatColumn, WhatText(data).c_str());
        list_.SetItemText(row, kUndoneColumn, data.undone ? data.undoneAt.c_str() : "no");
        list_.SetItemText(row, kKeptColumn, std::to_string(KeptFilesOf(ops, *journal).size()).c_str());
    }
    if (kept.empty())
        SetItemText(IDC_PAST_RUNS_STATUS, "No run is kept: runs that move or copy files are listed here.");
}

void PastRunsDialog::OnSelectionChanged()
{
    const int row = list_.SelectedItem();
    if (row < 0 || static_cast<size_t>(row) >= journals_.size()) {
        EnableItem(IDC_PAST_RUNS_UNDO, false);
        return;
    }
    JournalData data;
    const Status canUndo = LoadForUndo(SystemFileOps(), journals_[static_cast<size_t>(row)], data);
    EnableItem(IDC_PAST_RUNS_UNDO, canUndo.Ok());
    SetItemText(IDC_PAST_RUNS_STATUS, canUndo ? "" : "This run cannot be undone: " + canUndo.Reason() + ".");
}

bool PastRunsDialog::OnCommand(int id, int, HWND)
{
    if (id != IDC_PAST_RUNS_UNDO)
        return false;
    OnOK();
    return true;
}

LRESULT PastRunsDialog::OnNotify(NMHDR* header)
{
    if (header->idFrom == IDC_PAST_RUNS_LIST && header->code == LVN_ITEMCHANGED &&
        (reinterpret_cast<NMLISTVIEW*>(header)->uChanged & LVIF_STATE))
        OnSelectionChanged();
    return 0;
}

// Enter and Undo choose the selected run, when it can be undone.
void PastRunsDialog::OnOK()
{
    const int row = list_.SelectedItem();
    if (row < 0 || static_cast<size_t>(row) >= journals_.size() || !IsWindowEnabled(Item(IDC_PAST_RUNS_UNDO)))
        return;
    chosen_ = journals_[static_cast<size_t>(row)];
    End(IDOK);
}
