#pragma once
// Atoms and system-wide hot keys for real: registered on the main window, whose WM_HOTKEY the window system
// hands to OnHotKey.

#include "platforms/windows/Win32Api.h"

#include "ui/HotKeys.h"

namespace titrelle {

class Win32HotKeys : public HotKeys {
 public:
  void SetOwner(HWND window) { owner_ = window; }
  HWND Owner() const { return owner_; }

  std::uint16_t FindAtom(const std::string& name) override;
  std::uint16_t GlobalAddAtom(const std::string& name) override;
  void GlobalDeleteAtom(std::uint16_t atom) override;
  bool RegisterHotKey(int id, unsigned modifiers, int virtualKey) override;
  bool UnregisterHotKey(int id) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace titrelle
