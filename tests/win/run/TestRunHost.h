// A stand-in for the main window in organize-run tests: a hidden owner window with the window's
// own virtual list for the rows, the real progress window, and recorded messages. Everything
// the run touches besides the window is real: files, folders, the log, the JPEG reader.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/PrepareRun.h"
#include "engine/RunFileSystem.h"
#include "engine/RunInterfaces.h"
#include "ui/FileRows.h"

class ProgressDialog;

struct ShownMessage {
    std::string text;
    MessageKind icon;
};

// A bytes line the run gave its progress window, with the line of the row shown at the time.
struct ShownDetail {
    std::string row;
    std::string detail;
};

// The progress window as the run sees it: the real one, every line it is given recorded, and the
// test told each time the run asks whether Cancel was pressed.
class RecordingProgress : public RunProgress {
public:
    RecordingProgress(RunProgress& window, std::vector<ShownDetail>& details,
                      const std::function<void()>& onCancelAsked)
        : window_(window), details_(details), onCancelAsked_(onCancelAsked)
    { }

    void SetText(const std::string& text) override
    {
        row_ = text;
        window_.SetText(text);
    }
    void SetTitle(const std::string& text) override { window_.SetTitle(text); }
    void SetDetail(const std::string& text) override
    {
        details_.push_back({row_, text});
        window_.SetDetail(text);
    }
    void SetRange(int low, int high) override { window_.SetRange(low, high); }
    void SetPosition(int position) override { window_.SetPosition(position); }
    void SetStep(int step) override { window_.SetStep(step); }
    void Step() override { window_.Step(); }
    bool Cancelled() const override
    {
        if (onCancelAsked_)
            onCancelAsked_();
        return window_.Cancelled();
    }
    void Close() override { window_.Close(); }

private:
    RunProgress& window_;
    std::vector<ShownDetail>& details_;
    const std::function<void()>& onCancelAsked_;
    std::string row_;
};

class TestRunHost : public RunHost {
public:
    TestRunHost();
    ~TestRunHost() override;

    OrganizeOptions settings;  // what Run prepares and hands to the run
    // Shown by the run, and a refusal as Run shows it, as the window does.
    std::vector<ShownMessage> messages;
    // Runs that started, after which the window saves its settings.
    int savedCount = 0;
    // The setting of the last refusal, which the window focuses.
    RunField focused = RunField::None;
    bool inputEnabled = true;
    int pumps = 0;
    HWND progressWindow = nullptr;
    // Called at every pump with its 1-based number, before the queue is dispatched. Pump 1
    // follows the progress window's creation; with companion files off, row k's pumps are 2k + 2
    // (before its work) and 2k + 3 (after its Result cell is written).
    std::function<void(int)> onPump;
    // The file system the run uses; the real one when null.
    RunFileSystem* fileSystem = nullptr;
    // The lookup the run asks; a MetaLookup of the run's own when null.
    DateLookup* lookup = nullptr;
    // The attributes the run sees for a source; the file system's when null (no test can make a
    // file that a cloud service keeps online).
    std::function<std::uint32_t(const std::string&)> attributes;
    // By source, the attributes the listing of its folder gave the run, as it passed them on.
    std::map<std::string, std::uint32_t> listedAttributes;
    // Every bytes line of the last run's progress window, in order.
    std::vector<ShownDetail> details;
    // Called each time the run asks whether Cancel was pressed (a test slows the window with it).
    std::function<void()> onCancelAsked;

    HWND Owner() const { return owner_; }
    HWND List() const { return list_; }
    FileRows& Rows() { return rows_; }
    void AddRow(const std::string& source);
    void ClearRows() { view_.RemoveAll(); }
    std::string Target(int row) { return rows_.Target(row); }
    std::string Result(int row) { return rows_.Result(row); }
    void Run(bool move);

    void ShowMessage(const std::string& text, MessageKind icon) override { messages.push_back({text, icon}); }
    void EnableInput(bool enable) override { inputEnabled = enable; }
    std::uint32_t SourceAttributes(const std::string& path, std::uint32_t listed) override
    {
        listedAttributes[path] = listed;
        return attributes ? attributes(path) : RunHost::SourceAttributes(path, listed);
    }
    RunProgress& ShowProgress() override;
    void Pump() override;

private:
    std::optional<RecordingProgress> progress_;
    HWND owner_ = nullptr;
    HWND list_ = nullptr;
    VirtualListCtrl view_ {3};
    FileRows rows_ {view_};
};
