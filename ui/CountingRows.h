// The file list's rows as one run sees them: passes every cell on to the list and counts the
// results, so that the window can say how the run went. A row whose run gave it no target loses
// the target an earlier run left in it. The list follows the run a few times a second, not row by
// row: scrolling the list for every file would cost more than the file.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/RunSummary.h"
#include "ui/FileRows.h"

class CountingRows : public RunRows {
public:
    // A preview's rows say what the run would do (previewMove: what a move would do).
    // fileTimeFallback: the run's mode takes a file time when a file has no capture date.
    CountingRows(FileRows& rows, bool preview, bool previewMove, bool fileTimeFallback)
        : rows_(rows), reached_(static_cast<size_t>(rows.Count()), false), preview_(preview),
          previewMove_(previewMove), fileTimeFallback_(fileTimeFallback)
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
        RowResult shown = result;
        if (fileTimeRow_ == row && result.outcome == RowOutcome::Done && result.text == "OK") {
            shown.text = "OK (date " + fileTime_ + ")";
            ++counts_.byFileTime;
        }
        rows_.SetResult(row,
                        preview_ ? RowResult {shown.outcome, PreviewResultText(shown, previewMove_)} : shown);
        counts_.Add(result);
        if (row >= 0 && static_cast<size_t>(row) < reached_.size())
            reached_[static_cast<size_t>(row)] = true;
    }
    // In a mode that takes the capture date first, a file placed by a file time says so.
    void SetDateUsed(int row, const DateTime& date, const std::string& origin) override
    {
        rows_.SetDateUsed(row, date, origin);
        const std::string lead = "file ";
        fileTimeRow_ = fileTimeFallback_ && origin.rfind(lead, 0) == 0 ? row : -1;
        fileTime_ = origin.substr(std::min(origin.size(), lead.size()));
    }
    void SetPlaceUsed(int row, const std::string& description) override
    {
        rows_.SetPlaceUsed(row, description);
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
    int targetRow_ = -1;
    bool preview_;
    bool previewMove_;
    bool fileTimeFallback_;
    int fileTimeRow_ = -1;  // the row whose date came from a file time
    std::string fileTime_;  // which: "modified", "created" or "accessed"
    static constexpr ULONGLONG kScrollIntervalMs = 100;
    ULONGLONG lastScroll_ = 0;
    int lastShown_ = -1;
};
