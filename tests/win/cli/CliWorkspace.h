// A place for tests of runs and their undo through the real program: a data folder with the
// sources and the output folder, and a journal folder of its own, named to the program through
// its environment variable.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "base/WidePath.h"
#include "engine/RunsFolder.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TempTree.h"

// A JPEG taken at date by a camera of maker; padding bytes after the image make a large file that
// reads as the same photo.
inline std::vector<unsigned char> JpegTaken(const std::string& date, const std::string& maker,
                                            std::size_t padding = 0)
{
    qmtest::Ifd exif;
    exif.Ascii(0x9003, date);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, maker).Sub(0x8769, exif);
    std::vector<unsigned char> jpeg = qmtest::MinimalJpeg(ifd0);
    for (std::size_t i = 0; i < padding; ++i)
        jpeg.push_back(static_cast<unsigned char>((i * 131 + maker.size()) & 0xFF));
    return jpeg;
}

class Workspace {
public:
    Workspace()
    {
        SetEnvironmentVariableA(kRunsFolderVariable, Runs().c_str());
        CreateDirectoryA(tree.Path("data").c_str(), nullptr);
        CreateDirectoryA(Src("").c_str(), nullptr);
    }
    ~Workspace() { SetEnvironmentVariableA(kRunsFolderVariable, nullptr); }

    std::string Data(const std::string& relative = "") const { return tree.Path("data\\" + relative); }
    std::string Src(const std::string& name) const { return Data("src\\" + name); }
    std::string Out(const std::string& name = "") const { return Data("out\\" + name); }
    std::string Runs() const { return tree.Path("runs\\"); }
    std::vector<std::string> Journals() const { return KeptJournals(Runs()); }

    // Writes a photo at path, making each folder on the way that is not there yet.
    bool Put(const std::string& path, const std::string& date, const std::string& maker,
             std::size_t padding = 0)
    {
        for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
            CreateDirectoryW(WidePath(path.substr(0, at)).c_str(), nullptr);
        return WriteData(path, JpegTaken(date, maker, padding));
    }

    TempTree tree;
};
