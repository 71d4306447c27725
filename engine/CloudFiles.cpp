#include "engine/CloudFiles.h"

bool NotOnThisPc(std::uint32_t attributes)
{
    constexpr std::uint32_t kElsewhere =
            FileAttribute::kOffline | FileAttribute::kRecallOnOpen | FileAttribute::kRecallOnDataAccess;
    return attributes != FileAttribute::kInvalid && (attributes & kElsewhere) != 0;
}

bool SkipsCloudFile(std::uint32_t attributes, bool downloadCloudFiles)
{
    return !downloadCloudFiles && NotOnThisPc(attributes);
}
