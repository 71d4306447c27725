// Collects the pieces of a color profile that a JPEG stores in several APP2 segments, and reads
// the profile once every piece is known, in the order of their sequence numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

class IccChunks {
public:
    // Notes one segment's piece: `number` of `total` (both from the segment), `data` where the
    // piece starts in the file and `size` its length. A piece numbered 0 or beyond its total, a
    // number seen before, or a total that differs from the first piece's spoils the whole set:
    // joining such pieces would make a profile that was never written.
    void Add(unsigned number, unsigned total, uint64_t data, uint64_t size);
    // Lists the profile when its pieces form a complete set without faults. False otherwise;
    // nothing is listed then.
    bool List(ByteSource& file, Listing& listing) const;

private:
    struct Piece {
        uint64_t data = 0;
        uint64_t size = 0;
        bool present = false;
    };
    std::vector<Piece> pieces_;
    bool broken_ = false;
};

}  // namespace metaprobe
