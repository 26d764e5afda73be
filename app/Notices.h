#pragma once
// The word beside the player after each saved line, and after a save that failed, a line that was refused
// or a typed character that was: shown in the window's notice label, gone after a few seconds.
#include <memory>
#include <string>

#include "ui/Controls.h"
#include "ui/WindowSystem.h"

namespace titrelle {

class Notices {
 public:
  Notices(WindowSystem& windowSystem, Control& label) : windowSystem_(windowSystem), label_(label) {}
  Notices(const Notices&) = delete;
  Notices& operator=(const Notices&) = delete;

  void Show(const std::string& text);
  // A typed character the file cannot hold was kept out.
  void CharactersRefused();
  void Tick();
  // The window is closing: no tick reaches the label from now on.
  void Stop() { timer_.reset(); }

 private:
  WindowSystem& windowSystem_;
  Control& label_;
  std::unique_ptr<Timer> timer_;
  int ticksLeft_ = 0;
};

}  // namespace titrelle
