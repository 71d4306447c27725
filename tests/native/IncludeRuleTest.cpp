// The floors of the source tree (architecture.md): each folder includes only the folders below
// it, and no files include each other in a circle, neither file by file nor folder by folder. The
// rule is read from every source's #include "..." lines, so it holds for what the compiler sees.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What each folder may include besides itself. A folder missing here is refused, so that a new
// folder takes its floor before its first include counts.
const std::map<std::string, std::set<std::string>> kFloors = {
        {"base", {}},
        {"metaprobe", {"base"}},
        {"zones", {"base"}},
        {"engine", {"base"}},
        {"toolkit", {"base"}},
        {"resources", {}},
        {"metadata", {"base", "metaprobe", "engine", "zones"}},
        {"cli", {"base", "engine", "metadata", "zones"}},
        {"ui", {"base", "engine", "metadata", "toolkit", "resources", "zones"}},
        // The start command's demo builds its sample photos with the tests' JPEG builder.
        {"demo", {"base", "engine", "metadata", "toolkit", "tests"}},
};
// Tests, fuzz targets and benchmarks stand above every floor.
const std::set<std::string> kAboveFloors = {"tests", "fuzz", "bench"};

// A source file and the sources it includes, as paths relative to the tree's top with '/'.
using IncludeMap = std::map<std::string, std::set<std::string>>;

std::string TopFolder(const std::string& path)
{
    const auto slash = path.find('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The file's path without its extension: a header and its source file are one unit.
std::string Unit(const std::string& path)
{
    return fs::path(path).replace_extension().generic_string();
}

// The quoted name of an #include line ("" when the line is none).
std::string QuotedInclude(const std::string& line)
{
    std::size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line[at] != '#')
        return {};
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line.compare(at, 7, "include") != 0)
        return {};
    at = line.find_first_not_of(" \t", at + 7);
    if (at == std::string::npos || line[at] != '"')
        return {};
    const std::size_t end = line.find('"', at + 1);
    return end == std::string::npos ? std::string() : line.substr(at + 1, end - at - 1);
}

// An include names a file from the top of the tree, or beside the including file; a name found
// in neither (a generated header, one from an include folder of the build) is not the tree's.
IncludeMap ReadIncludes(const fs::path& root)
{
    IncludeMap includes;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        const std::string name = relative.filename().string();
        if (it->is_directory() && (name == "build" || name == ".git")) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string ext = relative.extension().string();
        if (!it->is_regular_file() || (ext != ".cpp" && ext != ".h" && ext != ".rc"))
            continue;
        std::ifstream in(it->path());
        EXPECT_TRUE(in) << "cannot read " << it->path();
        auto& targets = includes[relative.generic_string()];
        std::string line;
        while (std::getline(in, line)) {
            const std::string quoted = QuotedInclude(line);
            if (quoted.empty())
                continue;
            const fs::path named = quoted;
            for (const fs::path& candidate : {named, relative.parent_path() / named}) {
                if (fs::is_regular_file(root / candidate)) {
                    targets.insert(candidate.lexically_normal().generic_string());
                    break;
                }
            }
        }
    }
    return includes;
}

std::vector<std::string> FloorViolations(const IncludeMap& includes)
{
    std::vector<std::string> violations;
    for (const auto& [file, targets] : includes) {
        const std::string from = TopFolder(file);
        if (from.empty() || kAboveFloors.count(from))
            continue;
        const auto floor = kFloors.find(from);
        for (const auto& target : targets) {
            const std::string to = TopFolder(target);
            if (to == from)
                continue;
            if (floor == kFloors.end() || !floor->second.count(to))
                violations.push_back(file + " includes " + target);
        }
    }
    return violations;
}

// The circles of a graph: its strongly connected parts with more than one node (Tarjan).
std::vector<std::vector<std::string>> Circles(const std::map<std::string, std::set<std::string>>& edges)
{
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    std::vector<std::vector<std::string>> circles;
    int next = 0;
    std::function<void(const std::string&)> visit = [&](const std::string& node) {
        index[node] = low[node] = next++;
        stack.push_back(node);
        onStack.insert(node);
        if (const auto out = edges.find(node); out != edges.end()) {
            for (const auto& to : out->second) {
                if (!index.count(to)) {
                    visit(to);
                    low[node] = std::min(low[node], low[to]);
                } else if (onStack.count(to)) {
                    low[node] = std::min(low[node], index[to]);
                }
            }
        }
        if (low[node] != index[node])
            return;
        std::vector<std::string> part;
        std::string member;
        do {
            member = stack.back();
            stack.pop_back();
            onStack.erase(member);
            part.push_back(member);
        } while (member != node);
        if (part.size() > 1) {
            std::sort(part.begin(), part.end());
            circles.push_back(part);
        }
    };
    for (const auto& [node, _] : edges)
        if (!index.count(node))
            visit(node);
    return circles;
}

// Grouped by `group` (the unit or the top folder of a path); a group's own includes are no edge.
std::vector<std::vector<std::string>> IncludeCircles(const IncludeMap& includes,
                                                     std::string (*group)(const std::string&))
{
    std::map<std::string, std::set<std::string>> edges;
    for (const auto& [file, targets] : includes)
        for (const auto& target : targets)
            if (group(file) != group(target))
                edges[group(file)].insert(group(target));
    return Circles(edges);
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

TEST(IncludeRule, TheSourcesKeepToTheirFloors)
{
    const IncludeMap includes = ReadIncludes(QM_SOURCE_DIR);
    ASSERT_TRUE(includes.count("engine/OrganizeRun.cpp")) << "not the source tree: " << QM_SOURCE_DIR;
    for (const auto& violation : FloorViolations(includes))
        ADD_FAILURE() << violation;
}

TEST(IncludeRule, NoSourcesIncludeEachOtherInACircle)
{
    const IncludeMap includes = ReadIncludes(QM_SOURCE_DIR);
    for (const auto& circle : IncludeCircles(includes, Unit))
        ADD_FAILURE() << "files in a circle: " << Joined(circle);
    for (const auto& circle : IncludeCircles(includes, TopFolder))
        ADD_FAILURE() << "folders in a circle: " << Joined(circle);
}

// A small tree written for the test, removed at its end.
class SampleTree : public testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::path(testing::TempDir()) /
                ("include_rule_" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    void Write(const std::string& path, const std::string& text)
    {
        fs::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path) << text;
    }

    fs::path root_;
};

TEST_F(SampleTree, AnIncludeOfAHigherFloorIsNamed)
{
    Write("base/Text.h", "#pragma once\n");
    Write("engine/Run.h", "#pragma once\n#include \"base/Text.h\"\n");
    Write("metadata/Lookup.h", "#pragma once\n");
    Write("engine/Run.cpp", "#include \"engine/Run.h\"\n  #  include \"metadata/Lookup.h\"\n");
    Write("base/Text.cpp", "#include \"base/Text.h\"\n#include \"engine/Run.h\"\n");
    EXPECT_EQ(FloorViolations(ReadIncludes(root_)),
              (std::vector<std::string> {"base/Text.cpp includes engine/Run.h",
                                         "engine/Run.cpp includes metadata/Lookup.h"}));
}

TEST_F(SampleTree, AFolderWithoutAFloorAndTheBuildFolder)
{
    Write("base/Text.h", "#pragma once\n");
    Write("plugins/Extra.cpp", "#include \"base/Text.h\"\n");
    Write("tests/AnyTest.cpp", "#include \"base/Text.h\"\n#include \"plugins/Extra.cpp\"\n");
    Write("build/generated/Made.cpp", "#include \"tests/AnyTest.cpp\"\n");
    const IncludeMap includes = ReadIncludes(root_);
    EXPECT_FALSE(includes.count("build/generated/Made.cpp"));
    EXPECT_EQ(FloorViolations(includes),
              (std::vector<std::string> {"plugins/Extra.cpp includes base/Text.h"}));
}

TEST_F(SampleTree, IncludesBesideTheFileCountAndUnknownNamesDoNot)
{
    Write("engine/A.h", "#pragma once\n#include \"B.h\"\n#include \"Generated.h\"\n");
    Write("engine/B.h", "#pragma once\n#include \"../metadata/C.h\"\n");
    Write("metadata/C.h", "#pragma once\n");
    const IncludeMap includes = ReadIncludes(root_);
    EXPECT_EQ(includes.at("engine/A.h"), (std::set<std::string> {"engine/B.h"}));
    EXPECT_EQ(FloorViolations(includes), (std::vector<std::string> {"engine/B.h includes metadata/C.h"}));
}

TEST_F(SampleTree, FilesThatCallEachOtherThroughTheirHeadersAreACircle)
{
    // Neither header includes the other: the circle runs through the source files.
    Write("engine/Folder.h", "#pragma once\n");
    Write("engine/Folder.cpp", "#include \"engine/Folder.h\"\n#include \"engine/Template.h\"\n");
    Write("engine/Template.h", "#pragma once\n");
    Write("engine/Template.cpp", "#include \"engine/Template.h\"\n#include \"engine/Folder.h\"\n");
    Write("engine/Run.cpp", "#include \"engine/Folder.h\"\n#include \"engine/Template.h\"\n");
    const IncludeMap includes = ReadIncludes(root_);
    EXPECT_EQ(IncludeCircles(includes, Unit),
              (std::vector<std::vector<std::string>> {{"engine/Folder", "engine/Template"}}));
    EXPECT_TRUE(IncludeCircles(includes, TopFolder).empty());
}

TEST_F(SampleTree, FoldersThatIncludeEachOtherAreACircle)
{
    Write("ui/Window.h", "#pragma once\n#include \"toolkit/Control.h\"\n");
    Write("toolkit/Control.h", "#pragma once\n");
    // No two files in a circle: toolkit/Other reaches ui/Window, whose header reaches toolkit/Control.
    Write("toolkit/Other.cpp", "#include \"ui/Window.h\"\n");
    const IncludeMap includes = ReadIncludes(root_);
    EXPECT_EQ(IncludeCircles(includes, TopFolder),
              (std::vector<std::vector<std::string>> {{"toolkit", "ui"}}));
    EXPECT_TRUE(IncludeCircles(includes, Unit).empty());
}

}  // namespace
