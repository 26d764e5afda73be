#pragma once
// The desktop that headless programs share: the global atom table and the system-wide hot keys. Two
// HeadlessWindowSystem instances on one desktop behave as two running copies of the program.

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace titrelle {

class HeadlessWindowSystem;

class HeadlessDesktop {
 public:
  // Global atoms: created at reference count 1, raised by each further add, removed when it falls to 0.
  std::uint16_t AddAtom(const std::string& name);
  bool DeleteAtom(std::uint16_t atom);                          // false for an atom that does not exist
  std::uint16_t FindGlobalAtom(const std::string& name) const;  // 0 when absent
  int AtomReferenceCount(const std::string& name) const;        // 0 when absent

  // Hot keys: one holder per key (virtual key and modifiers).
  bool RegisterKey(HeadlessWindowSystem& holder, int id, unsigned modifiers, int virtualKey);
  bool UnregisterKey(HeadlessWindowSystem& holder, int id);
  void ReleaseAll(HeadlessWindowSystem& holder);
  HeadlessWindowSystem* Holder(int virtualKey, unsigned modifiers = 0) const;

  // The user presses a key anywhere on the desktop: its holder gets WM_HOTKEY with the id it registered.
  // False when nobody holds the key.
  bool PressKey(int virtualKey, unsigned modifiers = 0);

 private:
  struct Atom {
    std::uint16_t value = 0;
    int references = 0;
  };
  struct Registration {
    HeadlessWindowSystem* holder = nullptr;
    int id = 0;
  };
  std::map<std::string, Atom> atoms_;
  std::uint16_t nextAtom_ = 0xC000;  // string atoms live from 0xC000 up
  std::map<std::pair<int, unsigned>, Registration> keys_;
};

}  // namespace titrelle
