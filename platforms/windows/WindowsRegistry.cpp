#include "platforms/windows/WindowsRegistry.h"

#include "platforms/windows/Win32Api.h"

#include <vector>

#include "platforms/windows/WinText.h"

namespace titrelle {

namespace {

class WindowsKey : public SettingsKey {
 public:
  WindowsKey(WindowsRegistry& registry, HKEY key) : registry_(registry), key_(key) {}
  ~WindowsKey() override { RegCloseKey(key_); }
  WindowsKey(const WindowsKey&) = delete;
  WindowsKey& operator=(const WindowsKey&) = delete;

  Value Read(const std::string& name) override {
    const std::wstring wideName = WideFromCp936(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {ValueType::Other, {}};
    // The value may grow between the two calls: ask again until it fits.
    std::vector<wchar_t> data;
    do {
      data.assign(size / sizeof(wchar_t) + 2, L'\0');
      size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
      result = RegQueryValueExW(key_, wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                &size);
    } while (result == ERROR_MORE_DATA);
    if (result != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {ValueType::Other, {}};
    data[size / sizeof(wchar_t)] = L'\0';
    return {ValueType::Text, Cp936FromWide(std::wstring(data.data()))};  // up to the first zero character
  }

  bool WriteText(const std::string& name, const std::string& text) override {
    const std::wstring wide = WideFromCp936(text);
    const LONG result =
        RegSetValueExW(key_, WideFromCp936(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    if (result == ERROR_SUCCESS) return true;
    registry_.SetLastFailure(SystemMessage(static_cast<unsigned long>(result)));
    return false;
  }

 private:
  WindowsRegistry& registry_;
  HKEY key_;
};

}  // namespace

std::unique_ptr<SettingsKey> WindowsRegistry::OpenKey(const std::string& path) {
  // "\software\": a key path relative to the root, whatever backslashes stand around it.
  std::wstring relative = WideFromCp936(path);
  while (!relative.empty() && relative.front() == L'\\') relative.erase(relative.begin());
  while (!relative.empty() && relative.back() == L'\\') relative.pop_back();
  HKEY key = nullptr;
  const LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, relative.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (result != ERROR_SUCCESS) {
    lastFailure_ = SystemMessage(static_cast<unsigned long>(result));
    return nullptr;
  }
  lastFailure_.clear();
  return std::make_unique<WindowsKey>(*this, key);
}

}  // namespace titrelle
