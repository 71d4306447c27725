// Stands in for the metadata tool where a test needs exact output. Its one argument names a
// script file, one command a line:
//   out TEXT          write TEXT to standard output (escapes: \r \n \t \0 \\ \xHH)
//   err TEXT          the same to standard error
//   repeat N TEXT     write TEXT N times, in large writes
//   sleep MS          pause
//   hang              never end
//   exit CODE         end now with CODE
//   crash             end now as a crashed process does (an access violation's exit code)
//   spawn SCRIPT      start another of itself on SCRIPT, which inherits (and so holds open) the
//                     standard output and error, and go on without waiting for it
//   console           write "Console : attached\r\n" when the tool has a console, else
//                     "Console : none\r\n"
// Unknown lines are ignored, so any file (a JPEG too) is accepted. When the environment holds
// QM_TOOL_LOG, each start appends "argument count|argument" to that file first.
//
// Started as "--batch TOKEN" it speaks the batch protocol: the handshake, then for each path read
// from standard input the script in that file and the end line (each path is logged as
// "path|PATH"). Two more commands there:
//   noend             leave this answer without its end line
//   after TEXT        write TEXT after the end line
//   pause MS          wait that long after the end line before the text of "after", so that the
//                     text arrives in a later read than the end line
// QM_FAKE_HANDSHAKE in the environment changes the start: "none" answers the batch option like a
// one-file tool (a usage error), "wrong" writes another handshake line, "silent" writes nothing
// and waits for input like a tool that ignores the option.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/BatchProtocol.h"

namespace {

constexpr UINT kCrashExitCode = 0xC0000005;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r')
            out += '\r';
        else if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == '0')
            out += '\0';
        else if (c == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                 HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else
            out += c;
    }
    return out;
}

bool WriteAll(HANDLE handle, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!WriteFile(handle, bytes.data() + done, part, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

void LogLine(const std::string& text)
{
    char logPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("QM_TOOL_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    FILE* log = std::fopen(logPath, "ab");
    if (log == nullptr)
        return;
    std::fprintf(log, "%s\n", text.c_str());
    std::fclose(log);
}

bool ReadFileText(const char* path, std::string& text)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        text.append(block, got);
    std::fclose(file);
    return true;
}

enum class ScriptEnd { Done, Exit };

// Starts this program on script with every inheritable handle, its output pipe's among them.
bool SpawnSelf(const std::string& script)
{
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    std::string commandLine = "\"" + std::string(self, length) + "\" \"" + script + "\"";
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

struct ScriptResult {
    ScriptEnd end = ScriptEnd::Done;
    int code = 0;
    bool noEnd = false;
    std::string after;
    DWORD pause = 0;
};

ScriptResult Exit(int code)
{
    ScriptResult result;
    result.end = ScriptEnd::Exit;
    result.code = code;
    return result;
}

ScriptResult RunScript(const std::string& script)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    ScriptResult result;
    std::size_t position = 0;
    while (position < script.size()) {
        std::size_t end = script.find('\n', position);
        if (end == std::string::npos)
            end = script.size();
        std::string line = script.substr(position, end - position);
        position = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();

        const std::size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (command == "out") {
            if (!WriteAll(out, Unescape(rest)))
                return Exit(3);
        } else if (command == "err") {
            if (!WriteAll(err, Unescape(rest)))
                return Exit(3);
        } else if (command == "repeat") {
            const std::size_t gap = rest.find(' ');
            if (gap == std::string::npos)
                return Exit(4);
            long count = std::strtol(rest.c_str(), nullptr, 10);
            const std::string unit = Unescape(rest.substr(gap + 1));
            std::string block;
            while (count > 0) {
                block.clear();
                for (; count > 0 && block.size() < (1 << 16); --count)
                    block += unit;
                if (!WriteAll(out, block))
                    return Exit(3);
            }
        } else if (command == "sleep") {
            Sleep(static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10)));
        } else if (command == "hang") {
            Sleep(INFINITE);
        } else if (command == "exit") {
            return Exit(static_cast<int>(std::strtol(rest.c_str(), nullptr, 10)));
        } else if (command == "console") {
            if (!WriteAll(out, GetConsoleCP() != 0 ? "Console : attached\r\n" : "Console : none\r\n"))
                return Exit(3);
        } else if (command == "crash") {
            TerminateProcess(GetCurrentProcess(), kCrashExitCode);
        } else if (command == "spawn") {
            if (!SpawnSelf(rest))
                return Exit(5);
        } else if (command == "noend") {
            result.noEnd = true;
        } else if (command == "after") {
            result.after += Unescape(rest);
        } else if (command == "pause") {
            result.pause = static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10));
        }
    }
    return result;
}

// One line of standard input without its line break; false at its end.
bool ReadInputLine(std::string& line)
{
    static std::string buffered;
    for (;;) {
        const std::size_t end = buffered.find('\n');
        if (end != std::string::npos) {
            line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return true;
        }
        char block[4096];
        DWORD got = 0;
        if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), block, sizeof block, &got, nullptr) || got == 0)
            return false;
        buffered.append(block, got);
    }
}

std::string EnvironmentText(const char* name)
{
    char value[64];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length == 0 || length >= sizeof value ? std::string() : std::string(value, length);
}

int RunBatch(const std::string& token)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const std::string handshake = EnvironmentText("QM_FAKE_HANDSHAKE");
    if (handshake == "silent") {
        std::string ignored;
        while (ReadInputLine(ignored)) { }
        return 0;
    }
    const std::string first =
            handshake == "wrong" ? "metaprobe batch 0 " + token : batch::HandshakeLine(token);
    if (!WriteAll(out, first + "\r\n"))
        return 3;
    std::string path;
    while (ReadInputLine(path)) {
        LogLine("path|" + path);
        std::string script;
        ReadFileText(path.c_str(), script);
        const ScriptResult result = RunScript(script);
        if (result.end == ScriptEnd::Exit)
            return result.code;
        if (!result.noEnd && !WriteAll(out, batch::EndLine(token) + "\r\n"))
            return 3;
        if (result.pause != 0)
            Sleep(result.pause);
        if (!WriteAll(out, result.after))
            return 3;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    LogLine(std::to_string(argc - 1) + "|" + (argc > 1 ? argv[1] : ""));
    if (argc == 3 && argv[1] == batch::kBatchOption && EnvironmentText("QM_FAKE_HANDSHAKE") != "none")
        return RunBatch(argv[2]);
    std::string script;
    if (argc != 2 || !ReadFileText(argv[1], script))
        return 2;
    const ScriptResult result = RunScript(script);
    return result.end == ScriptEnd::Exit ? result.code : 0;
}
