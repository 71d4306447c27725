#include "base/WidePath.h"

#include <windows.h>

namespace {

// From this length on a path takes the long form: CreateDirectory's limit is MAX_PATH - 12, the
// other file functions' MAX_PATH - 1.
constexpr std::size_t kLongFormFrom = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::wstring WideText(const std::string& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), units) != units)
        return {};
    return wide;
}

std::string NarrowText(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int units = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), units, narrow.data(), bytes, nullptr, nullptr) != bytes)
        return {};
    return narrow;
}

std::wstring FullWidePath(const std::wstring& path)
{
    if (path.empty())
        return {};
    // The current folder may change between the two calls: the second asks again when the first
    // answer was too small.
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    for (int attempt = 0; attempt < 2 && needed != 0; ++attempt) {
        std::wstring full(needed, L'\0');
        const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
        if (length == 0)
            return {};
        if (length < needed) {
            full.resize(length);
            return full;
        }
        needed = length;
    }
    return {};
}

std::wstring WidePath(const std::string& path)
{
    const std::wstring wide = WideText(path);
    if (StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\"))
        return wide;
    const std::wstring full = FullWidePath(wide);
    // A path the system cannot make full is handed over as given, for the call to refuse.
    if (full.size() < kLongFormFrom)
        return wide;
    // A device name ("\\.\CON") keeps its own form.
    if (StartsWith(full, L"\\\\?\\") || StartsWith(full, L"\\\\.\\"))
        return full;
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
