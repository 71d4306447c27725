#include "engine/RowTexts.h"

#include <cstdio>

#include "engine/RunSummary.h"

namespace {

const char kFileTimeLead[] = "file ";

std::string DateText(const DateTime& date)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month, date.day,
                  date.hour, date.minute, date.second);
    return text;
}

}  // namespace

RowTexts RowTextsOf(const RunRecord& record)
{
    RowTexts texts;
    texts.target = record.target;
    texts.result = record.result.text;
    if (!record.dateOrigin.empty()) {
        texts.date = DateText(record.date);
        texts.dateOrigin = record.dateOrigin;
    }
    texts.place = record.place;
    texts.hash = record.copyHash;
    texts.backup = record.backup;
    return texts;
}

bool PlacedByFileTime(const RunRecord& record, bool fileTimeFallback)
{
    return fileTimeFallback && record.dateOrigin.rfind(kFileTimeLead, 0) == 0 &&
           record.result.outcome == RowOutcome::Done && record.result.text == "OK";
}

RowTexts WindowRowTexts(const RunRecord& record, bool fileTimeFallback)
{
    RowTexts texts = RowTextsOf(record);
    RowResult shown = record.result;
    if (PlacedByFileTime(record, fileTimeFallback))
        shown.text = "OK (date " + record.dateOrigin.substr(sizeof kFileTimeLead - 1) + ")";
    texts.result = record.preview ? PreviewResultText(shown, record.move) : shown.text;
    return texts;
}
