// demo_photos FOLDER: writes a small set of sample photos below FOLDER (which must not exist yet)
// for the start command's demo: pictures from two cameras with their capture dates, two of them
// with the same name and day, and one scan without EXIF, dated only by its file time.
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/OwnedHandle.h"
#include "tests/support/JpegBuilder.h"

namespace {

struct Photo {
    const char* path;  // below the demo folder
    const char* taken;  // EXIF DateTimeOriginal, or null for a file without EXIF
};

constexpr Photo kPhotos[] = {
        {"camera\\IMG_0101.JPG", "2024:07:14 09:30:00"}, {"camera\\IMG_0102.JPG", "2024:07:14 17:45:10"},
        {"camera\\IMG_0230.JPG", "2024:12:24 19:02:33"}, {"phone\\IMG_0101.JPG", "2024:07:14 11:05:00"},
        {"phone\\PXL_0301.jpg", "2025:03:01 08:15:00"},  {"scans\\grandma.jpg", nullptr},
};

// The scan's file time: noon UTC, so that the date is the same in every time zone but the
// farthest ones.
constexpr SYSTEMTIME kScanTime = {1998, 5, 3, 20, 12, 0, 0, 0};

std::vector<uint8_t> Picture(const char* taken)
{
    if (!taken)
        return qmtest::JpegBuilder().Soi().App0Jfif().Frame(480, 640).Scan().Eoi().Bytes();
    qmtest::Ifd exif;
    exif.Ascii(0x9003, taken);
    qmtest::Ifd ifd0;
    ifd0.Ascii(0x010F, "Quillmere Demo").Ascii(0x0110, "Sample").Sub(0x8769, exif);
    return qmtest::MinimalJpeg(ifd0);
}

bool SetModifiedTime(const std::string& path, const SYSTEMTIME& utc)
{
    FILETIME time;
    if (!SystemTimeToFileTime(&utc, &time))
        return false;
    OwnedHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.Valid())
        return false;
    const bool ok = SetFileTime(file.Get(), &time, &time, &time) != 0;
    return file.Close() && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: demo_photos FOLDER\n", stderr);
        return 2;
    }
    const std::string root = argv[1];
    if (!CreateDirectoryA(root.c_str(), nullptr)) {
        std::fprintf(stderr, "demo_photos: cannot create %s (error %lu)\n", root.c_str(), GetLastError());
        return 1;
    }
    for (const char* folder : {"camera", "phone", "scans"}) {
        const std::string path = root + "\\" + folder;
        if (!CreateDirectoryA(path.c_str(), nullptr)) {
            std::fprintf(stderr, "demo_photos: cannot create %s (error %lu)\n", path.c_str(), GetLastError());
            return 1;
        }
    }
    for (const Photo& photo : kPhotos) {
        const std::string path = root + "\\" + photo.path;
        if (!qmtest::WriteBytes(path, Picture(photo.taken)) ||
            (!photo.taken && !SetModifiedTime(path, kScanTime))) {
            std::fprintf(stderr, "demo_photos: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
