#include "tests/win/cli/CliProcess.h"

#include <windows.h>

#include "engine/CopyCheck.h"
#include "engine/PathUtils.h"
#include "tests/support/TempTree.h"

namespace {

// One argument in the form the C runtime splits back: quoted, with backslashes doubled where
// they precede a quote.
std::string Quoted(const std::string& arg)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            quoted.append(backslashes * 2 + 1, '\\');
        else
            quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

HANDLE InheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES sa {sizeof sa, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string ProgramCommandLine(const std::string& program, const std::vector<std::string>& args)
{
    std::string commandLine = Quoted(program);
    for (const std::string& arg : args)
        commandLine += " " + Quoted(arg);
    return commandLine;
}

void Collect(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out)
{
    ListFolder(folder, [&](const FolderEntry& entry) {
        if (entry.isFolder) {
            out[prefix + entry.name + "\\"] = "";
            Collect(folder + entry.name + "\\", prefix + entry.name + "\\", out);
        } else {
            out[prefix + entry.name] = ReadText(folder + entry.name);
        }
    });
}

}  // namespace

std::string CliProgram()
{
    std::string path = QM_DIST_DIR;
    if (!path.empty() && path[0] == '/') {  // a host path, reached through Wine's Z: drive
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path + "\\quillmere-cli.exe";
}

CliOutcome RunCli(const std::vector<std::string>& args)
{
    return RunCliProgram(CliProgram(), args);
}

CliOutcome RunCliProgram(const std::string& program, const std::vector<std::string>& args)
{
    return RunCommandLine(ProgramCommandLine(program, args));
}

CliOutcome RunCommandLine(const std::string& commandLine)
{
    CliOutcome outcome;
    TempTree capture;
    const std::string outPath = capture.Path("out.txt");
    const std::string errPath = capture.Path("err.txt");
    HANDLE out = InheritableFile(outPath);
    HANDLE err = InheritableFile(errPath);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE)
            CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE)
            CloseHandle(err);
        return outcome;
    }
    STARTUPINFOA si {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    outcome.started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                     nullptr, &si, &pi) != 0;
    CloseHandle(out);
    CloseHandle(err);
    if (!outcome.started)
        return outcome;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    outcome.exitCode = code;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    outcome.out = ReadText(outPath);
    outcome.err = ReadText(errPath);
    return outcome;
}

void* StartCliToEndByForce(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES sa {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (nul == INVALID_HANDLE_VALUE)
        return nullptr;
    STARTUPINFOA si {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    // No console: a console host started for the child can outlive it when it is ended by force
    // (seen under Wine), and it holds the test's own output open.
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                        nullptr, nullptr, &si, &pi);
    CloseHandle(nul);
    if (!started)
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

std::string CliCommandLine(const std::vector<std::string>& args)
{
    return ProgramCommandLine(CliProgram(), args);
}

std::string ReportHashOf(const std::string& path)
{
    const std::string bytes = ReadText(path);
    ContentHasher hasher;
    hasher.Update(bytes.data(), bytes.size());
    return HashText(hasher.Digest());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> out;
    Collect(folder, "", out);
    return out;
}

std::vector<std::string> FirstColumns(const std::string& text, int columns)
{
    std::vector<std::string> lines = Lines(text);
    for (std::string& line : lines) {
        std::size_t at = 0;
        for (int column = 0; column < columns && at != std::string::npos; ++column)
            at = line.find('\t', column == 0 ? 0 : at + 1);
        if (at != std::string::npos)
            line.erase(at);
    }
    return lines;
}
