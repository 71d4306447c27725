#include "base/PathText.h"

std::string WithBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string FileNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return path;
    return path.substr(slash + 1);
}

bool FolderOf(const std::string& path, std::string& folder)
{
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return false;
    const std::size_t length = slash + 1;
    if (length > kMaxFolderOfLength)
        return false;
    folder = path.substr(0, length);
    return true;
}

std::optional<std::string> ExtensionOf(const std::string& path)
{
    const std::size_t slash = path.rfind('\\');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        return std::nullopt;
    return path.substr(dot);
}

std::size_t FirstFolderSeparator(const std::string& path)
{
    if (!IsNetworkPath(path))
        return path.find('\\');
    // \\server\share: neither the server nor the share can be made, only checked as a whole.
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string::npos || serverEnd == 2 || serverEnd + 1 == path.size())
        return std::string::npos;
    const std::size_t shareEnd = path.find('\\', serverEnd + 1);
    if (shareEnd == serverEnd + 1)
        return std::string::npos;
    return shareEnd == std::string::npos ? path.size() : shareEnd;
}

bool IsNetworkPath(const std::string& path)
{
    return path.rfind("\\\\", 0) == 0;
}
