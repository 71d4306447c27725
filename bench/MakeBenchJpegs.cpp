// Writes COUNT small JPEG files with EXIF capture dates spread over five years into FOLDER, for
// the organize benchmark: IMG_00000.JPG, IMG_00001.JPG, ...
//   make_bench_jpegs FOLDER COUNT
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/JpegBuilder.h"
#include "tests/support/TiffBuilder.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_bench_jpegs FOLDER COUNT\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        char date[32];
        std::snprintf(date, sizeof date, "%04d:%02d:%02d 12:%02d:%02d", 2010 + i % 5, (i / 5) % 12 + 1,
                      (i / 60) % 28 + 1, i % 60, (i / 7) % 60);
        qmtest::Ifd exif;
        exif.Ascii(0x9003, date);
        qmtest::Ifd ifd0;
        ifd0.Short(0x0112, 1).Sub(0x8769, exif);
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%05d.JPG", i);
        if (!qmtest::WriteBytes(folder + "\\" + name, qmtest::MinimalJpeg(ifd0))) {
            std::fprintf(stderr, "cannot write %s\\%s\n", folder.c_str(), name);
            return 1;
        }
    }
    return 0;
}
