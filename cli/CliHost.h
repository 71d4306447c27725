// The console stand-ins for the main window during an organize run: rows that print each file's
// line when its result is known, a progress line on the terminal, and a host that prints the
// window's messages.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliReport.h"
#include "engine/RunInterfaces.h"

// Progress on standard error when it is a console, with the run's bytes and time left before the
// file's line; Ctrl+C or Ctrl+Break asks the run to stop after the file in hand, or within the
// copy or comparison under way (a second one ends the program at once).
class ConsoleProgress : public RunProgress {
public:
    ConsoleProgress();
    ~ConsoleProgress() override;
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void SetText(const std::string& text) override;
    void SetDetail(const std::string& text) override;
    void SetRange(int, int) override { }
    void SetPosition(int) override { }
    void SetStep(int) override { }
    void Step() override { }
    bool Cancelled() const override;
    void Close() override { ClearLine(); }
    // Takes the progress line off the screen so that other output starts on a clean line.
    void ClearLine();

private:
    void Show();

    void* console_ = nullptr;  // standard error's console handle, null when it is not one
    std::string text_;
    std::string detail_;
    unsigned width_ = 80;
    unsigned long lastShown_ = 0;
    bool lineShown_ = false;
};

class PrintingRows : public RunRows {
public:
    // Lines go to out; when out shares the console with the progress line, that line is
    // cleared first.
    PrintingRows(std::vector<std::string> sources, std::FILE* out, ConsoleProgress* sharedConsole);

    int Count() const override { return static_cast<int>(sources_.size()); }
    std::string Source(int row) const override { return sources_.at(row); }
    void EnsureVisible(int) override { }
    void EndRow(int row, const RunRecord& record) override;
    const RunTally& Tally() const { return tally_; }
    // Each row's CSV line goes to report as its result is known (the header is the caller's),
    // with the backup column last when the run makes backups.
    void SetReport(std::FILE* report, bool backupColumn)
    {
        report_ = report;
        backupColumn_ = backupColumn;
    }

private:
    std::vector<std::string> sources_;
    std::FILE* report_ = nullptr;
    bool backupColumn_ = false;
    std::FILE* out_;
    ConsoleProgress* sharedConsole_;
    RunTally tally_;
};

class CliHost : public RunHost {
public:
    explicit CliHost(ConsoleProgress& progress);

    void ShowMessage(const std::string& text, MessageKind icon) override;
    void EnableInput(bool) override { }
    RunProgress& ShowProgress() override { return progress_; }
    void Pump() override { }

private:
    ConsoleProgress& progress_;
};
