// Text forms of numbers as the listing writes them.
#pragma once

#include <cstdint>
#include <string>

namespace metaprobe {

// printf "%.<digits>g" of the value.
std::string FormatG(double value, int digits);
// printf "%.<decimals>f" of the value.
std::string FormatF(double value, int decimals);
// A rational as a decimal number: 10 significant digits, "inf" for x/0, "undef" for 0/0.
std::string FormatRatio(int64_t num, int64_t den);
// Exposure time in seconds: "1/125" below a quarter second, else one decimal without ".0".
std::string FormatExposureTime(double seconds);
// Exposure compensation: "0", "+1", "-2/3", "+1/2"; other values with three significant digits.
std::string FormatFraction(double value);
// Text of the file's byte count: "572 bytes", "4.9 kB", "29 kB", "1.2 MB".
std::string FormatFileSize(uint64_t size);
// Decimal degrees as "54 deg 59' 22.80\"" (the sign is dropped).
std::string FormatCoordinate(double degrees);
// A text field's bytes as UTF-8: kept as they are when they already are well-formed UTF-8 (as
// most writers store non-ASCII text now), read as Latin-1 otherwise.
std::string Latin1ToUtf8(const std::string& text);
// A camera's clock counted in seconds since 1970, shown as it is, without a zone:
// "2000:08:18 12:00:00".
std::string CameraClockText(int64_t seconds);
// Removes trailing spaces (and NULs).
std::string TrimRight(std::string text);
// "YCbCr4:2:0 (2 2)" and the like for chroma subsampling factors; null for a pair without a name.
const char* YCbCrSubSamplingName(int64_t horizontal, int64_t vertical);

}  // namespace metaprobe
