// Runs that skip the files the library already has, through the real program: a library made by
// hand in any layout, cards imported twice, reformatted cards, and library files changed, moved
// or deleted between runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/WidePath.h"
#include "tests/win/cli/CliProcess.h"
#include "tests/support/ZipBuilder.h"
#include "tests/win/cli/CliWorkspace.h"

namespace {

const std::string kKnown = "Already in the library: ";

class CliLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (GetFileAttributesA(CliProgram().c_str()) == INVALID_FILE_ATTRIBUTES)
            FAIL() << "quillmere-cli.exe is not built: " << CliProgram();
    }

    // A copy of source's bytes at path, made by hand (not by a run).
    void CopyByHand(const std::string& source, const std::string& path)
    {
        bool ok = false;
        const std::string bytes = ReadText(source, &ok);
        ASSERT_TRUE(ok) << source;
        for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        ASSERT_TRUE(WriteText(path, bytes)) << path;
    }

    CliOutcome Organize(std::vector<std::string> extra, const std::vector<std::string>& paths)
    {
        std::vector<std::string> args {"organize", "--skip-known", "--out", ws.Out()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), paths.begin(), paths.end());
        return RunCli(args);
    }

    // The stored index files in the runs folder.
    std::vector<std::string> IndexFiles() const
    {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : FilesBelow(ws.Runs()))
            if (name.size() > 6 && name.substr(name.size() - 6) == ".qmlib")
                names.push_back(name);
        return names;
    }

    std::string Day(const std::string& name) const { return ws.Out("2015\\2015_06\\2015_06_01\\" + name); }

    Workspace ws;
};

TEST_F(CliLibrary, AHandMadeLibraryIsFoundUnderAnyNameAndOnlySameBytesCount)
{
    const std::string date = "2015:06:01 10:00:00";
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), date, "CamA", 200000));
    ASSERT_TRUE(ws.Put(ws.Src("b.jpg"), date, "CamB", 3000));
    ASSERT_TRUE(ws.Put(ws.Src("c.jpg"), date, "CamC", 90000));
    // The same photo under another name in the list: placed once.
    CopyByHand(ws.Src("c.jpg"), ws.Src("copy of c.jpg"));
    // Renamed copies in folders of the user's own.
    CopyByHand(ws.Src("a.jpg"), ws.Out("Holidays\\Best of\\holiday 1.jpg"));
    CopyByHand(ws.Src("b.jpg"), ws.Out("zz\\RENAMED.JPG"));
    // Same name as a source with other bytes, and the same size as c with other bytes.
    ASSERT_TRUE(ws.Put(ws.Out("q\\a.jpg"), date, "CamQ", 5));
    ASSERT_TRUE(ws.Put(ws.Out("collide.jpg"), date, "CamD", 90000));
    bool ok = false;
    ASSERT_EQ(ReadText(ws.Out("collide.jpg"), &ok).size(), ReadText(ws.Src("c.jpg")).size());
    const auto sources = Snapshot(ws.Src(""));
    auto library = Snapshot(ws.Out());

    const CliOutcome run =
            Organize({}, {ws.Src("a.jpg"), ws.Src("b.jpg"), ws.Src("c.jpg"), ws.Src("copy of c.jpg")});
    ASSERT_TRUE(run.started);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string> {
                      ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("Holidays\\Best of\\holiday 1.jpg"),
                      ws.Src("b.jpg") + "\t\t" + kKnown + ws.Out("zz\\RENAMED.JPG"),
                      ws.Src("c.jpg") + "\t" + Day("c.jpg") + "\tOK",
                      ws.Src("copy of c.jpg") + "\t\t" + kKnown + Day("c.jpg"),
              }));
    EXPECT_EQ(run.err, "4 files, 1 OK, 3 skipped, 0 failed\n");
    EXPECT_EQ(Snapshot(ws.Src("")), sources);
    library["2015\\"] = "";
    library["2015\\2015_06\\"] = "";
    library["2015\\2015_06\\2015_06_01\\"] = "";
    library["2015\\2015_06\\2015_06_01\\c.jpg"] = sources.at("c.jpg");
    EXPECT_EQ(Snapshot(ws.Out()), library);
    EXPECT_EQ(IndexFiles().size(), 1u);

    // Without the option, the same list is copied again, the library notwithstanding.
    const CliOutcome plain = RunCli({"organize", "--out", ws.Out(), ws.Src("a.jpg")});
    EXPECT_EQ(Lines(plain.out), std::vector<std::string> {ws.Src("a.jpg") + "\t" + Day("a.jpg") + "\tOK"});
}

TEST_F(CliLibrary, ACardImportedTwiceIsCopiedOnceAndAReformattedCardAgain)
{
    const std::vector<std::string> card {ws.Src("DCIM\\IMG_0001.JPG"), ws.Src("DCIM\\IMG_0002.JPG")};
    ASSERT_TRUE(ws.Put(card[0], "2015:06:01 10:00:00", "CamA", 70000));
    ASSERT_TRUE(ws.Put(card[1], "2015:06:01 11:00:00", "CamA", 70000));
    const CliOutcome first = Organize({}, {ws.Src("")});
    ASSERT_EQ(first.exitCode, 0u) << first.err;
    EXPECT_EQ(first.err, "2 files, 2 OK, 0 skipped, 0 failed\n");
    const auto library = Snapshot(ws.Out());
    const std::size_t journals = ws.Journals().size();

    const CliOutcome second = Organize({}, {ws.Src("")});
    EXPECT_EQ(second.exitCode, 0u) << second.err;
    EXPECT_EQ(Lines(second.out),
              (std::vector<std::string> {card[0] + "\t\t" + kKnown + Day("IMG_0001.JPG"),
                                         card[1] + "\t\t" + kKnown + Day("IMG_0002.JPG")}));
    EXPECT_EQ(Snapshot(ws.Out()), library);
    EXPECT_EQ(ws.Journals().size(), journals) << "a run that changed nothing keeps no journal";

    // Losing the index loses nothing but speed.
    for (const std::string& name : IndexFiles())
        ASSERT_TRUE(DeleteFileA((ws.Runs() + name).c_str()));
    const CliOutcome third = Organize({}, {ws.Src("")});
    EXPECT_EQ(third.out, second.out);

    // The card reformatted: the same names with new photos and new times.
    for (const std::string& path : card)
        ASSERT_TRUE(DeleteFileA(path.c_str()));
    ASSERT_TRUE(ws.Put(card[0], "2015:06:01 10:00:00", "CamB", 70000));
    ASSERT_TRUE(ws.Put(card[1], "2015:06:01 11:00:00", "CamB", 70000));
    const CliOutcome reformatted = Organize({}, {ws.Src("")});
    EXPECT_EQ(Lines(reformatted.out),
              (std::vector<std::string> {card[0] + "\t" + Day("IMG_0001_1.JPG") + "\tOK",
                                         card[1] + "\t" + Day("IMG_0002_1.JPG") + "\tOK"}));
}

// The second import of a card opens none of its files, not even for their dates: each is held
// by another program that lets nobody read it, and each is still known.
TEST_F(CliLibrary, ACardImportedAgainIsNotReadAtAll)
{
    std::vector<std::string> card;
    for (int i = 1; i <= 3; ++i) {
        card.push_back(ws.Src("DCIM\\IMG_000" + std::to_string(i) + ".JPG"));
        ASSERT_TRUE(ws.Put(card.back(), "2015:06:01 10:00:0" + std::to_string(i), "CamA", 20000u + i));
    }
    ASSERT_EQ(Organize({}, {ws.Src("")}).exitCode, 0u);
    const auto library = Snapshot(ws.Out());
    std::vector<HANDLE> held;
    for (const std::string& path : card) {
        held.push_back(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.back(), INVALID_HANDLE_VALUE) << path;
    }
    const CliOutcome again = Organize({}, {ws.Src("")});
    for (HANDLE h : held)
        CloseHandle(h);
    EXPECT_EQ(again.exitCode, 0u) << again.out << again.err;
    EXPECT_EQ(Lines(again.out), (std::vector<std::string> {card[0] + "\t\t" + kKnown + Day("IMG_0001.JPG"),
                                                           card[1] + "\t\t" + kKnown + Day("IMG_0002.JPG"),
                                                           card[2] + "\t\t" + kKnown + Day("IMG_0003.JPG")}));
    EXPECT_EQ(Snapshot(ws.Out()), library);
}

// A photo copied out of a zip archive has no size and time of its own on the drive to be known
// by: every later run knows it by its bytes, read from the copy staged for it.
TEST_F(CliLibrary, APhotoFromAnArchiveIsKnownByItsBytes)
{
    const std::vector<unsigned char> photo = JpegTaken("2015:06:01 10:00:00", "CamA", 3000);
    ZipBuilder zip;
    zip.Add("a.jpg", std::string(photo.begin(), photo.end()));
    ASSERT_TRUE(WriteText(ws.Src("card.zip"), zip.Build()));
    const std::string member = ws.Src("card.zip\\a.jpg");
    const CliOutcome first = Organize({}, {ws.Src("card.zip")});
    EXPECT_EQ(Lines(first.out), std::vector<std::string> {member + "\t" + Day("a.jpg") + "\tOK"});
    for (int run = 0; run < 2; ++run) {
        const CliOutcome again = Organize({}, {ws.Src("card.zip")});
        EXPECT_EQ(Lines(again.out), std::vector<std::string> {member + "\t\t" + kKnown + Day("a.jpg")});
    }
}

// Bytes at path, with every folder on the way made (names in any script).
bool PutBytes(const std::string& path, const std::string& bytes)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(WidePath(path.substr(0, at)).c_str(), nullptr);
    return WriteText(path, bytes);
}

// A library laid out by hand in folders and under names of its own, drawn at random: renamed
// copies of some sources are skipped, each naming where it is; a file of a source's size with its
// first and last blocks but another middle (only the full comparison tells it apart) and a file
// under a source's target name with other bytes stand for nothing; the dry run decides as the run.
TEST_F(CliLibrary, ARandomHandMadeLibraryIsFoundAndOnlyTheSameBytesCount)
{
    const std::vector<std::string> folders {"Holidays", "2019 Paris", "zz", "Été à Nîmes",
                                            "Ολυμπία",  "a.b",        "x"};
    const std::vector<std::string> names {"photo", "DSC", "été", "IMG", "копия"};
    const std::vector<std::string> extensions {".jpg", ".JPG", ".jpeg"};
    for (const unsigned seed : {1u, 2u}) {
        Workspace w;
        std::mt19937 random(seed);
        auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        // The library's own folders, one to three deep.
        auto somewhere = [&](int i) {
            std::string path;
            for (std::size_t depth = 1 + pick(3); depth > 0; --depth)
                path += folders[pick(folders.size())] + "\\";
            return path + names[pick(names.size())] + " " + std::to_string(i) +
                   extensions[pick(extensions.size())];
        };
        std::vector<std::string> sources, expected;
        std::vector<std::string> holds;  // by source: the library file with its bytes after the run
        std::map<std::string, std::string> placed;  // below the output folder -> bytes
        const std::string day = "2015\\2015_06\\2015_06_01\\";
        for (int i = 0; i < 8; ++i) {
            const std::string name = "s" + std::to_string(i) + ".jpg";
            const std::size_t kind = i < 4 ? static_cast<std::size_t>(i) : pick(4);
            // Longer than both end blocks, so that a twin can share them.
            const std::vector<unsigned char> jpeg =
                    JpegTaken("2015:06:01 10:00:00", "Cam" + std::to_string(seed * 10 + i), 140000 + pick(3));
            const std::string bytes(jpeg.begin(), jpeg.end());
            sources.push_back(w.Src(name));
            ASSERT_TRUE(PutBytes(sources.back(), bytes));
            std::string at = day + name;
            if (kind == 0) {
                const std::string copy = somewhere(i);
                ASSERT_TRUE(PutBytes(w.Out(copy), bytes)) << copy;
                expected.push_back(sources.back() + "\t\t" + kKnown + w.Out(copy));
                holds.push_back(w.Out(copy));
                continue;
            }
            if (kind == 2) {
                std::string twin = bytes;
                twin[twin.size() / 2] = static_cast<char>(twin[twin.size() / 2] ^ 0x01);
                ASSERT_GT(twin.size(), 2u * 65536u);
                ASSERT_EQ(twin.substr(0, 65536), bytes.substr(0, 65536));
                ASSERT_EQ(twin.substr(twin.size() - 65536), bytes.substr(bytes.size() - 65536));
                ASSERT_TRUE(PutBytes(w.Out(somewhere(i)), twin));
            }
            if (kind == 3) {
                const std::vector<unsigned char> other =
                        JpegTaken("2014:01:01 10:00:00", "Other", bytes.size());
                ASSERT_TRUE(PutBytes(w.Out(day + name), std::string(other.begin(), other.end())));
                at = day + "s" + std::to_string(i) + "_1.jpg";
            }
            placed[at] = bytes;
            expected.push_back(sources.back() + "\t" + w.Out(at) + "\tOK");
            holds.push_back(w.Out(at));
        }
        const std::string label = "seed " + std::to_string(seed);
        const auto before = Snapshot(w.Data());
        const auto library = Snapshot(w.Out());
        const auto sourceFiles = Snapshot(w.Src(""));
        std::vector<std::string> args {"organize", "--skip-known", "--out", w.Out()};
        args.insert(args.end(), sources.begin(), sources.end());
        std::vector<std::string> dryArgs = args;
        dryArgs.insert(dryArgs.begin() + 1, "--dry-run");
        const CliOutcome dry = RunCli(dryArgs);
        EXPECT_TRUE(Snapshot(w.Data()) == before) << label << ": the dry run changed the tree";
        const CliOutcome run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0u) << label << run.err;
        EXPECT_EQ(Lines(run.out), expected) << label;
        EXPECT_EQ(dry.out, run.out) << label;
        EXPECT_TRUE(Snapshot(w.Src("")) == sourceFiles) << label;
        // The library's own files as they were, and beside them only what the run placed.
        auto expectedOut = library;
        for (const std::string& folder : {std::string("2015\\"), std::string("2015\\2015_06\\"), day})
            expectedOut[folder] = "";
        expectedOut.insert(placed.begin(), placed.end());
        const auto now = Snapshot(w.Out());
        EXPECT_EQ(now.size(), expectedOut.size()) << label;
        for (const auto& [path, bytes] : expectedOut) {
            const auto found = now.find(path);
            EXPECT_TRUE(found != now.end() && found->second == bytes) << label << ": " << path;
        }

        // Run again, every source is in the library now: where the first run found or put it.
        const CliOutcome again = RunCli(args);
        std::vector<std::string> known;
        for (std::size_t i = 0; i < sources.size(); ++i)
            known.push_back(sources[i] + "\t\t" + kKnown + holds[i]);
        EXPECT_EQ(Lines(again.out), known) << label;
    }
}

// Undoing a run that skipped known files takes out only what it placed, copied or moved: the next
// run places those again, and still skips the file the library had before it.
TEST_F(CliLibrary, AfterAnUndoTheUndoneFilesArePlacedAgainAndTheKnownOneStillSkipped)
{
    const std::vector<std::string> paths {ws.Src("a.jpg"), ws.Src("b.jpg"), ws.Src("c.jpg")};
    for (std::size_t i = 0; i < paths.size(); ++i)
        ASSERT_TRUE(ws.Put(paths[i], "2015:06:01 10:00:00", "Cam" + std::to_string(i), 30000));
    CopyByHand(paths[2], ws.Out("mine\\c old.jpg"));
    const auto before = Snapshot(ws.Data());
    const std::vector<std::string> placedAgain {paths[0] + "\t" + Day("a.jpg") + "\tOK",
                                                paths[1] + "\t" + Day("b.jpg") + "\tOK",
                                                paths[2] + "\t\t" + kKnown + ws.Out("mine\\c old.jpg")};
    for (const char* how : {"copy", "move", "copy"}) {
        const bool move = std::string(how) == "move";
        const CliOutcome run =
                Organize(move ? std::vector<std::string> {"--move"} : std::vector<std::string> {}, paths);
        EXPECT_EQ(run.exitCode, 0u) << how << run.err;
        EXPECT_EQ(Lines(run.out), placedAgain) << how;
        EXPECT_EQ(Exists(paths[0]), !move) << how;
        EXPECT_TRUE(Exists(paths[2])) << how;
        EXPECT_EQ(IndexFiles().size(), 1u) << how;
        const CliOutcome undo = RunCli({"undo"});
        EXPECT_EQ(undo.exitCode, 0u) << how << undo.out << undo.err;
        EXPECT_TRUE(Snapshot(ws.Data()) == before) << how << ": " << undo.out;
    }
}

TEST_F(CliLibrary, LibraryFilesChangedMovedOrDeletedBetweenRunsAreSeenAsTheyAreNow)
{
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(ws.Put(ws.Src(name), "2015:06:01 10:00:00", name, 40000));
    ASSERT_EQ(Organize({}, {ws.Src("")}).exitCode, 0u);
    // a's copy edited in the library, b's moved into another folder, c's deleted.
    ASSERT_TRUE(WriteText(Day("a.jpg"), "edited"));
    ASSERT_TRUE(CreateDirectoryA(ws.Out("kept").c_str(), nullptr));
    ASSERT_TRUE(MoveFileA(Day("b.jpg").c_str(), ws.Out("kept\\b moved.jpg").c_str()));
    ASSERT_TRUE(DeleteFileA(Day("c.jpg").c_str()));

    const CliOutcome run = Organize({}, {ws.Src("a.jpg"), ws.Src("b.jpg"), ws.Src("c.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out),
              (std::vector<std::string> {ws.Src("a.jpg") + "\t" + Day("a_1.jpg") + "\tOK",
                                         ws.Src("b.jpg") + "\t\t" + kKnown + ws.Out("kept\\b moved.jpg"),
                                         ws.Src("c.jpg") + "\t" + Day("c.jpg") + "\tOK"}));
    EXPECT_EQ(ReadText(Day("a_1.jpg")), ReadText(ws.Src("a.jpg")));
}

// Sets a file's last-write time, as a camera or a copy tool would.
bool SetWriteTime(const std::string& path, std::uint64_t time)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FILETIME ft {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    const bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
    CloseHandle(h);
    return ok;
}

std::uint64_t WriteTimeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

TEST_F(CliLibrary, ASourceImportedBeforeIsKnownByItsStampUntilItChanges)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 30000));
    ASSERT_EQ(Organize({}, {ws.Src("a.jpg")}).exitCode, 0u);
    // The library copy's bytes change behind the index's back: same size, same time.
    const std::uint64_t placed = WriteTimeOf(Day("a.jpg"));
    std::string bytes = ReadText(Day("a.jpg"));
    bytes.back() = static_cast<char>(bytes.back() ^ 0x55);
    ASSERT_TRUE(WriteText(Day("a.jpg"), bytes));
    ASSERT_TRUE(SetWriteTime(Day("a.jpg"), placed));
    // Recognised from the earlier import alone: nothing of either file is compared.
    const CliOutcome again = Organize({}, {ws.Src("a.jpg")});
    EXPECT_EQ(Lines(again.out), std::vector<std::string> {ws.Src("a.jpg") + "\t\t" + kKnown + Day("a.jpg")});
    // The source touched: now its bytes are compared, and they differ.
    ASSERT_TRUE(SetWriteTime(ws.Src("a.jpg"), WriteTimeOf(ws.Src("a.jpg")) + 20000000));
    const CliOutcome touched = Organize({}, {ws.Src("a.jpg")});
    EXPECT_EQ(Lines(touched.out),
              std::vector<std::string> {ws.Src("a.jpg") + "\t" + Day("a_1.jpg") + "\tOK"});
}

TEST_F(CliLibrary, ASourceFoundByItsBytesIsKnownByItsStampNextTime)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 30000));
    CopyByHand(ws.Src("a.jpg"), ws.Out("old\\x.jpg"));
    const CliOutcome first = Organize({}, {ws.Src("a.jpg")});
    EXPECT_EQ(Lines(first.out),
              std::vector<std::string> {ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("old\\x.jpg")});
    // Changed behind the index's back (same size and time): the second run compares nothing.
    const std::uint64_t time = WriteTimeOf(ws.Out("old\\x.jpg"));
    std::string bytes = ReadText(ws.Out("old\\x.jpg"));
    bytes.back() = static_cast<char>(bytes.back() ^ 0x55);
    ASSERT_TRUE(WriteText(ws.Out("old\\x.jpg"), bytes));
    ASSERT_TRUE(SetWriteTime(ws.Out("old\\x.jpg"), time));
    const CliOutcome second = Organize({}, {ws.Src("a.jpg")});
    EXPECT_EQ(second.out, first.out);
}

TEST_F(CliLibrary, AMoveLeavesAKnownSourceWhereItIs)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 1000));
    CopyByHand(ws.Src("a.jpg"), ws.Out("old\\x.jpg"));
    const CliOutcome run = Organize({"--move"}, {ws.Src("a.jpg")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out),
              std::vector<std::string> {ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("old\\x.jpg")});
    EXPECT_TRUE(Exists(ws.Src("a.jpg")));
    EXPECT_FALSE(Exists(Day("a.jpg")));
}

TEST_F(CliLibrary, CompanionsStayWithAKnownPhoto)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 1000));
    ASSERT_TRUE(WriteText(ws.Src("a.xmp"), "<x:xmpmeta/>"));
    CopyByHand(ws.Src("a.jpg"), ws.Out("old\\x.jpg"));
    const CliOutcome run = Organize({"--companions"}, {ws.Src("a.jpg"), ws.Src("a.xmp")});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(Lines(run.out), (std::vector<std::string> {
                                      ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("old\\x.jpg"),
                                      ws.Src("a.xmp") + "\t\tStays with its photo (photo not organized)"}));
    EXPECT_FALSE(Exists(Day("a.xmp")));
}

TEST_F(CliLibrary, ADryRunReportsWhatTheRunThenDoes)
{
    const std::string date = "2015:06:01 10:00:00";
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), date, "CamA", 5000));
    ASSERT_TRUE(ws.Put(ws.Src("b.jpg"), date, "CamB", 5000));
    CopyByHand(ws.Src("b.jpg"), ws.Src("sub\\b again.jpg"));
    CopyByHand(ws.Src("a.jpg"), ws.Out("mine\\a.jpg"));
    const std::vector<std::string> paths {ws.Src("a.jpg"), ws.Src("b.jpg"), ws.Src("sub\\b again.jpg")};
    const auto before = Snapshot(ws.Data());
    const CliOutcome dry = Organize({"--dry-run"}, paths);
    EXPECT_EQ(Snapshot(ws.Data()), before) << "the dry run changed the tree";
    EXPECT_TRUE(IndexFiles().empty()) << "a dry run leaves no trace";
    const CliOutcome real = Organize({}, paths);
    EXPECT_EQ(dry.out, real.out);
    EXPECT_EQ(Lines(real.out),
              (std::vector<std::string> {ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("mine\\a.jpg"),
                                         ws.Src("b.jpg") + "\t" + Day("b.jpg") + "\tOK",
                                         ws.Src("sub\\b again.jpg") + "\t\t" + kKnown + Day("b.jpg")}));
}

TEST_F(CliLibrary, AnUnfinishedCopyInTheLibraryIsNoPhotoOfIt)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 1000));
    CopyByHand(ws.Src("a.jpg"), ws.Out("x\\~a.jpg.qmpart"));
    const CliOutcome run = Organize({}, {ws.Src("a.jpg")});
    EXPECT_EQ(Lines(run.out), std::vector<std::string> {ws.Src("a.jpg") + "\t" + Day("a.jpg") + "\tOK"});
}

TEST_F(CliLibrary, AReplacementThatFailedIsNotRememberedAsPlaced)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 1000));
    ASSERT_TRUE(ws.Put(Day("a.jpg"), "2015:06:01 10:00:00", "Other", 3000));
    // Another program holds the library file: the replacement fails.
    HANDLE held = CreateFileA(Day("a.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const CliOutcome failed = Organize({"--exists", "overwrite"}, {ws.Src("a.jpg")});
    CloseHandle(held);
    EXPECT_EQ(failed.exitCode, 1u) << failed.out;
    const CliOutcome again = Organize({"--exists", "overwrite"}, {ws.Src("a.jpg")});
    EXPECT_EQ(Lines(again.out), std::vector<std::string> {ws.Src("a.jpg") + "\t" + Day("a.jpg") + "\tOK"});
    EXPECT_EQ(ReadText(Day("a.jpg")), ReadText(ws.Src("a.jpg")));
}

TEST_F(CliLibrary, TheSavedSwitchLooksOnlyInTheOutputFolderOfARunThatHasOne)
{
    struct Saved {
        Saved() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmere"); }
        ~Saved() { RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillmere"); }
        bool Set(const char* name, DWORD value)
        {
            return RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", name, REG_DWORD, &value,
                                   sizeof value) == ERROR_SUCCESS;
        }
    } saved;
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 1000));
    CopyByHand(ws.Src("a.jpg"), ws.Out("x.jpg"));
    ASSERT_TRUE(saved.Set("SkipKnownFiles", 1));
    ASSERT_TRUE(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillmere\\Options", "CustomTargetFolder",
                                REG_SZ, ws.Out().c_str(),
                                static_cast<DWORD>(ws.Out().size() + 1)) == ERROR_SUCCESS);
    // The files go beside their sources: the folder named for another setting is no library.
    ASSERT_TRUE(saved.Set("OutputFolderType", 0));
    const CliOutcome beside = RunCli({"organize", "--saved", "--dry-run", ws.Src("a.jpg")});
    EXPECT_EQ(Lines(beside.out),
              std::vector<std::string> {ws.Src("a.jpg") + "\t" + ws.Src("2015\\2015_06\\2015_06_01\\a.jpg") +
                                        "\tOK"});
    ASSERT_TRUE(saved.Set("OutputFolderType", 1));
    const CliOutcome library = RunCli({"organize", "--saved", "--dry-run", ws.Src("a.jpg")});
    EXPECT_EQ(Lines(library.out),
              std::vector<std::string> {ws.Src("a.jpg") + "\t\t" + kKnown + ws.Out("x.jpg")});
}

TEST_F(CliLibrary, LookupSaysWhereAFileAlreadyIs)
{
    ASSERT_TRUE(ws.Put(ws.Src("a.jpg"), "2015:06:01 10:00:00", "CamA", 2000));
    ASSERT_TRUE(ws.Put(ws.Src("b.jpg"), "2015:06:01 10:00:00", "CamB", 2000));
    CopyByHand(ws.Src("a.jpg"), ws.Out("x\\y\\renamed.jpg"));
    ASSERT_TRUE(ws.Put(ws.Out("same size.jpg"), "2015:06:01 10:00:00", "CamC", 2000));
    const CliOutcome found =
            RunCli({"lookup", "--library", ws.Out(), ws.Src("a.jpg"), ws.Src("b.jpg"), ws.Src("gone.jpg")});
    EXPECT_EQ(found.exitCode, 1u) << found.err;
    EXPECT_EQ(Lines(found.out),
              (std::vector<std::string> {ws.Src("a.jpg") + "\t" + ws.Out("x\\y\\renamed.jpg"),
                                         ws.Src("b.jpg") + "\tnot in the library",
                                         ws.Src("gone.jpg") + "\tcannot be read"}));
    const CliOutcome all = RunCli({"lookup", "--library", ws.Out(), ws.Src("a.jpg"), ws.Src("b.jpg")});
    EXPECT_EQ(all.exitCode, 0u) << all.err;
    EXPECT_EQ(RunCli({"lookup", "--library", ws.Data("none"), ws.Src("a.jpg")}).exitCode, 2u);
}

}  // namespace
