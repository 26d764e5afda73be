#pragma once
// HKEY_CURRENT_USER itself. Texts are REG_SZ values written through the wide interface from code page 936, so
// that they read back byte for byte whatever the system's own code page is.

#include <string>

#include "ui/SettingsRegistry.h"

namespace titrelle {

class WindowsRegistry : public SettingsRegistry {
 public:
  // Opens the key with full access; it is never created, and a failure is kept for LastFailure.
  std::unique_ptr<SettingsKey> OpenKey(const std::string& path) override;
  std::string Location() const override { return "HKEY_CURRENT_USER\\Software"; }
  std::string LastFailure() const override { return lastFailure_; }

  void SetLastFailure(std::string failure) { lastFailure_ = std::move(failure); }

 private:
  std::string lastFailure_;
};

}  // namespace titrelle
