#include "metaprobe/IccChunks.h"

#include <algorithm>
#include <utility>

#include "metaprobe/IccReader.h"

namespace metaprobe {

namespace {

// The pieces seen one after another as one source, without copying them.
class JoinedSource : public ByteSource {
public:
    struct Part {
        uint64_t data;
        uint64_t size;
    };
    JoinedSource(ByteSource& file, std::vector<Part> parts) : file_(file), parts_(std::move(parts))
    {
        for (const Part& part : parts_)
            size_ += part.size;
    }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) override
    {
        if (!Contains(offset, count))
            return false;
        auto* bytes = static_cast<uint8_t*>(out);
        for (const Part& part : parts_) {
            if (count == 0)
                break;
            if (offset >= part.size) {
                offset -= part.size;
                continue;
            }
            uint64_t take = std::min<uint64_t>(count, part.size - offset);
            if (!file_.Read(part.data + offset, bytes, size_t(take)))
                return false;
            bytes += take;
            count -= size_t(take);
            offset = 0;
        }
        return count == 0;
    }

private:
    ByteSource& file_;
    std::vector<Part> parts_;
    uint64_t size_ = 0;
};

}  // namespace

void IccChunks::Add(unsigned number, unsigned total, uint64_t data, uint64_t size)
{
    if (pieces_.empty() && !broken_)
        pieces_.resize(total);
    if (number == 0 || number > total || total != pieces_.size() || pieces_[number - 1].present) {
        broken_ = true;
        return;
    }
    pieces_[number - 1] = {data, size, true};
}

bool IccChunks::List(ByteSource& file, Listing& listing) const
{
    if (broken_ || pieces_.empty())
        return false;
    std::vector<JoinedSource::Part> parts;
    for (const Piece& piece : pieces_) {
        if (!piece.present)
            return false;
        parts.push_back({piece.data, piece.size});
    }
    JoinedSource profile(file, std::move(parts));
    return ReadIccProfile(profile, listing);
}

}  // namespace metaprobe
