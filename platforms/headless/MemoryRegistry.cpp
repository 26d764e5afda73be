#include "platforms/headless/MemoryRegistry.h"

namespace titrelle {

namespace {

class MemoryKey : public SettingsKey {
 public:
  explicit MemoryKey(MemoryRegistry& registry) : registry_(registry) { ++registry_.openKeys; }
  ~MemoryKey() override { --registry_.openKeys; }

  Value Read(const std::string& name) override {
    auto found = registry_.values.find(name);
    if (found == registry_.values.end()) return {};
    if (!found->second.isText) return {ValueType::Other, {}};
    // A text value reads up to its first zero character.
    return {ValueType::Text, found->second.text.substr(0, found->second.text.find('\0'))};
  }

  bool WriteText(const std::string& name, const std::string& text) override {
    if (registry_.failingWrites.count(name) != 0) return false;
    registry_.values[name] = {true, text};
    registry_.writes.emplace_back(name, text);
    return true;
  }

 private:
  MemoryRegistry& registry_;
};

}  // namespace

std::unique_ptr<SettingsKey> MemoryRegistry::OpenKey(const std::string&) {
  if (keyMissing) return nullptr;
  ++openCount;
  return std::make_unique<MemoryKey>(*this);
}

}  // namespace titrelle
