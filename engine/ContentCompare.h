// Whether two files hold the same bytes: the test behind "Rename unless identical".
#pragma once

#include <cstddef>
#include <string>

// The bytes read from each file at a time.
inline constexpr std::size_t kCompareBlockSize = 256 * 1024;

// Sizes first, then the bytes in blocks; false when either file cannot be read to its end.
// Either path may name a folder, which is never identical to anything.
bool HaveSameContent(const std::string& a, const std::string& b);
