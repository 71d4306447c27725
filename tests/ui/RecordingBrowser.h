// Test helper: a stand-in web browser registered as the open command of the .htm class, for
// tests of the browser fall-back. It records the command line it was started with.
//
// Under Wine 8 HKEY_CLASSES_ROOT does not merge HKCU\Software\Classes, so the registration is
// made through HKEY_CLASSES_ROOT itself, the view the program reads; it is removed again (and
// a previous .htm class restored) when the object goes.
#pragma once
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

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

        HKEY key = nullptr;
        hadHtm_ = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
        if (hadHtm_) {
            char value[520] = "";
            DWORD size = sizeof value - 1;
            if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
                ERROR_SUCCESS)
                oldClass_ = value;
            RegCloseKey(key);
        }
        std::string line = command;
        size_t at = line.find("{browser}");
        if (at != std::string::npos)
            line.replace(at, 9, Quoted());
        ok_ = GetFileAttributesA(program_.c_str()) != INVALID_FILE_ATTRIBUTES && SetDefault(".htm", kClass) &&
              (command.empty() || SetDefault(std::string(kClass) + "\\shell\\open\\command", line));
    }
    ~RecordingBrowser()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kClass);
        if (hadHtm_)
            SetDefault(".htm", oldClass_);
        else
            RegDeleteTreeA(HKEY_CLASSES_ROOT, ".htm");
        if (!record_.empty())
            DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("QM_RECORD_FILE", nullptr);
    }
    RecordingBrowser(const RecordingBrowser&) = delete;
    RecordingBrowser& operator=(const RecordingBrowser&) = delete;

    bool ok() const { return ok_; }
    std::string Quoted() const { return "\"" + program_ + "\""; }
    bool Started() const { return GetFileAttributesA(record_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The command line the stand-in was started with; "" if it did not start within 10 s.
    std::string CommandLine() const
    {
        PumpUntil([&] { return Started(); }, 10000);
        std::ifstream in(record_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    static constexpr const char* kClass = "Quillmere.TestBrowserClass";
    static bool SetDefault(const std::string& subKey, const std::string& value)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        LONG status = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    }

    std::string program_;
    std::string record_;
    bool hadHtm_ = false;
    bool ok_ = false;
    std::string oldClass_;
};
