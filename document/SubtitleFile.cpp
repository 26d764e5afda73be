#include "document/SubtitleFile.h"


namespace titrelle {

std::string NormalizeLineBreaks(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 16);
  const char* next = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  while (next != end) {
    // Copy up to the next CR or LF in one piece, then write one CR LF for the break found there.
    const char* stop = next;
    while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
    text.append(next, stop);
    if (stop == end) break;
    text += "\r\n";
    next = stop + 1;
    if (*stop == '\r' && next != end && *next == '\n') ++next;
  }
  return text;
}

}  // namespace titrelle

namespace titrelle {

namespace {

// Well-formed UTF-8 (shortest forms only, no surrogates, nothing past U+10FFFF) holding at least one
// character of several bytes. Code page 936 text is almost never this: its trail bytes would all have to be
// continuation bytes and its lead bytes the right starts, character after character.
bool IsUtf8WithMultiByteCharacters(std::string_view bytes) {
  bool multiByte = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      ++i;
      continue;
    }
    multiByte = true;
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (byte >= 0xC2 && byte <= 0xDF) {
      length = 2;
    } else if (byte >= 0xE0 && byte <= 0xEF) {
      length = 3;
      if (byte == 0xE0) secondLow = 0xA0;   // no overlong forms
      if (byte == 0xED) secondHigh = 0x9F;  // no surrogates
    } else if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
      if (byte == 0xF0) secondLow = 0x90;
      if (byte == 0xF4) secondHigh = 0x8F;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (second < secondLow || second > secondHigh) return false;
    for (std::size_t k = 2; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return multiByte;
}

// UTF-16 without a byte order mark. Every ASCII character of it (each time line, number and break) has a
// zero byte, and all of them sit on the same side: the odd places in little-endian order, the even ones in
// big-endian. Chinese characters seldom have one (U+4E00 does), so a file of long Chinese lines has few
// zeros, but still nearly all on one side; text in code page 936 or UTF-8 has none. The bytes must then
// read as UTF-16 code units: no NUL character, no surrogate without its partner.
bool IsUtf16WithoutByteOrderMark(std::string_view bytes) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0) return false;
  std::size_t zeros[2] = {0, 0};  // at even places, at odd places
  for (std::size_t i = 0; i < bytes.size(); ++i) zeros[i % 2] += bytes[i] == '\0' ? 1 : 0;
  const bool littleEndian = zeros[1] > zeros[0];
  const std::size_t ownSide = zeros[littleEndian ? 1 : 0];
  const std::size_t otherSide = zeros[littleEndian ? 0 : 1];
  const std::size_t units = bytes.size() / 2;
  if (ownSide == 0 || ownSide * 32 < units || otherSide * 8 > ownSide) return false;
  bool highSurrogateBefore = false;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    const unsigned unit = littleEndian ? first | second << 8 : first << 8 | second;
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (unit == 0 || low != highSurrogateBefore) return false;
    highSurrogateBefore = high;
  }
  return !highSurrogateBefore;
}

}  // namespace

FileEncoding DetectFileEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return FileEncoding::Utf8;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return FileEncoding::Utf16;
  if (IsUtf16WithoutByteOrderMark(bytes)) return FileEncoding::Utf16;
  if (bytes.size() >= 2) {
    // Text with zero bytes in a quarter of its places is no code page 936 either: it is kept as it is.
    std::size_t zeros = 0;
    for (const char byte : bytes) zeros += byte == '\0' ? 1 : 0;
    if (zeros * 4 >= bytes.size()) return FileEncoding::Utf16;
  }
  if (IsUtf8WithMultiByteCharacters(bytes)) return FileEncoding::Utf8;
  return FileEncoding::Cp936;
}

}  // namespace titrelle
