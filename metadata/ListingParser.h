#pragma once
// Turning the metadata tool's text listing into name/value fields. The listing arrives in read
// chunks of any size; lines may be split anywhere across chunks, even between CR and LF.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct MetaField {
    std::string name;
    std::string value;
};

// One listing line -> field. False for a line that is ignored (no colon, empty name) or dropped
// (a name of the fixed drop list, a value that points at binary data with "use -b ").
bool ParseListingLine(std::string_view line, MetaField& field);

// The unfinished last line of a chunk, waiting for the rest of it. Grows by the program's rule
// (fragment size + 100 bytes) from an initial 10,240 bytes.
class PendingLine {
public:
    static constexpr std::size_t kInitialCapacity = 10240;

    PendingLine();
    void Clear() { length_ = 0; }
    void Append(std::string_view fragment);
    std::string_view Text() const { return {buffer_.get(), length_}; }
    bool Empty() const { return length_ == 0; }
    std::size_t Length() const { return length_; }
    std::size_t Capacity() const { return capacity_; }

private:
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_;
    std::size_t length_ = 0;
};

// Splits chunks into lines. A run of CR, LF (and NUL) characters is one line break, so a line
// never contains any of them. A line longer than maxLineLength is dropped whole, wherever the
// chunks split it, and the pending buffer never grows past that length.
class LineSplitter {
public:
    using LineHandler = std::function<void(std::string_view)>;

    explicit LineSplitter(std::size_t maxLineLength);
    void Reset();
    void Feed(std::string_view chunk, const LineHandler& onLine);
    const PendingLine& Pending() const { return pending_; }
    std::size_t OverlongLines() const { return overlongLines_; }

private:
    void AddFragment(std::string_view fragment);
    void FinishLine(std::string_view tail, const LineHandler& onLine);

    std::size_t maxLineLength_;
    PendingLine pending_;
    bool skipping_ = false;  // inside a line already known to be too long
    std::size_t overlongLines_ = 0;
};

struct ListingLimits {
    std::size_t maxLineLength = 64 * 1024;
    // Name and value bytes plus the per-field bookkeeping, summed over the fields of one run.
    std::size_t maxKeptBytes = 4 * 1024 * 1024;
};

// Splitting plus parsing: appends the kept fields of one listing to a list. Once the kept
// fields reach the byte budget, later fields are counted but not kept, so the list is always a
// leading part of the listing.
class ListingReader {
public:
    ListingReader(std::vector<MetaField>& fields, const ListingLimits& limits);
    void Begin();
    void Feed(std::string_view chunk);
    // One line already split off by a splitter of the same line limit.
    void FeedLine(std::string_view line) { TakeLine(line); }
    // The listing has ended: a last line without a line break is dropped.
    void End();

    std::size_t KeptBytes() const { return keptBytes_; }
    std::size_t FieldsOverBudget() const { return fieldsOverBudget_; }
    std::size_t OverlongLines() const { return splitter_.OverlongLines(); }
    std::size_t PendingCapacity() const { return splitter_.Pending().Capacity(); }

private:
    void TakeLine(std::string_view line);

    std::vector<MetaField>& fields_;
    ListingLimits limits_;
    LineSplitter splitter_;
    std::size_t keptBytes_ = 0;
    std::size_t fieldsOverBudget_ = 0;
};
