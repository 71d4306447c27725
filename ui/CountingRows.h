// The file list's rows as one run sees them: passes every cell on to the list and counts the
// results, so that the window can say how the run went. A row whose run gave it no target loses
// the target an earlier run left in it.
#pragma once

#include <vector>

#include "engine/RunSummary.h"
#include "ui/FileRows.h"

class CountingRows : public RunRows {
public:
    explicit CountingRows(FileRows& rows) : rows_(rows), reached_(static_cast<size_t>(rows.Count()), false)
    {
        counts_.listed = rows.Count();
    }

    int Count() const override { return rows_.Count(); }
    std::string Source(int row) const override { return rows_.Source(row); }
    void SetTarget(int row, const std::string& text) override
    {
        targetRow_ = row;
        rows_.SetTarget(row, text);
    }
    void SetResult(int row, const RowResult& result) override
    {
        if (targetRow_ != row)
            rows_.SetTarget(row, {});
        rows_.SetResult(row, result);
        counts_.Add(result);
        if (row >= 0 && static_cast<size_t>(row) < reached_.size())
            reached_[static_cast<size_t>(row)] = true;
    }
    void EnsureVisible(int row) override { rows_.EnsureVisible(row); }

    const RunCounts& Counts() const { return counts_; }
    // Companion files are placed right after their photo, so the rows a run reaches need not
    // be the first ones.
    bool Reached(int row) const { return reached_[static_cast<size_t>(row)]; }

private:
    FileRows& rows_;
    RunCounts counts_;
    std::vector<bool> reached_;
    int targetRow_ = -1;
};
