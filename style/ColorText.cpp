#include "style/ColorText.h"

#include <cstdio>

#include "base/Error.h"

namespace titrelle {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// One colour component: exactly two hexadecimal digits. The message shows the pair as a hexadecimal
// literal, "$" + pair, which is how the colour text is read.
unsigned ReadColorPair(std::string_view sixCharacters, std::size_t offset) {
  const std::string_view pair =
      offset < sixCharacters.size() ? sixCharacters.substr(offset, 2) : std::string_view();
  const int high = pair.size() == 2 ? HexDigitValue(pair[0]) : -1;
  const int low = pair.size() == 2 ? HexDigitValue(pair[1]) : -1;
  if (high < 0 || low < 0) throw Error("'$" + std::string(pair) + "' is not a valid integer value");
  return static_cast<unsigned>(high * 16 + low);
}

}  // namespace

std::string ColorToText(unsigned colorRef) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", colorRef & 0xFF, (colorRef >> 8) & 0xFF,
                (colorRef >> 16) & 0xFF);
  return text;
}

unsigned TextToColor(std::string_view sixCharacters) {
  // Blue first: with several bad pairs, the message names the blue one.
  const unsigned blue = ReadColorPair(sixCharacters, 4);
  const unsigned green = ReadColorPair(sixCharacters, 2);
  const unsigned red = ReadColorPair(sixCharacters, 0);
  return red + green * 256 + blue * 65536;
}

}  // namespace titrelle
