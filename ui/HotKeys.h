#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace titrelle {

// The modifier bits of RegisterHotKey.
namespace hotkeymodifier {
constexpr unsigned Alt = 1;
constexpr unsigned Control = 2;
constexpr unsigned Shift = 4;
constexpr unsigned Win = 8;
}  // namespace hotkeymodifier

// System-wide hot keys and the atoms that name them, as the main window uses them.
class HotKeys {
 public:
  virtual ~HotKeys() = default;
  virtual std::uint16_t FindAtom(const std::string& name) = 0;  // the process's local table; 0 when absent
  virtual std::uint16_t GlobalAddAtom(const std::string& name) = 0;  // creates or raises the reference count
  virtual void GlobalDeleteAtom(std::uint16_t atom) = 0;
  virtual bool RegisterHotKey(int id, unsigned modifiers, int virtualKey) = 0;  // false when another holds it
  virtual bool UnregisterHotKey(int id) = 0;

  // WM_HOTKEY: fired by the shell, through DispatchEvent, with the identifier the key was registered under.
  std::function<void(int id)> OnHotKey;
};

}  // namespace titrelle
