#include "metadata/ListingParser.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::string_view kBinaryValueMark = "use -b ";

constexpr std::array<std::string_view, 7> kDroppedNames = {
        "ExifTool Version Number",     "File Name",        "Directory", "File Size",
        "File Modification Date/Time", "File Permissions", "File Type"};

bool IsTrimmed(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLineBreak(char c)
{
    return c == '\r' || c == '\n' || c == '\0';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace

bool ParseListingLine(std::string_view line, MetaField& field)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::string_view name = Trim(line.substr(0, colon));
    const std::string_view value = Trim(line.substr(colon + 1));
    if (name.empty())
        return false;
    if (std::find(kDroppedNames.begin(), kDroppedNames.end(), name) != kDroppedNames.end()) {
        return false;
    }
    if (value.find(kBinaryValueMark) != std::string_view::npos)
        return false;
    field.name.assign(name);
    field.value.assign(value);
    return true;
}

PendingLine::PendingLine() : buffer_(std::make_unique<char[]>(kInitialCapacity)), capacity_(kInitialCapacity)
{ }

void PendingLine::Append(std::string_view fragment)
{
    const std::size_t needed = length_ + fragment.size() + 1;
    if (capacity_ < needed) {
        const std::size_t grown = length_ + fragment.size() + 100;
        auto replacement = std::make_unique<char[]>(grown);
        if (length_ > 0)
            std::memcpy(replacement.get(), buffer_.get(), length_);
        buffer_ = std::move(replacement);
        capacity_ = grown;
    }
    if (!fragment.empty())
        std::memcpy(buffer_.get() + length_, fragment.data(), fragment.size());
    length_ += fragment.size();
    buffer_[length_] = '\0';
}

LineSplitter::LineSplitter(std::size_t maxLineLength) : maxLineLength_(maxLineLength)
{ }

void LineSplitter::Reset()
{
    pending_.Clear();
    skipping_ = false;
}

void LineSplitter::AddFragment(std::string_view fragment)
{
    if (skipping_)
        return;
    if (pending_.Length() + fragment.size() > maxLineLength_) {
        pending_.Clear();
        skipping_ = true;
        ++overlongLines_;
        return;
    }
    pending_.Append(fragment);
}

void LineSplitter::FinishLine(std::string_view tail, const LineHandler& onLine)
{
    if (skipping_) {
        skipping_ = false;
        return;
    }
    if (pending_.Length() + tail.size() > maxLineLength_) {
        pending_.Clear();
        ++overlongLines_;
        return;
    }
    if (pending_.Empty()) {
        onLine(tail);
        return;
    }
    // The joined line gets a buffer of its own, freed once it has been handled.
    std::string joined;
    joined.reserve(pending_.Length() + tail.size());
    joined.append(pending_.Text());
    joined.append(tail);
    pending_.Clear();
    onLine(joined);
}

void LineSplitter::Feed(std::string_view chunk, const LineHandler& onLine)
{
    std::size_t position = 0;
    while (position < chunk.size()) {
        std::size_t lineEnd = position;
        while (lineEnd < chunk.size() && !IsLineBreak(chunk[lineEnd]))
            ++lineEnd;
        if (lineEnd == chunk.size()) {
            AddFragment(chunk.substr(position));
            return;
        }
        FinishLine(chunk.substr(position, lineEnd - position), onLine);
        position = lineEnd;
        while (position < chunk.size() && IsLineBreak(chunk[position]))
            ++position;
    }
}

ListingReader::ListingReader(std::vector<MetaField>& fields, const ListingLimits& limits)
    : fields_(fields), limits_(limits), splitter_(limits.maxLineLength)
{ }

void ListingReader::Begin()
{
    splitter_.Reset();
}

void ListingReader::Feed(std::string_view chunk)
{
    splitter_.Feed(chunk, [this](std::string_view line) { TakeLine(line); });
}

void ListingReader::End()
{
    splitter_.Reset();
}

void ListingReader::TakeLine(std::string_view line)
{
    MetaField field;
    if (!ParseListingLine(line, field))
        return;
    const std::size_t cost = field.name.size() + field.value.size() + sizeof(MetaField);
    if (fieldsOverBudget_ > 0 || keptBytes_ + cost > limits_.maxKeptBytes) {
        ++fieldsOverBudget_;
        return;
    }
    keptBytes_ += cost;
    fields_.push_back(std::move(field));
}
