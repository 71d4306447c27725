// The file list's rows as the organize run sees them: Source File, Target File, Result and Date
// from cells of the list, in display order, and two cells the list does not show (the date used
// and the place), for the rows' report. Each row's kind is its last outcome, for the filters.
#pragma once

#include <cstdio>

#include "engine/RunInterfaces.h"
#include "toolkit/VirtualListCtrl.h"

enum FileColumn {
    kSourceColumn = 0,
    kTargetColumn = 1,
    kResultColumn = 2,
    kDateFromColumn = 3,
    kDateColumn = 4,  // not shown
    kPlaceColumn = 5,  // not shown
    kFileCells = 6
};

// The rows' kinds: one bit per outcome; a row no run has reached yet has none.
enum RowKindBit : unsigned { kRowDone = 1, kRowSkipped = 2, kRowFailed = 4 };

inline unsigned RowKindOf(RowOutcome outcome)
{
    switch (outcome) {
    case RowOutcome::Done: return kRowDone;
    case RowOutcome::Skipped: return kRowSkipped;
    case RowOutcome::Failed: return kRowFailed;
    }
    return 0;
}

class FileRows : public RunRows {
public:
    explicit FileRows(VirtualListCtrl& list) : list_(list) { }

    int Count() const override { return list_.RowCount(); }
    std::string Source(int row) const override { return list_.Cell(row, kSourceColumn); }
    std::string Target(int row) const { return list_.Cell(row, kTargetColumn); }
    std::string Result(int row) const { return list_.Cell(row, kResultColumn); }
    std::string DateFrom(int row) const { return list_.Cell(row, kDateFromColumn); }
    std::string Date(int row) const { return list_.Cell(row, kDateColumn); }
    std::string Place(int row) const { return list_.Cell(row, kPlaceColumn); }
    void SetTarget(int row, const std::string& text) override { list_.SetCell(row, kTargetColumn, text); }
    void SetResult(int row, const RowResult& result) override
    {
        list_.SetCell(row, kResultColumn, result.text);
        list_.SetRowKind(row, RowKindOf(result.outcome));
    }
    // Where the row's date came from, as the run's report says it.
    void SetDateUsed(int row, const DateTime& date, const std::string& origin) override
    {
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day,
                      date.hour, date.minute, date.second);
        list_.SetCell(row, kDateColumn, text);
        list_.SetCell(row, kDateFromColumn, origin);
    }
    void SetPlaceUsed(int row, const std::string& description) override
    {
        list_.SetCell(row, kPlaceColumn, description);
    }
    void EnsureVisible(int row) override { list_.ShowRow(row); }

private:
    VirtualListCtrl& list_;
};
