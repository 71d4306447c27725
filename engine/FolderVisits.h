// Which folders a scan has walked, so that a folder met again through a junction or link is not
// walked twice. A folder is known by its final path (links resolved) where the system gives one,
// and only otherwise by its volume and file index: some network and ReFS volumes report a zero
// index, or the same index for different folders, and the index alone would take sound folders
// for loops and skip them.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>

struct FolderIdentity {
    std::string finalPath;  // empty when the system cannot give it
    std::uint32_t volume = 0;
    std::uint64_t index = 0;  // zero when the system cannot give it
};

class FolderVisits {
public:
    // True the first time a folder is met, false when it was walked before. A folder known by
    // neither path nor index is always walked (the scan's bound on path length ends any loop).
    bool FirstVisit(const FolderIdentity& folder);

private:
    std::set<std::string> paths_;
    std::set<std::pair<std::uint32_t, std::uint64_t>> ids_;
};
