// The fields found in one file, in the order they were found, and their text form.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace metaprobe {

struct Field {
    std::string name;
    std::string value;
    int priority = 1;
};

class Listing {
public:
    // Adds a field. A field of the same name already listed is replaced (the new one goes to the
    // end) when the new one has a higher priority, or the same priority of 1 or more: thumbnail,
    // preview and XMP values list with priority 0 and JFIF values with -1, so the main image's
    // EXIF values win over theirs, while later main-image values win over earlier ones. Values
    // of a container's own header list with priority 2 where they win over its embedded EXIF
    // block (Photoshop resolution, Sigma header).
    void Add(const std::string& name, const std::string& value, int priority = 1);
    // Adds a line after the fields even when the name is listed already: a combined value that
    // repeats a name (a date with its fractional seconds and zone). Value() and lookups keep
    // finding the first line.
    void AddRepeated(const std::string& name, const std::string& value)
    {
        fields_.push_back({name, value, 1});
    }
    bool Has(const std::string& name) const { return names_.count(name) != 0; }
    // The UTC instant (seconds since 1970) behind the local-time text a field was just listed
    // with; it counts only while the field still shows that text.
    void NoteInstant(const std::string& name, const std::string& text, long long seconds)
    {
        instants_.push_back({name, text, seconds});
    }
    // A raw value for the batch facts (base/BatchProtocol.h), never printed in the listing; it
    // replaces an earlier one of the same name only when `replace` is set.
    void NoteFact(const std::string& name, const std::string& value, bool replace);
    // Takes over the batch facts and instants of a reader's listing merged into this one.
    void TakeFacts(const Listing& other)
    {
        facts_.insert(facts_.end(), other.facts_.begin(), other.facts_.end());
        instants_.insert(instants_.end(), other.instants_.begin(), other.instants_.end());
    }
    // The batch facts: the raw values, and the instants of fields that still show their text.
    std::vector<Field> BatchFacts() const;
    // Value of the named field, or empty when absent.
    std::string Value(const std::string& name) const;
    const std::vector<Field>& Fields() const { return fields_; }

private:
    struct Instant {
        std::string name;
        std::string text;
        long long seconds;
    };
    std::vector<Field> fields_;
    std::vector<Field> facts_;
    std::vector<Instant> instants_;
    std::unordered_map<std::string, int> names_;  // name -> priority
};

// One line per field: the name padded to 32 characters, ": ", the value, a line break.
std::string FormatListing(const Listing& listing);
// The batch facts in the same form.
std::string FormatBatchFacts(const Listing& listing);

}  // namespace metaprobe
