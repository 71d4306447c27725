// The least an organizer must do per file, for comparison with quillmere-cli: read the file's
// header, find the capture date, create the year, month and day folders once each, and move or
// copy the file. No templates, no policies, no log, no output.
//   bare_organize_loop move|copy SOURCE_FOLDER OUTPUT_FOLDER
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

// The first "YYYY:MM:DD" in the header bytes.
bool FindDate(const char* data, DWORD size, std::string& year, std::string& month, std::string& day)
{
    for (DWORD i = 0; i + 10 <= size; ++i) {
        const char* p = data + i;
        auto digit = [](char c) { return c >= '0' && c <= '9'; };
        if (digit(p[0]) && digit(p[1]) && digit(p[2]) && digit(p[3]) && p[4] == ':' && digit(p[5]) &&
            digit(p[6]) && p[7] == ':' && digit(p[8]) && digit(p[9])) {
            year.assign(p, 4);
            month.assign(p + 5, 2);
            day.assign(p + 8, 2);
            return true;
        }
    }
    return false;
}

bool MakeFolder(std::set<std::string>& made, const std::string& folder)
{
    if (made.count(folder))
        return true;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    made.insert(folder);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[1], "move") != 0 && std::strcmp(argv[1], "copy") != 0)) {
        std::fprintf(stderr, "usage: bare_organize_loop move|copy SOURCE_FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const bool move = std::strcmp(argv[1], "move") == 0;
    const std::string source = std::string(argv[2]) + "\\";
    const std::string out = std::string(argv[3]) + "\\";
    std::set<std::string> made;
    if (!MakeFolder(made, argv[3]))
        return 1;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((source + "*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 1;
    int failed = 0;
    int done = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::string path = source + data.cFileName;
        char header[4096];
        DWORD read = 0;
        HANDLE file =
                CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            ++failed;
            continue;
        }
        const bool ok = ReadFile(file, header, sizeof header, &read, nullptr) != 0;
        CloseHandle(file);
        std::string year, month, day;
        if (!ok || !FindDate(header, read, year, month, day)) {
            ++failed;
            continue;
        }
        const std::string y = out + year + "\\";
        const std::string m = y + year + "_" + month + "\\";
        const std::string d = m + year + "_" + month + "_" + day + "\\";
        if (!MakeFolder(made, y) || !MakeFolder(made, m) || !MakeFolder(made, d)) {
            ++failed;
            continue;
        }
        const std::string target = d + data.cFileName;
        const bool placed = move ? MoveFileExA(path.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != 0
                                 : CopyFileA(path.c_str(), target.c_str(), TRUE) != 0;
        if (placed)
            ++done;
        else
            ++failed;
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::printf("%d files placed, %d failed\n", done, failed);
    return failed == 0 ? 0 : 1;
}
