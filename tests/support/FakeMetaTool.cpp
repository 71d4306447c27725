// Stands in for the metadata tool where a test needs exact output. Its one argument names a
// script file, one command a line:
//   out TEXT          write TEXT to standard output (escapes: \r \n \t \0 \\ \xHH)
//   err TEXT          the same to standard error
//   repeat N TEXT     write TEXT N times, in large writes
//   sleep MS          pause
//   hang              never end
//   exit CODE         end now with CODE
// Unknown lines are ignored, so any file (a JPEG too) is accepted. When the environment holds
// QM_TOOL_LOG, each start appends "argument count|argument" to that file first.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

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

void LogStart(int argc, const char* argument)
{
    char logPath[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("QM_TOOL_LOG", logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    FILE* log = std::fopen(logPath, "ab");
    if (log == nullptr)
        return;
    std::fprintf(log, "%d|%s\n", argc - 1, argument);
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

}  // namespace

int main(int argc, char** argv)
{
    LogStart(argc, argc > 1 ? argv[1] : "");
    std::string script;
    if (argc != 2 || !ReadFileText(argv[1], script))
        return 2;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);

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
                return 3;
        } else if (command == "err") {
            if (!WriteAll(err, Unescape(rest)))
                return 3;
        } else if (command == "repeat") {
            const std::size_t gap = rest.find(' ');
            if (gap == std::string::npos)
                return 4;
            long count = std::strtol(rest.c_str(), nullptr, 10);
            const std::string unit = Unescape(rest.substr(gap + 1));
            std::string block;
            while (count > 0) {
                block.clear();
                for (; count > 0 && block.size() < (1 << 16); --count)
                    block += unit;
                if (!WriteAll(out, block))
                    return 3;
            }
        } else if (command == "sleep") {
            Sleep(static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 10)));
        } else if (command == "hang") {
            Sleep(INFINITE);
        } else if (command == "exit") {
            return static_cast<int>(std::strtol(rest.c_str(), nullptr, 10));
        }
    }
    return 0;
}
