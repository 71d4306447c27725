// The file list's rows as the organize run sees them: Source File, Target File and Result cells
// of the list, in display order.
#pragma once

#include "engine/RunInterfaces.h"
#include "toolkit/VirtualListCtrl.h"

enum FileColumn { kSourceColumn = 0, kTargetColumn = 1, kResultColumn = 2 };

class FileRows : public RunRows {
public:
    explicit FileRows(VirtualListCtrl& list) : list_(list) { }

    int Count() const override { return list_.RowCount(); }
    std::string Source(int row) const override { return list_.Cell(row, kSourceColumn); }
    std::string Target(int row) const { return list_.Cell(row, kTargetColumn); }
    std::string Result(int row) const { return list_.Cell(row, kResultColumn); }
    void SetTarget(int row, const std::string& text) override { list_.SetCell(row, kTargetColumn, text); }
    void SetResult(int row, const RowResult& result) override
    {
        list_.SetCell(row, kResultColumn, result.text);
    }
    void EnsureVisible(int row) override { list_.EnsureVisible(row); }

private:
    VirtualListCtrl& list_;
};
