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
  // Where the values are kept, as a message names it (code page 936); empty where there is nothing to name.
  virtual std::string Location() const { return {}; }
  // Why the last open or write failed, in the system's words; empty when nothing more is known.
  virtual std::string LastFailure() const { return {}; }
};

}  // namespace titrelle
