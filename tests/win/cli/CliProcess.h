// Runs the built quillmere-cli.exe as a child process with its standard output and error sent to
// files, and hands back what it printed and its exit status.
#pragma once

#include <map>
#include <string>
#include <vector>

struct CliOutcome {
    bool started = false;
    unsigned long exitCode = 0;
    std::string out;
    std::string err;
};

// The program in the shippable folder.
std::string CliProgram();

CliOutcome RunCli(const std::vector<std::string>& args);
// The same for a copy of the program elsewhere (with another metadata tool beside it).
CliOutcome RunCliProgram(const std::string& program, const std::vector<std::string>& args);

// The same for a command line as typed, quotes and all.
CliOutcome RunCommandLine(const std::string& commandLine);

// The command line that starts the program with args (for tests that start it themselves).
std::string CliCommandLine(const std::vector<std::string>& args);
// Starts a command line for a test that ends it by force: without a console, its output sent to
// NUL. The process handle (the caller closes it), or null when it did not start.
void* StartCliToEndByForce(const std::string& commandLine);

// The hash the report gives a file copied with the bytes path holds.
std::string ReportHashOf(const std::string& path);

// The lines of a text without their line ends.
std::vector<std::string> Lines(const std::string& text);
// The same, each cut to its first columns (tab-separated), for tests of the columns before a
// later one they do not look at (lookup --explain's place).
std::vector<std::string> FirstColumns(const std::string& text, int columns);

// Every folder (with a trailing backslash) and file (with its content) below folder.
std::map<std::string, std::string> Snapshot(const std::string& folder);
