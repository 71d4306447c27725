// quillmere-cli with names in every script (the program and this test run with UTF-8 as their
// code page): arguments, folder scans, templates, policies, the printed lines through a pipe,
// the log; and a run ended by force mid-copy, which must leave no incomplete file under a real
// name.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/win/cli/CliProcess.h"

namespace {

// Cyrillic folder and name, Greek, CJK, an emoji outside the BMP, a precomposed and a combining
// accent (two different names to the file system).
const std::string kPhotoFolder = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";  // Фото
const std::string kPrivet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.jpg";  // Привет.jpg
const std::string kOmega = "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1.jpg";  // Ωμέγα.jpg
const std::string kNihon = "\xE6\x97\xA5\xE6\x9C\xAC.jpg";  // 日本.jpg
const std::string kSmile = "\xF0\x9F\x98\x80.jpg";  // 😀.jpg
const std::string kCafe = "caf\xC3\xA9.jpg";  // café.jpg, precomposed
const std::string kCafeCombining = "cafe\xCC\x81.jpg";  // café.jpg, combining accent

std::vector<unsigned char> JpegTaken(const std::string& date, const std::string& maker)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, maker).Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

std::string Text(const std::vector<unsigned char>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Runs the program with its standard output into an anonymous pipe, as a script's pipe would
// take it, and returns every byte it wrote there. No argument may end in a backslash.
std::string PipedOutput(const std::vector<std::string>& args, DWORD& exitCode)
{
    SECURITY_ATTRIBUTES sa {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::string commandLine = "\"" + CliProgram() + "\"";
    for (const std::string& arg : args)
        commandLine += " \"" + arg + "\"";
    STARTUPINFOA si {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    PROCESS_INFORMATION pi {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &si, &pi) != 0;
    CloseHandle(writeEnd);
    std::string out;
    if (started) {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            out.append(buffer, got);
        WaitForSingleObject(pi.hProcess, 120000);
        GetExitCodeProcess(pi.hProcess, &exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return out;
}

class CliNames : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test program's manifest sets UTF-8";
        ASSERT_TRUE(CreateDirectoryA(tree.Path("src").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(Src(kPhotoFolder).c_str(), nullptr));
    }

    std::string Src(const std::string& name) const { return tree.Path("src\\" + name); }
    std::string Out(const std::string& name = "") const { return tree.Path("out\\" + name); }
    void Put(const std::string& name, const std::string& date)
    {
        content[name] = Text(JpegTaken(date, name));
        ASSERT_TRUE(WriteText(Src(name), content[name])) << name;
    }

    TempTree tree;
    std::map<std::string, std::string> content;
};

}  // namespace

TEST_F(CliNames, NamesInEveryScriptAreFoundCopiedPrintedAndLoggedUnchanged)
{
    Put(kPhotoFolder + "\\" + kPrivet, "2012:01:27 10:00:00");
    Put(kOmega, "2012:01:28 10:00:00");
    Put(kNihon, "2012:01:29 10:00:00");
    Put(kSmile, "2012:01:30 10:00:00");
    Put(kCafe, "2012:01:31 10:00:00");
    Put(kCafeCombining, "2012:02:01 10:00:00");
    const std::string log = tree.Path("\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB.log");  // журнал.log

    DWORD exitCode = 99;
    const std::string out = PipedOutput(
            {"organize", "--copy", "--no-day", "--out", tree.Path("out"), "--log", log, tree.Path("src")},
            exitCode);
    EXPECT_EQ(exitCode, 0u) << out;
    const std::map<std::string, std::string> expected = {
            {kPhotoFolder + "\\" + kPrivet, "2012\\2012_01\\" + kPrivet},
            {kOmega, "2012\\2012_01\\" + kOmega},
            {kNihon, "2012\\2012_01\\" + kNihon},
            {kSmile, "2012\\2012_01\\" + kSmile},
            {kCafe, "2012\\2012_01\\" + kCafe},
            {kCafeCombining, "2012\\2012_02\\" + kCafeCombining}};
    for (const auto& [source, target] : expected) {
        SCOPED_TRACE(source);
        // The line a script reads: UTF-8 bytes as they are, tab-separated.
        EXPECT_NE(out.find(Src(source) + "\t" + Out(target) + "\tOK\n"), std::string::npos) << out;
        EXPECT_EQ(ReadText(Out(target)), content[source]);
        EXPECT_EQ(ReadText(Src(source)), content[source]);
    }
    // The two spellings of café stay two files.
    EXPECT_NE(ReadText(Out("2012\\2012_01\\" + kCafe)), ReadText(Out("2012\\2012_02\\" + kCafeCombining)));
    const std::string logText = ReadText(log);
    EXPECT_NE(logText.find("[Source] " + Src(kNihon) + "\r\n[Target] " + Out("2012\\2012_01\\" + kNihon) +
                           "\r\n[Copy] OK\r\n"),
              std::string::npos)
            << logText;
}

TEST_F(CliNames, TemplatesPoliciesAndNumberingKeepTheNames)
{
    Put(kPrivet, "2012:01:27 10:00:00");
    Put(kPhotoFolder + "\\" + kPrivet, "2012:01:27 11:00:00");
    // The rename template puts the name into the target: both rows want the same name.
    const std::vector<std::string> common = {"organize", "--copy", "--no-year", "--no-month", "--no-day",
                                             "--rename", "%Y_%N",  "--out",     Out()};
    auto args = common;
    args.push_back(Src(""));
    const CliOutcome first = RunCli(args);
    EXPECT_EQ(first.exitCode, 0u) << first.err;
    const std::string stem = "2012_\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const auto files = Snapshot(Out());
    ASSERT_EQ(files.size(), 2u) << first.out;
    EXPECT_TRUE(files.count(stem + ".jpg")) << first.out;
    EXPECT_TRUE(files.count(stem + "_1.jpg")) << first.out;

    // Skip and Overwrite find the existing target by its name.
    args = common;
    args.insert(args.end(), {"--exists", "skip", Src(kPrivet)});
    EXPECT_NE(RunCli(args).out.find("\tTarget file exists; skipped\n"), std::string::npos);
    args = common;
    args.insert(args.end(), {"--exists", "overwrite", Src(kPhotoFolder + "\\" + kPrivet)});
    const CliOutcome over = RunCli(args);
    EXPECT_NE(over.out.find(Out(stem + ".jpg") + "\tOK\n"), std::string::npos) << over.out;
    EXPECT_EQ(ReadText(Out(stem + ".jpg")), content[kPhotoFolder + "\\" + kPrivet]);
}

// Characters that a conversion to a legacy code page would replace by their look-alike path
// syntax (best fit): the full-width reverse solidus, the division slash and the full-width colon.
// Under UTF-8, and through the wide calls, they stay what they are: one name, no extra folder.
TEST_F(CliNames, LookAlikesOfPathCharactersStayInTheName)
{
    const std::string name = "a\xEF\xBC\xBC"
                             "b\xE2\x88\x95"
                             "c\xEF\xBC\x9A"
                             "d.jpg";  // a＼b∕c：d.jpg
    Put(name, "2012:01:27 10:00:00");
    const CliOutcome run = RunCli({"organize", "--copy", "--no-day", "--out", Out(), Src(name)});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find(Src(name) + "\t" + Out("2012\\2012_01\\" + name) + "\tOK"), std::string::npos)
            << run.out;
    const std::map<std::string, std::string> placed = {
            {"2012\\", ""}, {"2012\\2012_01\\", ""}, {"2012\\2012_01\\" + name, content[name]}};
    EXPECT_EQ(Snapshot(Out()), placed);
    // The source stays as it was, and nothing appeared beside it.
    const std::map<std::string, std::string> sources = {{kPhotoFolder + "\\", ""}, {name, content[name]}};
    EXPECT_EQ(Snapshot(Src("")), sources);
}

TEST_F(CliNames, CaseTwinsInAnyScriptAreOneFile)
{
    Put("\xD0\xAF.jpg", "2012:01:27 10:00:00");  // Я.jpg
    Put("\xC3\x84.jpg", "2012:01:27 10:00:00");  // Ä.jpg
    const CliOutcome run = RunCli({"organize", "--copy", "--dry-run", "--out", Out(), Src("\xD0\xAF.jpg"),
                                   Src("\xD1\x8F.jpg"), Src("\xC3\x84.jpg"), Src("\xC3\xA4.jpg")});
    EXPECT_EQ(Lines(run.out).size(), 2u) << run.out;
}

TEST_F(CliNames, LookupAndArgumentsTakeUtf8)
{
    Put(kNihon, "2012:01:29 10:00:00");
    const CliOutcome lookup = RunCli({"lookup", Src(kNihon)});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.err;
    EXPECT_NE(lookup.out.find(Src(kNihon)), std::string::npos) << lookup.out;
    EXPECT_NE(lookup.out.find("2012:01:29 10:00:00"), std::string::npos) << lookup.out;

    // A TIFF is read by the metadata tool, a child process that takes the name on its command line.
    const std::string tiff =
            "Cafe\xCC\x81 \xC3\x85re.tif";  // Café Åre.tif, the é as e and a combining accent
    qmtest::Ifd exif;
    exif.Ascii(0x9003, "2013:02:03 04:05:06");
    qmtest::Ifd ifd0;
    ifd0.Long(0x0100, 4).Long(0x0101, 4).Sub(0x8769, exif);
    ASSERT_TRUE(WriteData(Src(tiff), qmtest::BuildTiff(ifd0)));
    const CliOutcome tool = RunCli({"lookup", Src(tiff)});
    EXPECT_EQ(tool.exitCode, 0u) << tool.err;
    EXPECT_NE(tool.out.find(Src(tiff)), std::string::npos) << tool.out;
    EXPECT_NE(tool.out.find("2013:02:03 04:05:06"), std::string::npos) << tool.out;
}

// The program is ended by force at many points of a copy of large files; every file under a real
// name in the output is then complete, and a later run finishes the job.
TEST_F(CliNames, ARunKilledMidCopyLeavesNoIncompleteFileUnderARealName)
{
    std::mt19937 rng(5);
    std::string big(24 * 1024 * 1024, '\0');
    for (char& c : big)
        c = static_cast<char>(rng());
    const std::vector<std::string> names = {kNihon, kOmega, kSmile};
    for (const std::string& name : names)
        ASSERT_TRUE(WriteText(Src(name), name + big));
    const std::string commandLine = "\"" + CliProgram() + "\" organize --copy --mode extension --out \"" +
                                    tree.Path("out") + "\" \"" + tree.Path("src") + "\"";
    int killedMidway = 0;
    for (DWORD delay : {30u, 80u, 150u, 250u, 400u, 700u}) {
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        HANDLE process = StartCliToEndByForce(commandLine);
        ASSERT_NE(process, nullptr);
        if (WaitForSingleObject(process, delay) == WAIT_TIMEOUT) {
            TerminateProcess(process, 9);
            ++killedMidway;
        }
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
        for (const auto& [relative, data] : Snapshot(Out())) {
            if (relative.back() == '\\' || relative.find(".qmpart") != std::string::npos)
                continue;
            const std::string name = relative.substr(relative.rfind('\\') + 1);
            EXPECT_TRUE(data == name + big)
                    << "incomplete file under a real name: " << relative << ", " << data.size() << " bytes";
        }
        RemoveTree(Out());
    }
    EXPECT_GT(killedMidway, 0);
}
