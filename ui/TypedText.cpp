#include "ui/TypedText.h"

#include "base/Cp936.h"

namespace titrelle {

std::string FilterTypedText(std::string_view typed, const std::function<void(KeyPressEvent&)>& keyPress) {
  if (!keyPress) return std::string(typed);
  std::string kept;
  std::size_t at = 0;
  while (at < typed.size()) {
    const bool doubleByte = IsLeadByte(static_cast<unsigned char>(typed[at])) && at + 1 < typed.size();
    const std::size_t length = doubleByte ? 2 : 1;
    std::string character;
    bool discarded = false;
    for (std::size_t i = 0; i < length; ++i) {
      KeyPressEvent press{typed[at + i]};
      keyPress(press);
      if (press.character == 0) discarded = true;
      character += press.character;
    }
    // A replaced byte of a double-byte character would make another character, or half of one: keep it whole.
    if (!discarded) kept += doubleByte ? std::string(typed.substr(at, 2)) : character;
    at += length;
  }
  return kept;
}

std::string TakeTypedText(std::string_view utf8, const std::function<void()>& refused) {
  bool lost = false;
  std::string taken = Cp936FromUtf8Refusing(utf8, &lost);
  if (lost && refused) refused();
  return taken;
}

}  // namespace titrelle
