// A part of another source, seen as a source of its own: a reader of an embedded block cannot
// reach outside the block.
#pragma once

#include "metaprobe/ByteSource.h"

namespace metaprobe {

class WindowSource : public ByteSource {
public:
    // The window is clipped to the parent's size.
    WindowSource(ByteSource& parent, uint64_t offset, uint64_t size)
        : parent_(parent), offset_(offset <= parent.Size() ? offset : parent.Size()),
          size_(size <= parent.Size() - offset_ ? size : parent.Size() - offset_)
    { }
    uint64_t Size() const override { return size_; }
    uint64_t Origin() const override { return parent_.Origin() + offset_; }
    bool Read(uint64_t offset, void* out, size_t count) override
    {
        return Contains(offset, count) && parent_.Read(offset_ + offset, out, count);
    }

private:
    ByteSource& parent_;
    uint64_t offset_;
    uint64_t size_;
};

}  // namespace metaprobe
