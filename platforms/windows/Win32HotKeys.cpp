#include "platforms/windows/Win32HotKeys.h"

#include "platforms/windows/WinText.h"

namespace titrelle {

std::uint16_t Win32HotKeys::FindAtom(const std::string& name) {
  return ::FindAtomW(WideFromCp936(name).c_str());
}

std::uint16_t Win32HotKeys::GlobalAddAtom(const std::string& name) {
  return ::GlobalAddAtomW(WideFromCp936(name).c_str());
}

void Win32HotKeys::GlobalDeleteAtom(std::uint16_t atom) { ::GlobalDeleteAtom(atom); }

bool Win32HotKeys::RegisterHotKey(int id, unsigned modifiers, int virtualKey) {
  return owner_ && ::RegisterHotKey(owner_, id, modifiers, static_cast<UINT>(virtualKey));
}

bool Win32HotKeys::UnregisterHotKey(int id) { return owner_ && ::UnregisterHotKey(owner_, id); }

}  // namespace titrelle
