// quillmere-cli on photos inside zip archives written by the test: members listed as
// archive.zip\path, copied out (stored, deflated, Zip64) with dates read from their bytes, a move
// refused, damaged archives and entries failing their rows with nothing half-written, crafted names
// never leaving the output folder, the dry run equal to the run, undo, the report, and the archive
// never changed.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "tests/support/ZipBuilder.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

std::string Bytes(const std::vector<unsigned char>& data)
{
    return std::string(data.begin(), data.end());
}

std::string Photo(const std::string& date, const std::string& maker)
{
    return Bytes(JpegTaken(date, maker));
}

std::vector<std::string> Sorted(std::vector<std::string> lines)
{
    std::sort(lines.begin(), lines.end());
    return lines;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    return WriteData(path, std::vector<unsigned char>(bytes.begin(), bytes.end()));
}

// The files below folder, without the folders.
std::map<std::string, std::string> FilesOnly(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& [name, content] : Snapshot(folder))
        if (name.empty() || name.back() != '\\')
            files.emplace(name, content);
    return files;
}

class CliArchive : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
    }

    // An archive in the source folder; its bytes are kept to check that no run changes it.
    std::string Archive(const std::string& name, const ZipBuilder& zip)
    {
        const std::string path = w.Src(name);
        const std::string bytes = zip.Build();
        EXPECT_TRUE(WriteBytes(path, bytes)) << path;
        archives_[path] = bytes;
        return path;
    }

    void ExpectArchivesUnchanged()
    {
        for (const auto& [path, bytes] : archives_)
            EXPECT_EQ(ReadText(path), bytes) << path;
    }

    // Three photos: stored, deflated in a folder, and one file that is no photo.
    std::string Plain()
    {
        ZipBuilder zip;
        zip.Add("a.jpg", Photo("2012:01:27 10:00:00", "Alpha"));
        zip.Add("DCIM/b.jpg", Photo("2013:11:03 08:30:00", "Beta"), true);
        zip.Add("notes.txt", "not a photo", true);
        return Archive("plain.zip", zip);
    }

    // Forty photos of a megabyte and more, stored, so that copying them out takes a while; the
    // library they make (path below the output folder: bytes).
    std::string Large(std::map<std::string, std::string>& library)
    {
        ZipBuilder zip;
        for (int i = 1; i <= 40; ++i) {
            const int d = i % 28 + 1;
            const std::string day = (d < 10 ? "0" : "") + std::to_string(d);
            const std::string photo =
                    Photo("2012:03:" + day + " 10:00:00", "Alpha") + std::string(1u << 20, 'x');
            const std::string name = "p" + std::to_string(i) + ".jpg";
            zip.Add("DCIM/" + name, photo);
            library["2012\\2012_03\\2012_03_" + day + "\\" + name] = photo;
        }
        return Archive("large.zip", zip);
    }

    // Starts the command and kills it as soon as the stage holds a copied-out member. True when
    // it was killed there; returns once its stage's record is no longer held.
    bool KillWhileStaged(const std::vector<std::string>& args)
    {
        HANDLE process = StartCliToEndByForce(CliCommandLine(args));
        if (process == nullptr)
            return false;
        bool killed = false;
        for (int wait = 0; wait < 120000 && !killed; ++wait) {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(w.Out("~qmzip.qmpart\\*.jpg").c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                FindClose(search);
                killed = TerminateProcess(process, 99) != 0;
            }
            if (WaitForSingleObject(process, killed ? 10000 : 1) == WAIT_OBJECT_0 && !killed)
                break;
        }
        CloseHandle(process);
        // The system lets go of the killed program's files a moment after it ends (Wine's server
        // does so on its own time): its stage's record is free once it opens for writing.
        const std::string record = w.Out("~qmzip.qmpart\\~qmstage1.qmlock");
        for (int wait = 0; killed && wait < 400; ++wait) {
            HANDLE free = CreateFileA(record.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (free != INVALID_HANDLE_VALUE) {
                CloseHandle(free);
                break;
            }
            Sleep(50);
        }
        return killed;
    }

    Workspace w;
    std::map<std::string, std::string> archives_;
};

// The files below folder but those of the stage.
std::map<std::string, std::string> Library(const std::string& folder)
{
    std::map<std::string, std::string> files = FilesOnly(folder);
    std::erase_if(files, [](const auto& file) { return file.first.rfind("~qmzip.qmpart\\", 0) == 0; });
    return files;
}

}  // namespace

TEST_F(CliArchive, CopiesStoredDeflatedAndZip64MembersWithTheirOwnDates)
{
    const std::string plain = Plain();
    ZipBuilder zip64;
    zip64.ForceZip64();
    zip64.Add("c.jpg", Photo("2014:06:15 12:00:00", "Gamma"), true);
    const std::string big = Archive("big.zip", zip64);

    const CliOutcome run = RunCli({"organize", "--ext", "jpg", "--out", w.Out(), plain, big});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({plain + "\\a.jpg\t" + w.Out("2012\\2012_01\\2012_01_27\\a.jpg") + "\tOK",
                      plain + "\\DCIM\\b.jpg\t" + w.Out("2013\\2013_11\\2013_11_03\\b.jpg") + "\tOK",
                      big + "\\c.jpg\t" + w.Out("2014\\2014_06\\2014_06_15\\c.jpg") + "\tOK"}));
    EXPECT_EQ(run.err, "3 files, 3 OK, 0 skipped, 0 failed\n");
    // Exactly the photos, whole; no staged or unfinished copy is left.
    EXPECT_EQ(FilesOnly(w.Out()),
              (std::map<std::string, std::string> {
                      {"2012\\2012_01\\2012_01_27\\a.jpg", Photo("2012:01:27 10:00:00", "Alpha")},
                      {"2013\\2013_11\\2013_11_03\\b.jpg", Photo("2013:11:03 08:30:00", "Beta")},
                      {"2014\\2014_06\\2014_06_15\\c.jpg", Photo("2014:06:15 12:00:00", "Gamma")}}));
    EXPECT_FALSE(Exists(w.Out("~qmzip.qmpart")));
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, ArchivesFoundInAFolderAreOpened)
{
    Plain();
    ASSERT_TRUE(w.Put(w.Src("loose.jpg"), "2011:05:05 05:05:05", "Delta"));
    const CliOutcome run = RunCli({"organize", "--dry-run", "--ext", "jpg", "--out", w.Out(), w.Src("")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({w.Src("plain.zip\\a.jpg") + "\t" + w.Out("2012\\2012_01\\2012_01_27\\a.jpg") + "\tOK",
                      w.Src("plain.zip\\DCIM\\b.jpg") + "\t" + w.Out("2013\\2013_11\\2013_11_03\\b.jpg") +
                              "\tOK",
                      w.Src("loose.jpg") + "\t" + w.Out("2011\\2011_05\\2011_05_05\\loose.jpg") + "\tOK"}));
}

TEST_F(CliArchive, MoveIsRefusedForMembersAndTheArchiveStays)
{
    const std::string plain = Plain();
    ASSERT_TRUE(w.Put(w.Src("loose.jpg"), "2011:05:05 05:05:05", "Delta"));
    const CliOutcome run =
            RunCli({"organize", "--move", "--ext", "jpg", "--out", w.Out(), plain, w.Src("loose.jpg")});
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({plain + "\\a.jpg\t\tFiles inside a zip archive can only be copied",
                      plain + "\\DCIM\\b.jpg\t\tFiles inside a zip archive can only be copied",
                      w.Src("loose.jpg") + "\t" + w.Out("2011\\2011_05\\2011_05_05\\loose.jpg") + "\tOK"}));
    EXPECT_EQ(FilesOnly(w.Out()).size(), 1u);
    ExpectArchivesUnchanged();

    // Placed beside their source, members would land inside the archive's name.
    const CliOutcome beside = RunCli({"organize", "--ext", "jpg", plain});
    EXPECT_EQ(beside.exitCode, 1u);
    EXPECT_EQ(Sorted(Lines(beside.out)),
              Sorted({plain + "\\a.jpg\t\t" +
                              "Files inside a zip archive are copied into an output folder only",
                      plain + "\\DCIM\\b.jpg\t\t" +
                              "Files inside a zip archive are copied into an output folder only"}));
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, DamagedEntriesAndArchivesFailTheirRowsWithNothingHalfWritten)
{
    ZipBuilder zip;
    const std::string good = Photo("2012:01:27 10:00:00", "Alpha");
    const std::string bad = Photo("2013:11:03 08:30:00", "Beta");
    zip.Add("good.jpg", good);
    zip.Add("crc.jpg", bad);
    ZipLayout layout;
    std::string bytes = zip.Build(&layout);
    // A byte of the second entry's data changed after its checksum was written.
    bytes[layout.dataOffsets[1] + bad.size() - 3] ^= 0x5A;
    const std::string damaged = w.Src("damaged.zip");
    ASSERT_TRUE(WriteBytes(damaged, bytes));
    // An archive cut short: its directory is gone.
    ZipBuilder other;
    other.Add("lost.jpg", good);
    const std::string whole = other.Build();
    const std::string cut = w.Src("cut.zip");
    ASSERT_TRUE(WriteBytes(cut, whole.substr(0, whole.size() - 30)));

    const CliOutcome run = RunCli({"organize", "--ext", "jpg", "--out", w.Out(), damaged, cut});
    EXPECT_EQ(run.exitCode, 1u);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], damaged + "\\good.jpg\t" + w.Out("2012\\2012_01\\2012_01_27\\good.jpg") + "\tOK");
    EXPECT_EQ(lines[1],
              damaged + "\\crc.jpg\t\tDamaged archive: the entry's checksum (CRC-32) does not match");
    EXPECT_EQ(lines[2].rfind(cut + "\t\tThe archive could not be read: ", 0), 0u) << lines[2];
    EXPECT_EQ(FilesOnly(w.Out()),
              (std::map<std::string, std::string> {{"2012\\2012_01\\2012_01_27\\good.jpg", good}}));
    EXPECT_EQ(ReadText(damaged), bytes);
}

TEST_F(CliArchive, CraftedNamesNeverLeaveTheOutputFolder)
{
    ZipBuilder zip;
    const std::string photo = Photo("2012:01:27 10:00:00", "Alpha");
    zip.Add("../../escaped.jpg", photo);
    zip.Add("C:/Windows/drive.jpg", photo);
    zip.Add("/rooted.jpg", photo);
    zip.Add("DCIM/CON.jpg", photo);
    zip.Add("fine.jpg", photo);
    const std::string crafted = Archive("crafted.zip", zip);
    const auto before = Snapshot(w.tree.Root());

    const CliOutcome run = RunCli({"organize", "--ext", "jpg", "--out", w.Out(), crafted});
    EXPECT_EQ(run.exitCode, 1u);
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 5u) << run.out;
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_NE(lines[i].find("\t\tUnsafe name"), std::string::npos) << lines[i];
    EXPECT_EQ(lines[4], crafted + "\\fine.jpg\t" + w.Out("2012\\2012_01\\2012_01_27\\fine.jpg") + "\tOK");
    // Only the one photo came out, into the output folder; nothing else anywhere changed.
    const auto outside = [](std::map<std::string, std::string> files) {
        for (auto it = files.begin(); it != files.end();) {
            const bool ours = it->first.rfind("data\\out\\", 0) == 0 || it->first.rfind("runs\\", 0) == 0;
            it = ours ? files.erase(it) : std::next(it);
        }
        return files;
    };
    EXPECT_EQ(outside(Snapshot(w.tree.Root())), outside(before));
    EXPECT_EQ(FilesOnly(w.Out()),
              (std::map<std::string, std::string> {{"2012\\2012_01\\2012_01_27\\fine.jpg", photo}}));
    EXPECT_FALSE(Exists(w.Data("escaped.jpg")));
    EXPECT_FALSE(Exists(w.tree.Path("escaped.jpg")));
}

TEST_F(CliArchive, DryRunEqualsTheRunAndChangesNothing)
{
    const std::string plain = Plain();
    // The same name twice in one archive, both waiting at once: each keeps its own bytes.
    ZipBuilder twins;
    twins.Add("one/IMG_0001.jpg", Photo("2015:03:03 03:03:03", "One"), true);
    twins.Add("two/IMG_0001.jpg", Photo("2015:03:03 03:03:03", "Two"), true);
    const std::string pair = Archive("twins.zip", twins);
    const std::vector<std::string> args = {"--ext", "jpg",   "--exists", "rename",
                                           "--out", w.Out(), plain,      pair};

    std::vector<std::string> dry = {"organize", "--dry-run"};
    dry.insert(dry.end(), args.begin(), args.end());
    const CliOutcome preview = RunCli(dry);
    EXPECT_EQ(preview.exitCode, 0u) << preview.err;
    EXPECT_FALSE(Exists(w.Out()));

    std::vector<std::string> real = {"organize"};
    real.insert(real.end(), args.begin(), args.end());
    const CliOutcome run = RunCli(real);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out), Lines(preview.out));
    EXPECT_EQ(Lines(run.out).size(), 4u) << run.out;
    const auto files = FilesOnly(w.Out());
    EXPECT_EQ(files.size(), 4u);
    std::vector<std::string> contents;
    for (const auto& [name, content] : files)
        contents.push_back(content);
    EXPECT_NE(std::find(contents.begin(), contents.end(), Photo("2015:03:03 03:03:03", "One")),
              contents.end());
    EXPECT_NE(std::find(contents.begin(), contents.end(), Photo("2015:03:03 03:03:03", "Two")),
              contents.end());
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, ExistingTargetsFollowThePolicyThroughTheArchive)
{
    const std::string plain = Plain();
    ASSERT_EQ(RunCli({"organize", "--ext", "jpg", "--out", w.Out(), plain}).exitCode, 0u);
    // The same bytes are found identical; a changed target is not.
    const std::string changed = w.Out("2013\\2013_11\\2013_11_03\\b.jpg");
    ASSERT_TRUE(WriteText(changed, "another photo"));
    const CliOutcome again =
            RunCli({"organize", "--ext", "jpg", "--exists", "identical", "--out", w.Out(), plain});
    EXPECT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(Sorted(Lines(again.out)),
              Sorted({plain + "\\a.jpg\t" + w.Out("2012\\2012_01\\2012_01_27\\a.jpg") +
                              "\tIdentical file exists; skipped",
                      plain + "\\DCIM\\b.jpg\t" + w.Out("2013\\2013_11\\2013_11_03\\b_1.jpg") + "\tOK"}));
    EXPECT_EQ(ReadText(w.Out("2013\\2013_11\\2013_11_03\\b_1.jpg")), Photo("2013:11:03 08:30:00", "Beta"));
    EXPECT_EQ(FilesOnly(w.Out()).size(), 3u);
    EXPECT_FALSE(Exists(w.Out("~qmzip.qmpart")));
}

TEST_F(CliArchive, UndoRemovesTheCopiesAndTheReportNamesTheMembers)
{
    const std::string plain = Plain();
    const std::string report = w.Data("report.csv");
    const CliOutcome run = RunCli({"organize", "--ext", "jpg", "--report", report, "--out", w.Out(), plain});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string csv = ReadText(report);
    EXPECT_NE(csv.find(plain + "\\a.jpg"), std::string::npos) << csv;
    EXPECT_NE(csv.find(plain + "\\DCIM\\b.jpg"), std::string::npos) << csv;

    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
    EXPECT_EQ(Sorted(Lines(undo.out)),
              Sorted({w.Out("2012\\2012_01\\2012_01_27\\a.jpg") + "\t" + plain + "\\a.jpg\tCopy deleted",
                      w.Out("2013\\2013_11\\2013_11_03\\b.jpg") + "\t" + plain +
                              "\\DCIM\\b.jpg\tCopy deleted"}));
    EXPECT_TRUE(FilesOnly(w.Out()).empty());
    EXPECT_FALSE(Exists(w.Out("~qmzip.qmpart")));
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, AMembersCopyKeepsTheTimeTheArchiveStores)
{
    // Modes by file time see the member's stored time (local time), not the day of the run.
    ZipBuilder zip;
    ZipBuildEntry old;
    old.name = "scan.jpg";
    old.data = "not a photo with a date";
    old.dosDate = (2011 - 1980) << 9 | 3 << 5 | 4;  // 2011-03-04
    old.dosTime = 10 << 11 | 20 << 5 | 15;  // 10:20:30
    zip.Add(old);
    const std::string archive = Archive("old.zip", zip);
    const CliOutcome run = RunCli({"organize", "--mode", "modified", "--out", w.Out(), archive});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    const std::string placed = w.Out("2011\\2011_03\\2011_03_04\\scan.jpg");
    EXPECT_EQ(Lines(run.out), (std::vector<std::string> {archive + "\\scan.jpg\t" + placed + "\tOK"}));
    EXPECT_EQ(ReadText(placed), old.data);
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, VerifiedCopiesCarryTheHashOfTheMembersBytes)
{
    // A member becomes its copy by a rename of its staged bytes: the copy is still read back and
    // checked against the member's own hash.
    const std::string plain = Plain();
    const std::string report = w.Data("report.csv");
    const CliOutcome run =
            RunCli({"organize", "--verify", "--ext", "jpg", "--report", report, "--out", w.Out(), plain});
    ASSERT_EQ(run.exitCode, 0u) << run.out << run.err;
    EXPECT_EQ(run.err, "2 files, 2 OK, 0 skipped, 0 failed\n");
    const std::string csv = ReadText(report);
    for (const char* placed : {"2012\\2012_01\\2012_01_27\\a.jpg", "2013\\2013_11\\2013_11_03\\b.jpg"}) {
        const std::string hash = ReportHashOf(w.Out(placed));
        ASSERT_FALSE(hash.empty()) << placed;
        EXPECT_NE(csv.find("," + hash), std::string::npos) << csv;
    }
    ExpectArchivesUnchanged();
}

namespace {

std::string PhotoWithoutDate()
{
    qmtest::Ifd ifd0;
    ifd0.Short(0x0112, 1);
    return Bytes(qmtest::MinimalJpeg(ifd0));
}

// A sidecar as an export writes it; latitude and longitude 0 mean no position.
std::string Sidecar(const std::string& title, long long taken, double latitude = 0, double longitude = 0)
{
    char geo[160];
    std::snprintf(geo, sizeof geo, "{\"latitude\": %.4f, \"longitude\": %.4f, \"altitude\": 0.0}", latitude,
                  longitude);
    return "{\n  \"title\": \"" + title + "\",\n  \"photoTakenTime\": {\"timestamp\": \"" +
           std::to_string(taken) + "\", \"formatted\": \"x\"},\n  \"geoData\": " + geo +
           ",\n  \"geoDataExif\": " + geo + "\n}\n";
}

// Noon UTC in the middle of a month: the same month in every zone.
constexpr long long kMay15 = 1431691200;  // 2015-05-15
constexpr long long kJune15 = 1434369600;  // 2015-06-15
constexpr long long kJuly15 = 1436961600;  // 2015-07-15

}  // namespace

TEST_F(CliArchive, AnExportSplitOverArchivesIsOneTree)
{
    const std::string name = "takeout-20250203T030726Z-";
    const std::string photos = "Takeout/Google Photos/Photos from 2015/";
    ZipBuilder first, second, third, stranger;
    first.Add(photos + "IMG_0001.jpg", PhotoWithoutDate());
    first.Add(photos + "IMG_0002.jpg", PhotoWithoutDate(), true);
    first.Add(photos + "Urlaub_am_Meer_2014_Foto_7.jpg", PhotoWithoutDate());
    first.Add(photos + "IMG_0004.jpg", PhotoWithoutDate());
    // A motion photo's video takes its still's sidecar.
    first.Add(photos + "MVIMG_0006.jpg", PhotoWithoutDate());
    first.Add(photos + "MVIMG_0006.MP4", "not a movie the tool can date");
    // Its sidecars lie in the second and third archive, in every form.
    second.Add(photos + "IMG_0001.jpg.json", Sidecar("IMG_0001.jpg", kMay15), true);
    second.Add(photos + "MVIMG_0006.jpg.json", Sidecar("MVIMG_0006.jpg", kJune15));
    second.Add(photos + "IMG_0002.jpg.supplemental-metadata.json", Sidecar("IMG_0002.jpg", kJune15));
    third.Add(photos + "Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json",
              Sidecar("Urlaub_am_Meer_2014_Foto_7.jpg", kJuly15), true);
    // An archive of another export, however alike its names, is another tree.
    stranger.Add(photos + "IMG_0004.jpg.json", Sidecar("IMG_0004.jpg", kMay15));
    const std::string a = Archive(name + "001.zip", first);
    Archive(name + "002.zip", second);
    Archive(name + "003.zip", third);
    Archive("takeout-20240101T000000Z-001.zip", stranger);

    const CliOutcome run =
            RunCli({"organize", "--takeout", "--ext", "jpg,mp4", "--no-day", "--out", w.Out(), a});
    EXPECT_EQ(run.exitCode, 1u) << run.out << run.err;
    const std::string inside = a + "\\Takeout\\Google Photos\\Photos from 2015\\";
    EXPECT_EQ(Sorted(Lines(run.out)),
              Sorted({inside + "IMG_0001.jpg\t" + w.Out("2015\\2015_05\\IMG_0001.jpg") +
                              "\tOK (date from Takeout sidecar \"IMG_0001.jpg.json\")",
                      inside + "IMG_0002.jpg\t" + w.Out("2015\\2015_06\\IMG_0002.jpg") +
                              "\tOK (date from Takeout sidecar \"IMG_0002.jpg.supplemental-metadata.json\")",
                      inside + "Urlaub_am_Meer_2014_Foto_7.jpg\t" +
                              w.Out("2015\\2015_07\\Urlaub_am_Meer_2014_Foto_7.jpg") +
                              "\tOK (date from Takeout sidecar "
                              "\"Urlaub_am_Meer_2014_Foto_7.jpg.supplemental-me.json\")",
                      inside + "MVIMG_0006.jpg\t" + w.Out("2015\\2015_06\\MVIMG_0006.jpg") +
                              "\tOK (date from Takeout sidecar \"MVIMG_0006.jpg.json\")",
                      inside + "MVIMG_0006.MP4\t" + w.Out("2015\\2015_06\\MVIMG_0006.MP4") +
                              "\tOK (date from Takeout sidecar \"MVIMG_0006.jpg.json\")",
                      inside + "IMG_0004.jpg\t\tFailed to get date picture taken. Maybe no EXIF info in the "
                               "file (no Takeout sidecar)"}))
            << run.err;
    EXPECT_EQ(FilesOnly(w.Out()).size(), 5u);
    EXPECT_FALSE(Exists(w.Out("~qmzip.qmpart")));
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, ASidecarOfAnotherFolderInsideIsNotTheFilesOwn)
{
    ZipBuilder zip;
    zip.Add("b/IMG_9.jpg.json", Sidecar("IMG_9.jpg", kMay15));
    zip.Add("a/IMG_9.jpg", PhotoWithoutDate());
    const std::string album = Archive("album.zip", zip);
    const CliOutcome run =
            RunCli({"organize", "--takeout", "--ext", "jpg,json", "--no-day", "--out", w.Out(), album});
    EXPECT_EQ(run.exitCode, 1u) << run.out << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[1],
              album + "\\a\\IMG_9.jpg\t\tFailed to get date picture taken. Maybe no EXIF info in the "
                      "file (no Takeout sidecar)");
    EXPECT_TRUE(FilesOnly(w.Out()).empty());
}

TEST_F(CliArchive, ASidecarsPositionGivesThePlaceOfAFileWithoutOne)
{
    // In an archive and in a folder alike.
    ZipBuilder zip;
    zip.Add("IMG_0001.jpg", PhotoWithoutDate());
    zip.Add("IMG_0001.jpg.json", Sidecar("IMG_0001.jpg", kMay15, 48.5839, 7.7455));
    const std::string archive = Archive("export.zip", zip);
    ASSERT_TRUE(CreateDirectoryA(w.Src("loose").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(w.Src("loose\\kehl.jpg"), PhotoWithoutDate()));
    ASSERT_TRUE(WriteText(w.Src("loose\\kehl.jpg.json"), Sidecar("kehl.jpg", kMay15, 48.5730, 7.8152)));

    const CliOutcome run = RunCli({"organize", "--takeout", "--ext", "jpg", "--no-year", "--month-format",
                                   "%C", "--day-format", "%R", "--out", w.Out(), archive, w.Src("loose\\")});
    EXPECT_EQ(run.exitCode, 0u) << run.out << run.err;
    const auto files = FilesOnly(w.Out());
    EXPECT_EQ(files.count("France\\Grand Est\\IMG_0001.jpg"), 1u) << run.out;
    EXPECT_EQ(files.count("Germany\\Baden-W\xC3\xBCrttemberg\\kehl.jpg"), 1u) << run.out;
}

TEST_F(CliArchive, AKilledCopysStageIsRemovedByTheNextRunAndNothingElse)
{
    std::map<std::string, std::string> library;
    const std::string archive = Large(library);
    const std::vector<std::string> copy = {"organize", "--copy", "--exists", "identical",
                                           "--out",    w.Out(),  archive};
    ASSERT_TRUE(KillWhileStaged(copy));
    const std::string stage = w.Out("~qmzip.qmpart\\");
    ASSERT_TRUE(Exists(stage + "~qmstage1.qmlock"));
    // Files that are no stage's, among them a record naming what no stage makes and a text that
    // names a file but is no record.
    ASSERT_TRUE(CreateDirectoryA((stage + "keep").c_str(), nullptr));
    const std::map<std::string, std::string> mine = {
            {"mine.txt", "kept.jpg\n"}, {"kept.jpg", "mine"}, {"keep\\k.jpg", "mine"}};
    for (const auto& [name, bytes] : mine)
        ASSERT_TRUE(WriteText(stage + name, bytes));
    ASSERT_TRUE(WriteText(stage + "~qmstage9.qmlock", "keep/k.jpg\n\\kept.jpg\n"));
    const std::map<std::string, std::string> left = FilesOnly(stage);
    ASSERT_GT(left.size(), mine.size() + 2);

    // While a running program holds its record the stage is left whole; that run works beside it.
    HANDLE held = CreateFileA((stage + "~qmstage1.qmlock").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const CliOutcome beside = RunCli(copy);
    CloseHandle(held);
    EXPECT_EQ(beside.exitCode, 0u) << beside.out << beside.err;
    EXPECT_EQ(FilesOnly(stage), left);
    EXPECT_EQ(Library(w.Out()), library);

    const CliOutcome after = RunCli(copy);
    EXPECT_EQ(after.exitCode, 0u) << after.out << after.err;
    EXPECT_EQ(FilesOnly(stage), mine);
    EXPECT_EQ(Library(w.Out()), library);
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, UndoOfAKilledCopyRemovesItsStage)
{
    std::map<std::string, std::string> library;
    const std::string archive = Large(library);
    ASSERT_TRUE(KillWhileStaged({"organize", "--copy", "--out", w.Out(), archive}));
    ASSERT_TRUE(Exists(w.Out("~qmzip.qmpart\\~qmstage1.qmlock")));
    // A dry run of the undo changes nothing, the stage included.
    const auto before = Snapshot(w.Out());
    const CliOutcome dry = RunCli({"undo", "--dry-run"});
    EXPECT_EQ(dry.exitCode, 0u) << dry.out << dry.err;
    EXPECT_EQ(Snapshot(w.Out()), before);
    const CliOutcome undo = RunCli({"undo"});
    EXPECT_EQ(undo.exitCode, 0u) << undo.out << undo.err;
    EXPECT_EQ(FilesOnly(w.Out()), (std::map<std::string, std::string> {}));
    EXPECT_FALSE(Exists(w.Out("~qmzip.qmpart")));
    ExpectArchivesUnchanged();
}

TEST_F(CliArchive, LookupTakesAMemberWithItsSidecarAndItsPlace)
{
    // In an archive and in a folder alike: the date and the place from the sidecar.
    ZipBuilder zip;
    zip.Add("Takeout/kehl.jpg", PhotoWithoutDate());
    zip.Add("Takeout/kehl.jpg.supplemental-metadata.json", Sidecar("kehl.jpg", kMay15, 48.5730, 7.8152),
            true);
    const std::string member = Archive("export.zip", zip) + "\\Takeout\\kehl.jpg";
    ASSERT_TRUE(CreateDirectoryA(w.Src("loose").c_str(), nullptr));
    const std::string loose = w.Src("loose\\kehl.jpg");
    ASSERT_TRUE(WriteBytes(loose, PhotoWithoutDate()));
    ASSERT_TRUE(WriteText(w.Src("loose\\kehl.jpg.json"), Sidecar("kehl.jpg", kMay15, 48.5730, 7.8152)));

    const CliOutcome lookup = RunCli({"lookup", "--takeout", "--explain", member, loose});
    EXPECT_EQ(lookup.exitCode, 0u) << lookup.out << lookup.err;
    const std::string place = "Kehl, Baden-W\xC3\xBCrttemberg, Germany (0.0 km)";
    EXPECT_EQ(Lines(lookup.out),
              (std::vector<std::string> {
                      member +
                              "\t2015:05:15 14:00:00 (Takeout sidecar)\tTakeout sidecar "
                              "\"kehl.jpg.supplemental-metadata.json\" (Europe/Berlin from the GPS "
                              "position)\t" +
                              place,
                      loose +
                              "\t2015:05:15 14:00:00 (Takeout sidecar)\tTakeout sidecar \"kehl.jpg.json\" "
                              "(Europe/Berlin from the GPS position)\t" +
                              place}));
    // Without Takeout dates the member has no date of its own.
    const CliOutcome plain = RunCli({"lookup", member});
    EXPECT_EQ(plain.exitCode, 1u) << plain.out;
    EXPECT_EQ(plain.out.find(member + "\t"), 0u) << plain.out;
    // The copies the lookups read are gone with them.
    char temp[MAX_PATH + 1];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(temp) + "*~qmzip.qmpart").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    ExpectArchivesUnchanged();
}
