// Writes the seed corpus of the zip archive fuzz target with the tests' own archive builder:
//   make_zip_seeds DIR
#include <cstdio>
#include <string>

#include "tests/support/ZipBuilder.h"

namespace {

bool Save(const std::string& path, const std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_zip_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    ZipBuilder plain;
    plain.Add("Takeout/Google Photos/a.jpg", std::string(300, 'a'));
    plain.Add("Takeout/Google Photos/b.json", "{\"photoTakenTime\": {}}", true);
    plain.Add("Takeout/", "");
    ZipBuilder wide;
    wide.ForceZip64();
    wide.Add("far.jpg", std::string(500, 'x'), true);
    ZipBuilder names;
    names.Add("../up.jpg", "u");
    names.Add("C:\\x.jpg", "c");
    names.Add("Fr\x84hling.jpg", "d", false, false);
    names.Add("\xE6\x97\xA5.jpg", "j");
    const bool ok = Save(dir + "/plain.zip", plain.Build()) && Save(dir + "/zip64.zip", wide.Build()) &&
                    Save(dir + "/names.zip", names.Build());
    if (!ok) {
        std::fprintf(stderr, "make_zip_seeds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
