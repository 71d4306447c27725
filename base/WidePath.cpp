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

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A path that names its drive and starts at its root, or a network path.
bool IsFull(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]))
        return (path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z');
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

}  // namespace

std::wstring WideText(const std::string& text)
{
    if (text.empty())
        return {};
    // Every unit comes from one byte or more, in every code page: the text's size is room enough,
    // and one call converts it.
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), size);
    if (units <= 0)
        return {};
    wide.resize(static_cast<std::size_t>(units));
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
    // A full path ("C:\...", "\\server\...") is never made longer by the system's rules (they
    // only drop "." and ".." parts, doubled separators and trailing dots and spaces): a short one
    // stays as given without asking, which a run does some ten times a file.
    if (wide.size() < kLongFormFrom && IsFull(wide))
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
