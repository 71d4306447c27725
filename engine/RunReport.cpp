#include "engine/RunReport.h"

#include <vector>

#include "engine/CsvText.h"

std::string ReportHeader(ReportColumns columns, bool backupColumn)
{
    std::vector<std::string> names {"source", "target", "result", "date", "date source", "place"};
    if (columns == ReportColumns::WithHash)
        names.push_back("hash");
    if (backupColumn)
        names.push_back("backup");
    return "\xEF\xBB\xBF" + CsvLine(names);
}

std::string ReportLine(const std::string& source, const RowTexts& texts, ReportColumns columns,
                       bool backupColumn)
{
    std::vector<std::string> cells {source,     texts.target,     texts.result,
                                    texts.date, texts.dateOrigin, texts.place};
    if (columns == ReportColumns::WithHash)
        cells.push_back(texts.hash);
    if (backupColumn)
        cells.push_back(texts.backup);
    return CsvLine(cells);
}
