#pragma once
// HKEY_CURRENT_USER in memory, for tests: values by key path and name, with failures that can be injected.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/SettingsRegistry.h"

namespace titrelle {

class MemoryRegistry : public SettingsRegistry {
 public:
  struct StoredValue {
    bool isText = true;
    std::string text;
  };

  std::unique_ptr<SettingsKey> OpenKey(const std::string& path) override;
  std::string Location() const override { return location; }

  // Test controls.
  bool keyMissing = false;              // every open fails
  std::string location;                 // where the values are said to be kept (code page 936)
  std::set<std::string> failingWrites;  // writes of these names fail (a full or locked store)
  int openCount = 0;                    // keys opened so far
  int openKeys = 0;                     // keys open right now
  std::vector<std::pair<std::string, std::string>> writes;  // (name, text) in the order written
  void SetText(const std::string& name, const std::string& text) { values[name] = {true, text}; }
  void SetNonText(const std::string& name) { values[name] = {false, {}}; }
  void Erase(const std::string& name) { values.erase(name); }
  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::string Text(const std::string& name) const {
    auto found = values.find(name);
    return found == values.end() ? std::string() : found->second.text;
  }

  std::map<std::string, StoredValue> values;  // the values of "\software\" (key paths are not told apart)
};

}  // namespace titrelle
