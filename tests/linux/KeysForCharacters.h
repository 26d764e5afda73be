#pragma once

#include <QString>
#include <vector>

namespace titrelle {

// Gives each character of `text` that no key of the X server's keyboard has a key of its own, for as long
// as it lives. Typing such characters with xdotool otherwise maps a key to each in turn while they are
// typed, and a program that reads the keyboard's map a moment late can read a character the wrong one.
class KeysForCharacters {
 public:
  explicit KeysForCharacters(const QString& text);
  ~KeysForCharacters();
  KeysForCharacters(const KeysForCharacters&) = delete;
  KeysForCharacters& operator=(const KeysForCharacters&) = delete;

 private:
  std::vector<int> taken_;  // the keys given characters, to be given back
};

}  // namespace titrelle
