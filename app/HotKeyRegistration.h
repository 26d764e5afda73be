#pragma once
// The four system-wide keys F9, F10, F7 and F8: their atoms, their registration, and asking again, every
// second, for those another running program holds, so that this copy takes them over when the other lets go.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "ui/WindowSystem.h"

namespace titrelle {

class HotKeyRegistration {
 public:
  explicit HotKeyRegistration(WindowSystem& windowSystem) : windowSystem_(windowSystem) {}
  HotKeyRegistration(const HotKeyRegistration&) = delete;
  HotKeyRegistration& operator=(const HotKeyRegistration&) = delete;

  // Names the keys and registers them; keys held elsewhere are asked for again.
  void Register();
  void Retry();
  // The window is closing: no more asking again.
  void StopRetrying() { retryTimer_.reset(); }
  // Every key and every atom let go.
  void Release();

  // Every key whose atom is `id` is pressed: with unnamed keys (0) one message may press several.
  void PressKeysOf(int id, const std::function<void(int virtualKey)>& press) const;

  const std::array<std::uint16_t, 4>& Atoms() const { return atoms_; }  // F9, F10, F7, F8
  bool AllRegistered() const;

 private:
  WindowSystem& windowSystem_;
  std::array<std::uint16_t, 4> atoms_{};
  std::array<bool, 4> registered_{};
  std::unique_ptr<Timer> retryTimer_;
  bool heldElsewhereTold_ = false;  // the user is told once while the keys are held elsewhere
};

}  // namespace titrelle
