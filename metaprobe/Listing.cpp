#include "metaprobe/Listing.h"

#include "base/BatchProtocol.h"

namespace metaprobe {

void Listing::Add(const std::string& name, const std::string& value, int priority)
{
    if (name.empty())
        return;
    auto known = names_.find(name);
    if (known != names_.end()) {
        if (known->second > priority || (known->second == priority && priority <= 0))
            return;
        for (auto it = fields_.begin(); it != fields_.end(); ++it) {
            if (it->name == name) {
                fields_.erase(it);
                break;
            }
        }
    }
    names_[name] = priority;
    fields_.push_back({name, value, priority});
}

std::string Listing::Value(const std::string& name) const
{
    for (const Field& field : fields_) {
        if (field.name == name)
            return field.value;
    }
    return {};
}

void Listing::NoteFact(const std::string& name, const std::string& value, bool replace)
{
    for (Field& fact : facts_) {
        if (fact.name == name) {
            if (replace)
                fact.value = value;
            return;
        }
    }
    facts_.push_back({name, value, 1});
}

std::vector<Field> Listing::BatchFacts() const
{
    std::vector<Field> facts = facts_;
    for (const Instant& instant : instants_) {
        if (Value(instant.name) == instant.text)
            facts.push_back(
                    {std::string(batch::kUtcFieldPrefix) + instant.name, std::to_string(instant.seconds), 1});
    }
    return facts;
}

namespace {

std::string FormatFields(const std::vector<Field>& fields)
{
    std::string text;
    for (const Field& field : fields) {
        text += field.name;
        if (field.name.size() < 32)
            text.append(32 - field.name.size(), ' ');
        text += ": ";
        // A line break inside a value would split the field in two for the reader of the listing.
        for (char c : field.value)
            text += (c == '\n' || c == '\r') ? '.' : c;
        text += '\n';
    }
    return text;
}

}  // namespace

std::string FormatListing(const Listing& listing)
{
    return FormatFields(listing.Fields());
}

std::string FormatBatchFacts(const Listing& listing)
{
    return FormatFields(listing.BatchFacts());
}

}  // namespace metaprobe
