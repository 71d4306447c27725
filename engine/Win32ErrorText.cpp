// The system's texts for error numbers.
#include <windows.h>

#include "engine/PathUtils.h"
#include "engine/RunJournal.h"

bool SystemErrorText(DWORD code, std::string& text)
{
    // The program's own failures have no system text.
    if (code == FileError::kCopyDiffers) {
        text = FileError::kCopyDiffersText;
        return true;
    }
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                                FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        reinterpret_cast<char*>(&buffer), 0, nullptr);
    if (length == 0 || buffer == nullptr) {
        if (buffer != nullptr)
            LocalFree(buffer);
        return false;
    }
    std::string result;
    result.reserve(length);
    for (DWORD i = 0; i < length; ++i) {
        if (buffer[i] != '\r' && buffer[i] != '\n')
            result += buffer[i];
    }
    LocalFree(buffer);
    text = std::move(result);
    return true;
}

std::string FileErrorText(std::uint32_t code)
{
    std::string text;
    if (!SystemErrorText(code, text))
        text = "error " + std::to_string(code);
    return text;
}
