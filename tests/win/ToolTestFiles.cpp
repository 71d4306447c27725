#include "tests/win/ToolTestFiles.h"

#include "tests/support/ContainerSamples.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"
#include "tests/support/TiffBuilder.h"

#include <cstdio>
#include <vector>

#ifndef QM_DIST_DIR
#error QM_DIST_DIR names the folder of the shippable programs
#endif

namespace tooltest {

std::string ExecutableFolder()
{
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "";
    std::string path(module, length);
    return path.substr(0, path.rfind('\\') + 1);
}

std::string FakeToolPath()
{
    return ExecutableFolder() + "fake_metaprobe.exe";
}

std::string HostPath(std::string path)
{
    if (!path.empty() && path[0] == '/') {  // a host path, reached through Wine's Z: drive
        for (char& c : path) {
            if (c == '/')
                c = '\\';
        }
        path = "Z:" + path;
    }
    return path;
}

std::string RealToolPath()
{
    return HostPath(QM_DIST_DIR) + "\\metaprobe.exe";
}

TempFolder::TempFolder(const std::string& name)
{
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    std::string base = (length > 0 && length < MAX_PATH) ? std::string(temp, length) : ".\\";
    path_ = base + "qm_tool_" + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return text;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        text.append(block, got);
    std::fclose(file);
    return text;
}

namespace {

qmtest::Ifd SampleIfd(const std::string& taken, int orientation)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, taken);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Maker");
    ifd0.Short(0x0112, static_cast<uint16_t>(orientation));
    ifd0.Ascii(0x0132, "2002:02:02 02:02:02");
    ifd0.Sub(0x8769, exif);
    return ifd0;
}

}  // namespace

std::vector<std::string> SampleFiles(const TempFolder& folder)
{
    using namespace qmtest;
    const std::vector<uint8_t> intel = BuildTiff(SampleIfd("2010:07:15 14:03:09", 6), {ByteOrder::Intel});
    const std::vector<uint8_t> motorola =
            BuildTiff(SampleIfd("2011:08:16 15:04:10", 8), {ByteOrder::Motorola});
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> samples = {
            {"intel.tif", intel},
            {"motorola.dng", motorola},
            {"sample.jpg", MinimalJpeg(SampleIfd("2012:09:17 16:05:11", 1))},
            {"sample.png", BuildPng(4, 4,
                                    PngChunk("eXIf", BuildTiff(SampleIfd("2013:10:18 17:06:12", 3),
                                                               {ByteOrder::Motorola})))},
            {"sample.heic", BuildHeic(intel)},
            {"sample.cr3", BuildCr3(BuildTiff(SampleIfd("2014:11:19 18:07:13", 8), {ByteOrder::Intel}),
                                    motorola, static_cast<uint32_t>(MovieSeconds(2014, 11, 19, 18, 7, 13)))},
            {"sample.mov", BuildMovie("qt  ", static_cast<uint32_t>(MovieSeconds(2015, 12, 20, 19, 8, 14)),
                                      static_cast<uint32_t>(MovieSeconds(2016, 1, 21, 20, 9, 15)))},
            {"sample.mp4",
             BuildMovie("isom", static_cast<uint32_t>(MovieSeconds(2017, 2, 22, 21, 10, 16)), 0)},
            {"empty.tif", {}},
    };
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : samples) {
        const std::string path = folder / name;
        if (WriteBytes(path, bytes))
            paths.push_back(path);
    }
    return paths;
}

}  // namespace tooltest
