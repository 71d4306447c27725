// The file list's rows as the organize run sees them: Source File, Target File and Result cells
// of the list-view control, in display order.
#pragma once

#include "engine/RunInterfaces.h"
#include "toolkit/ListView.h"

enum FileColumn { kSourceColumn = 0, kTargetColumn = 1, kResultColumn = 2 };

class FileRows : public RunRows {
public:
    explicit FileRows(HWND list = nullptr) : list_(list) { }
    void Attach(HWND list) { list_.Attach(list); }

    int Count() const override { return list_.GetItemCount(); }
    std::string Source(int row) const override { return list_.GetItemText(row, kSourceColumn); }
    std::string Target(int row) const { return list_.GetItemText(row, kTargetColumn); }
    std::string Result(int row) const { return list_.GetItemText(row, kResultColumn); }
    void SetTarget(int row, const std::string& text) override
    {
        list_.SetItemText(row, kTargetColumn, text.c_str());
    }
    void SetResult(int row, const RowResult& result) override
    {
        list_.SetItemText(row, kResultColumn, result.text.c_str());
    }
    void EnsureVisible(int row) override { list_.EnsureVisible(row); }

private:
    ListView list_;
};
