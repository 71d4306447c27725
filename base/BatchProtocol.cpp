#include "base/BatchProtocol.h"

namespace batch {

namespace {

bool IsTokenChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool IsValidToken(std::string_view token)
{
    if (token.size() < kMinTokenLength || token.size() > kMaxTokenLength)
        return false;
    for (char c : token)
        if (!IsTokenChar(c))
            return false;
    return true;
}

std::string HandshakeLine(std::string_view token)
{
    return "metaprobe batch 1 " + std::string(token);
}

std::string EndLine(std::string_view token)
{
    return "metaprobe end " + std::string(token);
}

bool PathFitsBatch(std::string_view path)
{
    return !path.empty() && path.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace batch
