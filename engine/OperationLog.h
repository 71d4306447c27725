// Appends an account of every organize run to the user's log file: a header with the start time,
// one record per processed row, and a footer with the finish time.
#pragma once

#include <windows.h>

#include <string>

#include "base/OwnedHandle.h"
#include "base/Status.h"
#include "engine/RunInterfaces.h"

class OperationLog {
public:
    OperationLog() = default;
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;
    ~OperationLog();

    // Damaged when path names an existing file that is not a log of this program (a photo, a
    // document); it changes nothing, so a run checks this before it starts.
    static Status Check(const std::string& path);
    // Creates the log's folder when needed, opens the file for appending and writes the header.
    // A file that is not a log of this program is refused (damaged) and left as it is; a log
    // another program holds without sharing is in use. A failure's reason is the message the user
    // reads.
    Status Open(const std::string& path);
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
