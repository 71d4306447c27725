// Stand-in web browser for the tests: writes its own command line, exactly as it was given,
// to the file named by the environment variable QM_RECORD_FILE.
#include <windows.h>

#include <cstring>

int main()
{
    char target[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("QM_RECORD_FILE", target, sizeof target);
    if (length == 0 || length >= sizeof target)
        return 2;
    // Written beside and renamed, so that a reader never sees half a line.
    char partial[MAX_PATH + 8];
    lstrcpynA(partial, target, MAX_PATH);
    lstrcatA(partial, ".part");
    HANDLE file =
            CreateFileA(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    BOOL ok = WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
    if (!ok || !MoveFileExA(partial, target, MOVEFILE_REPLACE_EXISTING))
        return 4;
    return 0;
}
