#pragma once
// After an open, until the next: a file the player cannot open gives the open button back, once.

#include "media/MediaPlayer.h"

namespace titrelle {

class OpenWatch {
 public:
  void Start() { watching_ = true; }
  // True once, on the first look after the player has given up on the file opened last.
  bool PlayerGaveUp(MediaPlayer& player) {
    if (!watching_ || !player.CannotOpen()) return false;
    watching_ = false;
    return true;
  }

 private:
  bool watching_ = false;
};

}  // namespace titrelle
