#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <class T> bool ReadAt(const std::vector<char>& file, std::size_t offset, T& value)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return true;
}

std::string ModuleFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

class ShippedProgram : public ::testing::TestWithParam<const char*> { };

// Address-space randomisation needs the relocations kept and the flag set; no-execute data needs
// its flag; the stack protector leaves its failure handler in the program.
TEST_P(ShippedProgram, HeadersCarryTheHardeningFlags)
{
    const std::string path = std::string(QM_DIST_DIR) + "/" + GetParam();
    const std::vector<char> file = ReadAll(path);
    ASSERT_FALSE(file.empty()) << path;

    IMAGE_DOS_HEADER dos;
    ASSERT_TRUE(ReadAt(file, 0, dos));
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    // The headers of this build's kind: the 64-bit test build checks the 64-bit programs.
    IMAGE_NT_HEADERS nt;
    ASSERT_TRUE(ReadAt(file, static_cast<std::size_t>(dos.e_lfanew), nt));
    ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
    ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR_MAGIC);

    EXPECT_EQ(nt.FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED, 0);
    EXPECT_NE(nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, 0);
    EXPECT_NE(nt.OptionalHeader.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT, 0);
    ASSERT_GT(nt.OptionalHeader.NumberOfRvaAndSizes, static_cast<DWORD>(IMAGE_DIRECTORY_ENTRY_BASERELOC));
    EXPECT_GT(nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);

    const std::string text(file.begin(), file.end());
    EXPECT_NE(text.find("SetDefaultDllDirectories"), std::string::npos);
    EXPECT_NE(text.find("__stack_chk_fail"), std::string::npos);
}

// Windows hands paths of any length to a program only when its manifest says it takes them.
TEST_P(ShippedProgram, ManifestTakesLongPathsAndUtf8)
{
    const std::string path = std::string(QM_DIST_DIR) + "/" + GetParam();
    const HMODULE module =
            LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << path;
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const std::string manifest = bytes ? std::string(bytes, SizeofResource(module, found)) : std::string();
    FreeLibrary(module);
    EXPECT_NE(manifest.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "true</longPathAware>"),
              std::string::npos)
            << manifest;
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos) << manifest;
}

INSTANTIATE_TEST_SUITE_P(Dist, ShippedProgram,
                         ::testing::Values("quillmere.exe", "quillmere-cli.exe", "metaprobe.exe"));

// This test program starts like the shipped ones: a DLL beside it is not found by name, though
// it loads from its full path.
TEST(DllSearch, ADllBesideTheProgramIsNotLoadedByName)
{
    const std::string planted = ModuleFolder() + "qm_planted.dll";
    ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;

    SetLastError(0);
    HMODULE byName = LoadLibraryA("qm_planted.dll");
    EXPECT_EQ(byName, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    if (byName != nullptr)
        FreeLibrary(byName);

    HMODULE byPath = LoadLibraryExA(planted.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(byPath, nullptr) << GetLastError();
    EXPECT_NE(GetProcAddress(byPath, "PlantedMarker"), nullptr);
    FreeLibrary(byPath);
}

}  // namespace
