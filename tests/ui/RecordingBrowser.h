// Test helper: a stand-in web browser registered as the open command of the .htm class, for
// tests of the browser fall-back. It records the command line it was started with.
//
// The registration is per user (and under Wine in HKEY_CLASSES_ROOT too, see ClassKeyForTest);
// it is removed again, and a previous .htm class restored, when the object goes.
#pragma once
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/ClassKeyForTest.h"
#include "tests/support/PumpUntil.h"
#include "toolkit/ShellServices.h"

class RecordingBrowser {
public:
    // A scheme no program handles, so that the shell fails and the fall-back runs.
    static constexpr const char* kUnhandledScheme = "qmnohandler:";

    // command: the registered command line with "{browser}" standing for the quoted path of
    // the stand-in; empty registers the class without an open command.
    explicit RecordingBrowser(const std::string& command)
    {
        char folder[520];
        if (!GetProgramFolder(folder, sizeof folder))
            return;
        program_ = std::string(folder) + "record_command_line.exe";
        char temp[MAX_PATH];
        if (GetTempPathA(sizeof temp, temp) == 0)
            return;
        record_ = std::string(temp) + "quillmere-browser-command.txt";
        DeleteFileA(record_.c_str());
        if (!SetEnvironmentVariableA("QM_RECORD_FILE", record_.c_str()))
            return;

        std::string line = command;
        size_t at = line.find("{browser}");
        if (at != std::string::npos)
            line.replace(at, 9, Quoted());
        ok_ = GetFileAttributesA(program_.c_str()) != INVALID_FILE_ATTRIBUTES &&
              htm_.SetDefault("", kClass) &&
              (command.empty() || class_.SetDefault("shell\\open\\command", line));
    }
    ~RecordingBrowser()
    {
        if (!record_.empty())
            DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("QM_RECORD_FILE", nullptr);
    }
    RecordingBrowser(const RecordingBrowser&) = delete;
    RecordingBrowser& operator=(const RecordingBrowser&) = delete;

    bool ok() const { return ok_; }
    std::string Quoted() const { return "\"" + program_ + "\""; }
    bool Started() const { return GetFileAttributesA(record_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The command line the stand-in was started with; "" if it did not write one within 10 s.
    // The record is read until it holds text: the file exists a moment before its line is in it.
    std::string CommandLine() const
    {
        std::string line;
        PumpUntil(
                [&] {
                    std::ifstream in(record_, std::ios::binary);
                    std::stringstream text;
                    text << in.rdbuf();
                    line = text.str();
                    return !line.empty();
                },
                10000);
        return line;
    }

private:
    static constexpr const char* kClass = "Quillmere.TestBrowserClass";
    std::string program_;
    std::string record_;
    qmtest::ClassKeyForTest htm_ {".htm"};
    qmtest::ClassKeyForTest class_ {kClass};
    bool ok_ = false;
};
