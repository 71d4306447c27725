// The file list's rows as the organize run sees them: Source File, Target File, Result and Date
// from cells of the list, in display order, and two cells the list does not show (the date used
// and the place), for the rows' report. Each row's kind is its last outcome, for the filters.
#pragma once

#include "engine/RowTexts.h"
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
    // The row's texts as the report has them.
    RowTexts Texts(int row) const
    {
        RowTexts texts;
        texts.target = Target(row);
        texts.result = Result(row);
        texts.date = Date(row);
        texts.dateOrigin = DateFrom(row);
        texts.place = Place(row);
        return texts;
    }
    void SetTarget(int row, const std::string& text) { list_.SetCell(row, kTargetColumn, text); }
    void SetResult(int row, const RowResult& result)
    {
        list_.SetCell(row, kResultColumn, result.text);
        list_.SetRowKind(row, RowKindOf(result.outcome));
    }
    // An ended row's texts, with its outcome as its kind.
    void ShowRow(int row, RowOutcome outcome, const RowTexts& texts)
    {
        list_.SetCell(row, kTargetColumn, texts.target);
        list_.SetCell(row, kResultColumn, texts.result);
        list_.SetCell(row, kDateColumn, texts.date);
        list_.SetCell(row, kDateFromColumn, texts.dateOrigin);
        list_.SetCell(row, kPlaceColumn, texts.place);
        list_.SetRowKind(row, RowKindOf(outcome));
    }
    // A photo the run built no target for keeps the one it showed before (a companion that stays
    // shows none); the window's own rows (CountingRows) clear it.
    void EndRow(int row, const RunRecord& record) override
    {
        RowTexts texts = RowTextsOf(record);
        if (texts.target.empty() && !record.companion)
            texts.target = Target(row);
        ShowRow(row, record.result.outcome, texts);
    }
    void EnsureVisible(int row) override { list_.ShowRow(row); }

private:
    VirtualListCtrl& list_;
};
