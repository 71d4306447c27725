// A stand-in for the main window in organize-run tests: a hidden owner window with the window's
// own virtual list for the rows, the real progress window, and recorded messages. Everything
// the run touches besides the window is real: files, folders, the log, the JPEG reader.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
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
    // The attributes the run sees for a source; the file system's when null (no test can make a
    // file that a cloud service keeps online).
    std::function<std::uint32_t(const std::string&)> attributes;
    // By source, the attributes the listing of its folder gave the run, as it passed them on.
    std::map<std::string, std::uint32_t> listedAttributes;

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
    HWND owner_ = nullptr;
    HWND list_ = nullptr;
    VirtualListCtrl view_ {3};
    FileRows rows_ {view_};
};
