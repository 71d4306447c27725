// What an organize run tells the window that starts it, so that a run can work against the main
// window, the command-line program or a test. The run only reports through these: it asks nothing
// of its caller and calls no window back for a decision.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/RunRecord.h"

// The result of a row whose file an earlier row reached under another name.
inline constexpr const char* kDuplicateLead = "Same file as ";
inline std::string DuplicateText(const std::string& firstName)
{
    return kDuplicateLead + ("\"" + firstName + "\"; skipped");
}

// With Takeout dates on: the mark at the end of the result of a file that no sidecar of its folder
// belongs to, and the result of a sidecar that belongs to no file. The summaries count both.
inline constexpr std::string_view kNoTakeoutSidecarMark = " (no Takeout sidecar)";
inline constexpr const char* kLoneTakeoutSidecarText = "Takeout sidecar of no file; skipped";
inline bool HasNoTakeoutSidecarMark(const std::string& text)
{
    return text.size() >= kNoTakeoutSidecarMark.size() &&
           text.compare(text.size() - kNoTakeoutSidecarMark.size(), std::string::npos,
                        kNoTakeoutSidecarMark) == 0;
}

// With backups on: what follows the text of a placed row for its second copy, "; backup to PATH"
// or ", backup failed: REASON" (the row stays OK: its file is in the library). The summaries count
// the failed ones.
inline constexpr std::string_view kBackupToMark = "; backup to ";
inline constexpr std::string_view kBackupFailedMark = ", backup failed: ";
inline bool HasBackupFailedMark(const std::string& text)
{
    return text.find(kBackupFailedMark) != std::string::npos;
}

// The rows of the file list, in processing order.
class RunRows {
public:
    virtual ~RunRows() = default;
    virtual int Count() const = 0;
    virtual std::string Source(int row) const = 0;
    virtual void EnsureVisible(int row) = 0;
    // The row ended: what the run did with it. A row the run did not reach gets none.
    virtual void EndRow(int row, const RunRecord& record) = 0;
};

// The progress window. It stays valid until Close; Close is the run's last call on it.
class RunProgress {
public:
    virtual ~RunProgress() = default;
    virtual void SetText(const std::string& text) = 0;
    // The window's title: what the run does.
    virtual void SetTitle(const std::string&) { }
    // The line under it: the bytes done of the run's, the time left and the pace.
    virtual void SetDetail(const std::string&) { }
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void SetStep(int step) = 0;
    virtual void Step() = 0;
    virtual bool Cancelled() const = 0;
    virtual void Close() = 0;
};

enum class MessageKind { Warning, Information };

// Message boxes with the caption "Quillmere", owned by the window in front.
class RunMessages {
public:
    virtual ~RunMessages() = default;
    virtual void ShowMessage(const std::string& text, MessageKind icon) = 0;
};

// The window that starts a run. Its messages are the log's and the journal's; a refusal of the
// request comes back in the run's decision.
class RunHost : public RunMessages {
public:
    virtual void EnableInput(bool enable) = 0;
    // Creates and shows the progress window.
    virtual RunProgress& ShowProgress() = 0;
    // Lets the window paint and take input (the progress window's Cancel) between files and
    // while one is copied or compared.
    virtual void Pump() = 0;
    // The attributes the file system gives for a source (FileAttribute::kInvalid when it cannot be
    // reached), asked before anything of the file is read: a file kept only online is not opened.
    // listed is what the listing of the source's folder gave (kInvalid when it holds no such
    // file): the file itself is asked only then.
    virtual std::uint32_t SourceAttributes(const std::string& path, std::uint32_t listed);
};

// Stands in when no progress window can be shown: the run goes on without one.
class NullProgress : public RunProgress {
public:
    void SetText(const std::string&) override { }
    void SetRange(int, int) override { }
    void SetPosition(int) override { }
    void SetStep(int) override { }
    void Step() override { }
    bool Cancelled() const override { return false; }
    void Close() override { }
};
