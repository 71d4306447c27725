// Starts the shipped metaprobe.exe on generated files, as the program does, and checks the four
// fields the program looks up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/WidePath.h"
#include "engine/PathUtils.h"
#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/support/TiffBuilder.h"
#include "tests/support/ZoneCases.h"

namespace {

// Runs the tool with its output in a pipe; returns false when it cannot be started.
bool RunTool(const std::string& file, std::string& output, DWORD& exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = std::string(QM_DIST_DIR_WIN) + "\\metaprobe.exe \"" + file + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &process);
    CloseHandle(write);
    if (!started) {
        CloseHandle(read);
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0)
        output.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(read);
    return true;
}

std::string FieldOf(const std::string& output, const std::string& name)
{
    std::string key = "\n" + name;
    size_t at = ("\n" + output).find(key + std::string(32 - name.size(), ' ') + ": ");
    if (at == std::string::npos)
        return "";
    size_t start = at + 32 + 2, end = output.find_first_of("\r\n", start);
    return output.substr(start, end - start);
}

std::vector<uint8_t> DatedTiff(qmtest::ByteOrder order)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2015:06:07 08:09:10").Ascii(0x9004, "2015:06:07 08:09:11");
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 8).Ascii(0x0132, "2016:01:02 03:04:05").Sub(0x8769, exif);
    qmtest::TiffOptions options;
    options.order = order;
    return qmtest::BuildTiff(ifd0, options);
}

std::string TempPath(const char* name)
{
    char folder[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, folder);
    return (n > 0 && n < MAX_PATH ? std::string(folder) : std::string(".\\")) + name;
}

TEST(MetaprobeExe, ListsLookupFieldsOfTiffPngAndHeic)
{
    std::vector<uint8_t> tiff = DatedTiff(qmtest::ByteOrder::Motorola);
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
            {"mp_win.tif", tiff},
            {"mp_win.png", qmtest::BuildPng(4, 4, qmtest::PngChunk("eXIf", tiff))},
            {"mp_win.heic", qmtest::BuildHeic(DatedTiff(qmtest::ByteOrder::Intel))},
    };
    for (const auto& [name, bytes] : files) {
        std::string path = TempPath(name);
        ASSERT_TRUE(qmtest::WriteBytes(path, bytes)) << path;
        std::string output;
        DWORD exitCode = 99;
        ASSERT_TRUE(RunTool(path, output, exitCode)) << "metaprobe.exe did not start";
        EXPECT_EQ(exitCode, 0u) << name;
        EXPECT_EQ(FieldOf(output, "Date/Time Original"), "2015:06:07 08:09:10") << name;
        EXPECT_EQ(FieldOf(output, "Create Date"), "2015:06:07 08:09:11") << name;
        EXPECT_EQ(FieldOf(output, "Modify Date"), "2016:01:02 03:04:05") << name;
        EXPECT_EQ(FieldOf(output, "Orientation"), "Rotate 270 CW") << name;
        DeleteFileA(path.c_str());
    }
}

// The local time of a movie date (seconds since 1904, UTC), as "YYYY:MM:DD HH:MM:SS".
std::string LocalMovieTime(uint64_t seconds)
{
    // FILETIME counts 100 ns steps from 1601-01-01; movie dates count seconds from 1904-01-01.
    const uint64_t from1601To1904 = 9561628800ull;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = (seconds + from1601To1904) * 10000000ull;
    FILETIME utc = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME system, parts;
    if (!FileTimeToSystemTime(&utc, &system) || !SystemTimeToTzSpecificLocalTime(nullptr, &system, &parts))
        return "";
    char text[32];
    wsprintfA(text, "%04u:%02u:%02u %02u:%02u:%02u", parts.wYear, parts.wMonth, parts.wDay, parts.wHour,
              parts.wMinute, parts.wSecond);
    return text;
}

TEST(MetaprobeExe, MovieDatesInLocalTimeBehindA3GBMediaBlock)
{
    // Media data of 3 GB first (a sparse file), the movie header after it: offsets beyond 2 GB.
    const uint64_t dataSize = 3ull << 30;
    uint64_t created = qmtest::MovieSeconds(2018, 7, 8, 23, 30, 0);
    std::vector<uint8_t> movie = qmtest::BuildMovie("qt  ", uint32_t(created), uint32_t(created + 90));
    std::vector<uint8_t> head(movie.begin(), movie.begin() + 20);  // ftyp
    const uint8_t mdat[] = {0, 0, 0, 1, 'm', 'd', 'a', 't'};
    head.insert(head.end(), mdat, mdat + 8);
    for (int shift = 56; shift >= 0; shift -= 8)
        head.push_back(uint8_t((dataSize + 16) >> shift));
    std::vector<uint8_t> moov(movie.begin() + 20, movie.end() - 8);
    std::string path = TempPath("mp_win_large.mov");
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // Sparse only when asked for on Windows: without this NTFS writes 3 GB of zeros. Wine's
    // files on a Linux file system are sparse anyway and it accepts the request.
    DWORD unused = 0;
    if (!DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr)) {
        CloseHandle(file);
        DeleteFileA(path.c_str());
        GTEST_SKIP() << "the temporary folder's file system has no sparse files";
    }
    DWORD written = 0;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(head.size() + dataSize);
    bool ok = WriteFile(file, head.data(), DWORD(head.size()), &written, nullptr) && written == head.size() &&
              SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
              WriteFile(file, moov.data(), DWORD(moov.size()), &written, nullptr) && written == moov.size();
    CloseHandle(file);
    ASSERT_TRUE(ok);
    std::string output;
    DWORD exitCode = 99;
    ASSERT_TRUE(RunTool(path, output, exitCode));
    DeleteFileA(path.c_str());
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(FieldOf(output, "File Type"), "MOV");
    EXPECT_EQ(FieldOf(output, "Create Date").substr(0, 19), LocalMovieTime(created));
    EXPECT_EQ(FieldOf(output, "Modify Date").substr(0, 19), LocalMovieTime(created + 90));
}

// "YYYY:MM:DD HH:MM:SS+HH:MM" of a near-midnight case.
std::string CaseText(const qmtest::ZoneCase& c)
{
    char text[40];
    const int offset = c.offsetMinutes < 0 ? -c.offsetMinutes : c.offsetMinutes;
    wsprintfA(text, "%04d:%02d:%02d %02d:%02d:00%c%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
              c.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

// Run with TZ set to zones with and without daylight saving (see the CTest entries).
TEST(MetaprobeExe, FileTimesAndMovieDatesNearMidnightInTheirOwnDay)
{
    std::string zone;
    const std::vector<qmtest::ZoneCase> cases = qmtest::NearMidnightCases(zone);
    if (cases.empty())
        GTEST_SKIP() << "no expected local times for this time zone: " << zone;
    for (const qmtest::ZoneCase& c : cases) {
        const uint64_t seconds =
                qmtest::MovieSeconds(c.utc.wYear, c.utc.wMonth, c.utc.wDay, c.utc.wHour, c.utc.wMinute, 0);
        const std::string path = TempPath("mp_win_night.mov");
        ASSERT_TRUE(
                qmtest::WriteBytes(path, qmtest::BuildMovie("qt  ", uint32_t(seconds), uint32_t(seconds))));
        ASSERT_TRUE(qmtest::SetAllFileTimes(path, c.utc));
        std::string output;
        DWORD exitCode = 99;
        ASSERT_TRUE(RunTool(path, output, exitCode));
        DeleteFileA(path.c_str());
        const std::string expected = CaseText(c);
        EXPECT_EQ(FieldOf(output, "File Modification Date/Time"), expected);
        EXPECT_EQ(FieldOf(output, "File Access Date/Time"), expected);
        EXPECT_EQ(FieldOf(output, "File Creation Date/Time"), expected);
        EXPECT_EQ(FieldOf(output, "Create Date"), expected);
        EXPECT_EQ(FieldOf(output, "Modify Date"), expected);
    }
}

TEST(MetaprobeExe, MissingFileGivesErrorLineAndNoDate)
{
    std::string output;
    DWORD exitCode = 0;
    ASSERT_TRUE(RunTool(TempPath("mp_win_missing.tif"), output, exitCode));
    EXPECT_EQ(exitCode, 1u);
    EXPECT_EQ(FieldOf(output, "Error"), "File not found");
    EXPECT_EQ(FieldOf(output, "Modify Date"), "");
}

}  // namespace

TEST(MetaprobeExe, TakesANameInAnyScriptAndPrintsUtf8Values)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test program's manifest sets UTF-8";
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2015:06:07 08:09:10");
    qmtest::Ifd ifd0;
    // An artist written in UTF-8, and a description in Latin-1 as older cameras wrote it.
    ifd0.Ascii(0x013B, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x97\xA5\xE6\x9C\xAC")
            .Ascii(0x010E, "caf\xE9")
            .Sub(0x8769, exif);
    const std::string name =
            "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE \xCE\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80 cafe\xCC\x81.tif";
    const std::string path = TempPath(name.c_str());
    ASSERT_TRUE(qmtest::WriteBytes(path, qmtest::BuildTiff(ifd0, qmtest::TiffOptions())));
    std::string output;
    DWORD exitCode = 99;
    ASSERT_TRUE(RunTool(path, output, exitCode));
    EXPECT_EQ(exitCode, 0u) << output;
    EXPECT_EQ(FieldOf(output, "File Name"), name) << output;
    EXPECT_EQ(FieldOf(output, "Date/Time Original"), "2015:06:07 08:09:10");
    EXPECT_EQ(FieldOf(output, "Artist"),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(FieldOf(output, "Image Description"), "caf\xC3\xA9");
    DeleteFileA(path.c_str());
}

// A file in a folder of 320 characters is read whole, its file facts with it, as one in a short
// folder; a read-only one shows its permissions as the C library's stat gives them.
TEST(MetaprobeExe, ReadsAFileInAFolderBeyondMaxPath)
{
    TempTree tree;
    std::string folder = tree.Root() + "deep";
    while (folder.size() < 320)
        folder += "\\" + std::string(50, 'd');
    ASSERT_TRUE(EnsureFolder(folder, true)) << GetLastError();
    const std::vector<uint8_t> tiff = DatedTiff(qmtest::ByteOrder::Intel);
    const std::string path = folder + "\\long.tif";
    ASSERT_TRUE(WriteData(path, std::vector<unsigned char>(tiff.begin(), tiff.end())));
    const std::string locked = folder + "\\locked.tif";
    ASSERT_TRUE(WriteData(locked, std::vector<unsigned char>(tiff.begin(), tiff.end())));
    ASSERT_TRUE(SetFileAttributesW(WidePath(locked).c_str(), FILE_ATTRIBUTE_READONLY));

    std::string output;
    DWORD exitCode = 99;
    ASSERT_TRUE(RunTool(path, output, exitCode)) << "metaprobe.exe did not start";
    EXPECT_EQ(exitCode, 0u) << output;
    EXPECT_EQ(FieldOf(output, "Date/Time Original"), "2015:06:07 08:09:10") << output;
    EXPECT_EQ(FieldOf(output, "File Name"), "long.tif");
    EXPECT_EQ(FieldOf(output, "Directory"), folder);
    EXPECT_EQ(FieldOf(output, "File Size"), std::to_string(tiff.size()) + " bytes");
    EXPECT_EQ(FieldOf(output, "File Permissions"), "-rw-rw-rw-");
    EXPECT_NE(FieldOf(output, "File Modification Date/Time"), "");

    std::string lockedOutput;
    ASSERT_TRUE(RunTool(locked, lockedOutput, exitCode));
    EXPECT_EQ(exitCode, 0u) << lockedOutput;
    EXPECT_EQ(FieldOf(lockedOutput, "File Permissions"), "-r--r--r--");
    SetFileAttributesW(WidePath(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
}
