// The fields found in one file, in the order they were found, and their text form.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace metaprobe {

struct Field {
  std::string name;
  std::string value;
};

class Listing {
 public:
  // Adds a field unless one of the same name is already listed: the first directory that
  // names a field (the main image's) wins over thumbnails and later copies.
  void Add(const std::string& name, const std::string& value);
  bool Has(const std::string& name) const { return names_.count(name) != 0; }
  // Value of the named field, or empty when absent.
  std::string Value(const std::string& name) const;
  const std::vector<Field>& Fields() const { return fields_; }

 private:
  std::vector<Field> fields_;
  std::unordered_set<std::string> names_;
};

// One line per field: the name padded to 32 characters, ": ", the value, a line break.
std::string FormatListing(const Listing& listing);

}  // namespace metaprobe
