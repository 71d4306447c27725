// The file list's rows as one run sees them: passes every cell on to the list and counts the
// results, so that the window can say how the run went. A row whose run gave it no target loses
// the target an earlier run left in it. The list follows the run a few times a second, not row by
// row: scrolling the list for every file would cost more than the file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/RunSummary.h"
#include "ui/FileRows.h"

class CountingRows : public RunRows {
public:
    // fileTimeFallback: the run's mode takes a file time when a file has no capture date.
    CountingRows(FileRows& rows, bool fileTimeFallback)
        : rows_(rows), reached_(static_cast<size_t>(rows.Count()), false), fileTimeFallback_(fileTimeFallback)
    {
        counts_.listed = rows.Count();
    }

    int Count() const override { return rows_.Count(); }
    std::string Source(int row) const override { return rows_.Source(row); }
    // A preview's rows say what the run would do; in a mode that takes the capture date first, a
    // file placed by a file time says so.
    void EndRow(int row, const RunRecord& record) override
    {
        rows_.ShowRow(row, record.result.outcome, WindowRowTexts(record, fileTimeFallback_));
        if (PlacedByFileTime(record, fileTimeFallback_))
            ++counts_.byFileTime;
        counts_.Add(record.result);
        if (row >= 0 && static_cast<size_t>(row) < reached_.size())
            reached_[static_cast<size_t>(row)] = true;
    }
    void EnsureVisible(int row) override
    {
        lastShown_ = row;
        const ULONGLONG now = GetTickCount64();
        if (now - lastScroll_ < kScrollIntervalMs)
            return;
        lastScroll_ = now;
        rows_.EnsureVisible(row);
    }
    // Scrolls to the last row the run asked for, when the run ends.
    void ShowLast()
    {
        if (lastShown_ >= 0)
            rows_.EnsureVisible(lastShown_);
    }

    const RunCounts& Counts() const { return counts_; }
    // Companion files are placed right after their photo, so the rows a run reaches need not
    // be the first ones.
    bool Reached(int row) const { return reached_[static_cast<size_t>(row)]; }

private:
    FileRows& rows_;
    RunCounts counts_;
    std::vector<bool> reached_;
    bool fileTimeFallback_;
    static constexpr ULONGLONG kScrollIntervalMs = 100;
    ULONGLONG lastScroll_ = 0;
    int lastShown_ = -1;
};
