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
  // end) unless the new one has priority 0 or the listed one a higher priority: thumbnail and
  // preview directories list with priority 0, so the main image's values win over theirs, while
  // later main-image values win over earlier ones.
  void Add(const std::string& name, const std::string& value, int priority = 1);
  bool Has(const std::string& name) const { return names_.count(name) != 0; }
  // Value of the named field, or empty when absent.
  std::string Value(const std::string& name) const;
  const std::vector<Field>& Fields() const { return fields_; }

 private:
  std::vector<Field> fields_;
  std::unordered_map<std::string, int> names_;  // name -> priority
};

// One line per field: the name padded to 32 characters, ": ", the value, a line break.
std::string FormatListing(const Listing& listing);

}  // namespace metaprobe
