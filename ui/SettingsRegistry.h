#pragma once
#include <memory>
#include <string>

namespace titrelle {

// One opened registry key. Closing it is destroying it: no handle outlives an operation.
class SettingsKey {
 public:
  enum class ValueType { Missing, Text, Other };
  struct Value {
    ValueType type = ValueType::Missing;
    std::string text;  // for Text: up to the first zero character
  };
  virtual ~SettingsKey() = default;
  virtual Value Read(const std::string& name) = 0;
  virtual bool WriteText(const std::string& name, const std::string& text) = 0;  // REG_SZ
};

// HKEY_CURRENT_USER, or a shell's stand-in for it.
class SettingsRegistry {
 public:
  virtual ~SettingsRegistry() = default;
  // Opens HKEY_CURRENT_USER + path ("\software\") with full access, without creating it; nullptr on failure.
  virtual std::unique_ptr<SettingsKey> OpenKey(const std::string& path) = 0;
};

}  // namespace titrelle
