// Appends an account of every organize run to the user's log file: a header with the start time,
// one record per processed row, and a footer with the finish time.
#pragma once

#include <windows.h>

#include <string>

#include "base/OwnedHandle.h"
#include "engine/RunInterfaces.h"

class OperationLog {
public:
    OperationLog() = default;
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;
    ~OperationLog();

    // False, after telling the user, when path names an existing file that is not a log of this
    // program (a photo, a document); it changes nothing, so a run checks this before it starts.
    static bool Check(const std::string& path, RunMessages& messages);
    // Creates the log's folder when needed, opens the file for appending and writes the header.
    // A file that is not a log of this program is refused and left as it is. On failure tells
    // the user through messages and returns false.
    bool Open(const std::string& path, RunMessages& messages);
    bool IsOpen() const { return file_.Valid(); }
    void WriteRecord(const RunRecord& record);
    // Writes the footer and closes the file.
    void Close();

private:
    void Write(const std::string& text);
    // Closes the file without a footer.
    void CloseFile();

    OwnedHandle file_;
};
