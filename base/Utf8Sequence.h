#pragma once
// Where one UTF-8 character ends, for the codecs: both build the same "?" for the same broken input.

#include <cstddef>
#include <string_view>

namespace titrelle {

// Length of the well-formed UTF-8 character at `position` (no overlong form, no surrogate, nothing past
// U+10FFFF), or 0 when the bytes there are not one.
inline std::size_t WellFormedUtf8Length(std::string_view text, std::size_t position) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[position + i]); };
  const auto in = [](unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
  };
  const std::size_t left = text.size() - position;
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;
  if (in(lead, 0xC2, 0xDF)) return left >= 2 && in(at(1), 0x80, 0xBF) ? 2 : 0;
  if (in(lead, 0xE0, 0xEF)) {
    if (left < 3) return 0;
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return in(at(1), low, high) && in(at(2), 0x80, 0xBF) ? 3 : 0;
  }
  if (in(lead, 0xF0, 0xF4)) {
    if (left < 4) return 0;
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return in(at(1), low, high) && in(at(2), 0x80, 0xBF) && in(at(3), 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

// How many bytes one substitute stands for where the text at `position` is no character a codec takes: a
// sequence whose lead and continuation bytes have the right shape is skipped whole (a character the code
// page lacks, an overlong form); a broken sequence one byte at a time, so that it never swallows the text
// after it.
inline std::size_t Utf8SubstitutedLength(std::string_view text, std::size_t position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
  if (length == 1 || position + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[position + i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

}  // namespace titrelle
