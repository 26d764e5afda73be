#include "platforms/headless/HeadlessDesktop.h"

#include <vector>

#include "platforms/headless/HeadlessWindowSystem.h"

namespace titrelle {

std::uint16_t HeadlessDesktop::AddAtom(const std::string& name) {
  Atom& atom = atoms_[name];
  if (atom.references == 0) atom.value = nextAtom_++;
  ++atom.references;
  return atom.value;
}

bool HeadlessDesktop::DeleteAtom(std::uint16_t value) {
  for (auto it = atoms_.begin(); it != atoms_.end(); ++it) {
    if (it->second.value != value) continue;
    if (--it->second.references == 0) atoms_.erase(it);
    return true;
  }
  return false;
}

std::uint16_t HeadlessDesktop::FindGlobalAtom(const std::string& name) const {
  auto found = atoms_.find(name);
  return found == atoms_.end() ? 0 : found->second.value;
}

int HeadlessDesktop::AtomReferenceCount(const std::string& name) const {
  auto found = atoms_.find(name);
  return found == atoms_.end() ? 0 : found->second.references;
}

bool HeadlessDesktop::RegisterKey(HeadlessWindowSystem& holder, int id, unsigned modifiers, int virtualKey) {
  auto key = std::make_pair(virtualKey, modifiers);
  auto found = keys_.find(key);
  if (found != keys_.end()) return false;  // held already, by another copy or by this one
  // An id already in use by this holder keeps its key too, as the desktop does.
  keys_[key] = {&holder, id};
  return true;
}

bool HeadlessDesktop::UnregisterKey(HeadlessWindowSystem& holder, int id) {
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {
    if (it->second.holder == &holder && it->second.id == id) {
      keys_.erase(it);
      return true;
    }
  }
  return false;
}

void HeadlessDesktop::ReleaseAll(HeadlessWindowSystem& holder) {
  std::erase_if(keys_, [&](const auto& entry) { return entry.second.holder == &holder; });
}

HeadlessWindowSystem* HeadlessDesktop::Holder(int virtualKey, unsigned modifiers) const {
  auto found = keys_.find(std::make_pair(virtualKey, modifiers));
  return found == keys_.end() ? nullptr : found->second.holder;
}

bool HeadlessDesktop::PressKey(int virtualKey, unsigned modifiers) {
  auto found = keys_.find(std::make_pair(virtualKey, modifiers));
  if (found == keys_.end()) return false;
  found->second.holder->DeliverHotKey(found->second.id);
  return true;
}

}  // namespace titrelle
